#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <utility>
#include <vector>

#include "platform/win32/shell.h"

namespace copyloom::platform {
namespace {

testing::ShellCalls& Calls() {
  static testing::ShellCalls calls;
  return calls;
}

}  // namespace

int ShellOpenNumber(const std::wstring& file, const std::wstring& parameters) {
  if (Calls().open) return Calls().open(file, parameters);
  HINSTANCE result =
      ShellExecuteW(nullptr, L"open", file.c_str(),
                    parameters.empty() ? nullptr : parameters.c_str(), nullptr, SW_SHOWNORMAL);
  return static_cast<int>(reinterpret_cast<INT_PTR>(result));
}

int RunCommandNumber(const std::wstring& command_line) {
  if (Calls().run) return Calls().run(command_line);
  std::vector<wchar_t> buffer(command_line.begin(), command_line.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    switch (GetLastError()) {
      case ERROR_FILE_NOT_FOUND:
        return SE_ERR_FNF;
      case ERROR_PATH_NOT_FOUND:
        return SE_ERR_PNF;
      case ERROR_ACCESS_DENIED:
        return SE_ERR_ACCESSDENIED;
      case ERROR_BAD_EXE_FORMAT:
        return ERROR_BAD_FORMAT;
      default:
        return 0;
    }
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 33;
}

namespace testing {
void SetShellCalls(ShellCalls calls) { Calls() = std::move(calls); }
}  // namespace testing

}  // namespace copyloom::platform
