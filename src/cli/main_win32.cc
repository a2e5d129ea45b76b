// Entry of the Windows command line (a console program).
#include <windows.h>

#include <string>
#include <vector>

#include "cli/cli.h"

int wmain(int argc, wchar_t** argv) {
  // Our output is UTF-8.
  SetConsoleOutputCP(CP_UTF8);
  copyloom::cli::Invocation invocation;
  for (int i = 1; i < argc; ++i) invocation.args.emplace_back(argv[i]);
  wchar_t cwd[MAX_PATH * 4];
  DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(std::size(cwd)), cwd);
  if (n > 0 && n < std::size(cwd)) invocation.current_folder.assign(cwd, n);
  return copyloom::cli::RunCopyloom(invocation);
}
