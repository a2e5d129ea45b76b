// The command line: the window without pixels. It runs the same portable
// commands through an in-memory InstallerView that prints.
//
//   copyloom [--kit DIR] [--data-dir DIR] [--prefix DIR|--all-prefixes] [--json] [--yes]
//            COMMAND [ARGS]
#pragma once

#include <string>
#include <vector>

namespace copyloom::cli {

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

struct Invocation {
  std::vector<std::wstring> args;  // after the program name
  std::wstring current_folder;     // for relative DIR arguments
};

// Runs one invocation and returns the process's exit status. Output goes to
// standard output (UTF-8), usage errors to standard error.
int RunCopyloom(const Invocation& invocation);

// Only the parse of a run's arguments: true when a command would run, else
// false with *status set (help printed, or a usage error). For the fuzzer.
bool ParseArguments(const std::vector<std::wstring>& args, int* status);

}  // namespace copyloom::cli
