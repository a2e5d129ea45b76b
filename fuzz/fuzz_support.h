// What the fuzz targets share: splitting one input into parts, a machine
// whose files live in memory for the parsers that read files, and a way to report a
// broken promise as a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/test_machine.h"

namespace copyloom::fuzz {

// The parts of an input separated by "\n====\n"; at most max_parts (the
// last part keeps any further separators).
std::vector<std::string> SplitParts(const uint8_t* data, size_t size, size_t max_parts);

// Bytes as wide characters one for one (each byte its own code point).
std::wstring Latin1(std::string_view bytes);

// The machine every file-reading target works on, made once per process:
// drives C: and D: in the platform's memory store (on the disk, in a temp
// folder, when COPYLOOM_FUZZ_ON_DISK is set), the product started on it, code page
// 1252, and the terminals C:\MT4 and D:\Terminal (with profiles\default).
test::TestMachine& Machine();

// Held for the length of one run: on leaving, drops what the platform
// keeps between calls, so a run frees all it allocates. libFuzzer runs a
// whole-heap leak check after every run that does not, which cost more
// than the run itself.
struct RunScope {
  RunScope() = default;
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;
  ~RunScope();
};

// Puts a file no one should read whole at path: 'f' a FIFO, 's' a sparse
// file one byte past cap. False (nothing planted) for any other kind.
bool PlantOddFile(const std::wstring& path, char kind, uint64_t cap);
// Whether it is still what PlantOddFile left; then removes it.
bool OddFileUnchanged(const std::wstring& path, char kind, uint64_t cap);

// Ends the run as a crash, so libFuzzer keeps the input.
[[noreturn]] void Broken(const char* what);

}  // namespace copyloom::fuzz
