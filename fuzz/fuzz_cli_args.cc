// The command line's argument parser on any arguments: every outcome is a
// parse or a usage error, never an escaped exception.
//
// Input: the arguments after the program name, UTF-8, separated by zero
// bytes. Run with -close_fd_mask=3: usage texts are printed on each error.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "cli/cli.h"
#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace copyloom;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::wstring> args;
  size_t start = 0;
  while (start <= input.size() && args.size() < 64) {
    size_t end = input.find('\0', start);
    if (end == std::string_view::npos) end = input.size();
    args.push_back(platform::Utf8ToWide(std::string(input.substr(start, end - start))));
    start = end + 1;
  }
  if (input.empty()) args.clear();
  int status = -1;
  const bool parsed = cli::ParseArguments(args, &status);
  if (!parsed && status != cli::kExitOk && status != cli::kExitUsage) std::abort();
  return 0;
}
