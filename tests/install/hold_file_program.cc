// hold_file.exe PATH: holds a file as a running terminal does (a ".dll" is
// loaded, anything else opened without write sharing), prints "ready" and
// keeps it until its standard input ends.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  const wchar_t* path = argv[1];
  const size_t length = std::wcslen(path);
  const bool library = length > 4 && _wcsicmp(path + length - 4, L".dll") == 0;
  if (library) {
    if (!::LoadLibraryW(path)) return 1;
  } else if (::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr) == INVALID_HANDLE_VALUE) {
    return 1;
  }
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), "ready\n", 6, &written, nullptr);
  char byte;
  DWORD got = 0;
  while (::ReadFile(::GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &got, nullptr) && got > 0) {
  }
  return 0;
}
