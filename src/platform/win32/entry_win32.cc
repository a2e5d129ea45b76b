#include <windows.h>

#include "platform/entry.h"

int wmain(int argc, wchar_t** argv) {
  // Our output is UTF-8.
  SetConsoleOutputCP(CP_UTF8);
  std::vector<std::wstring> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return WideMain(args);
}
