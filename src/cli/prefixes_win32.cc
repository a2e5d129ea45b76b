// Windows: the terminals are on this machine, there are no Wine prefixes.
#include <cstdio>

#include "cli/cli.h"
#include "cli/prefixes.h"

namespace copyloom::cli {
namespace {

int Refuse() {
  std::fputs("copyloom: Wine prefixes are a matter of the Linux build\n", stderr);
  return kExitUsage;
}

}  // namespace

int SelectPrefix(const PrefixOptions& options, std::wstring* chosen,
                 platform::WinePrefix* prefix) {
  if (options.prefix.empty()) return -1;
  const std::wstring message = L"Wine prefixes are a matter of the Linux build";
  if (!options.refuse) return Refuse();
  options.refuse(message);
  return kExitUsage;
}

int ListPrefixes(const PrefixOptions& options) { return Refuse(); }

int RunInEachPrefix(const PrefixOptions& options, const RunInPrefix& run) {
  return Refuse();
}

}  // namespace copyloom::cli
