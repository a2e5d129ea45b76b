#include "fuzz_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "install/transaction.h"
#include "platform/posix/path_mapper.h"
#include "platform/test_hooks.h"
#include "platform/testing.h"
#include "support/test_files.h"
#include "support/test_files.h"

namespace copyloom::fuzz {

std::vector<std::string> SplitParts(const uint8_t* data, size_t size, size_t max_parts) {
  constexpr std::string_view kSeparator = "\n====\n";
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> parts;
  size_t start = 0;
  while (parts.size() + 1 < max_parts) {
    const size_t hit = input.find(kSeparator, start);
    if (hit == std::string_view::npos) break;
    parts.emplace_back(input.substr(start, hit - start));
    start = hit + kSeparator.size();
  }
  parts.emplace_back(input.substr(start));
  return parts;
}

std::wstring Latin1(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  for (char c : bytes) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return out;
}

test::TestMachine& Machine() {
  // Destroyed at exit, which removes its folder.
  static test::TestMachine* machine = [] {
    // In memory unless asked for the disk, to compare the two.
    auto* m = new test::TestMachine(L"CopyloomSetup.exe", !std::getenv("COPYLOOM_FUZZ_ON_DISK"));
    platform::testing::SetAnsiCodePage(1252u);
    // No power loss to survive here: the flushes would only slow each run.
    platform::testing::SetSkipSync(true);
    m->StartProduct();
    m->MakeTerminal(L"C:\\MT4");
    m->MakeTerminal(L"D:\\Terminal");
    m->MakeFolder(L"C:\\MT4\\profiles\\default");
    std::atexit([] { delete machine; });
    return m;
  }();
  return *machine;
}

RunScope::~RunScope() {
  platform::posix::ForgetFolderListings();
}

namespace {

std::string NativeOf(const std::wstring& path) {
  std::string native;
  if (!platform::posix::MapPath(path, &native)) Broken("an unmapped fuzz path");
  return native;
}

}  // namespace

bool PlantOddFile(const std::wstring& path, char kind, uint64_t cap) {
  if (kind != 'f' && kind != 's') return false;
  if (auto* memory = platform::testing::InstalledMemoryFiles()) {
    Machine().MakeFolder(path.substr(0, path.rfind(L'\\')));
    if (!(kind == 'f' ? memory->PlantFifo(path) : memory->PlantSized(path, cap + 1))) {
      Broken("an odd file not planted");
    }
    return true;
  }
  const std::string native = NativeOf(path);
  unlink(native.c_str());
  if (kind == 'f') return mkfifo(native.c_str(), 0644) == 0 || (Broken("mkfifo"), false);
  const int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0 || ftruncate(fd, static_cast<off_t>(cap + 1)) != 0) Broken("a sparse file");
  close(fd);
  return true;
}

bool OddFileUnchanged(const std::wstring& path, char kind, uint64_t cap) {
  if (auto* memory = platform::testing::InstalledMemoryFiles()) {
    using Kind = platform::MemoryFiles::Kind;
    uint64_t size = 0;
    const Kind found = memory->KindOf(path, &size);
    const bool same = kind == 'f' ? found == Kind::kFifo : found == Kind::kFile && size == cap + 1;
    memory->RemoveOneFile(path);
    return same;
  }
  const std::string native = NativeOf(path);
  struct stat st;
  const bool same =
      lstat(native.c_str(), &st) == 0 &&
      (kind == 'f' ? S_ISFIFO(st.st_mode)
                   : S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) == cap + 1);
  unlink(native.c_str());
  return same;
}

void Broken(const char* what) {
  std::fprintf(stderr, "fuzz: broken promise: %s\n", what);
  std::abort();
}

}  // namespace copyloom::fuzz
