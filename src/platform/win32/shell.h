// The shell's calls with their own result numbers, for the window's links:
// their numbers choose the message a failed link shows.
#pragma once

#include <functional>
#include <string>

namespace copyloom::platform {

// ShellExecuteW's "open": its result number (above 32 on success).
int ShellOpenNumber(const std::wstring& file, const std::wstring& parameters);

// Starts a command line with a normal window and answers like the old
// WinExec: above 31 on success, else the shell's error number.
int RunCommandNumber(const std::wstring& command_line);

namespace testing {
// Stand-ins for the two calls; an empty function keeps the real one.
struct ShellCalls {
  std::function<int(const std::wstring& file, const std::wstring& parameters)> open;
  std::function<int(const std::wstring& command_line)> run;
};
void SetShellCalls(ShellCalls calls);
}  // namespace testing

}  // namespace copyloom::platform
