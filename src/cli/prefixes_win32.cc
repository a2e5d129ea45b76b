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

int SelectPrefix(const PrefixOptions& options, std::wstring* chosen) {
  return options.prefix.empty() ? -1 : Refuse();
}

int ListPrefixes(const PrefixOptions& options) { return Refuse(); }

int RunInEachPrefix(const PrefixOptions& options, const std::vector<std::wstring>& args) {
  return Refuse();
}

}  // namespace copyloom::cli
