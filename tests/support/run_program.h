// Runs a program as a user would, in a process of its own, and captures
// what it prints. run_program_posix.cc and run_program_win32.cc implement it.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace copyloom::test {

struct ProgramResult {
  int exit_code = -1;
  std::string out;  // standard output, as bytes (UTF-8)
  std::string err;  // standard error
};

// program: a native path of this platform (on Windows a POSIX path of the
// build is taken as "Z:" + the path, as Wine maps it). env: variables set for
// the child on top of the current environment (empty value: removed).
ProgramResult RunProgram(const std::wstring& program, const std::vector<std::wstring>& args,
                         const std::map<std::wstring, std::wstring>& env = {});

}  // namespace copyloom::test
