// Starting another program on POSIX, once for every caller: the command
// line's per-prefix runs, the window under Wine and the shell's openers.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace copyloom::platform::posix {

struct ChildRun {
  // argv[0] is the program's path, not looked up in PATH.
  std::vector<std::string> argv;
  // Set for the child only (a name given here replaces ours); this
  // process's environment stays as it is.
  std::vector<std::pair<std::string, std::string>> environment;
  // Where the child starts; empty: our current folder.
  std::string folder;
  // When given, the child's standard output is collected here.
  std::string* output = nullptr;
};

struct ChildEnd {
  bool started = false;
  // Empty when it was not started or a signal ended it.
  std::optional<int> exit_status;
};

// Runs the child and waits for it.
ChildEnd RunAndWait(const ChildRun& run);

}  // namespace copyloom::platform::posix
