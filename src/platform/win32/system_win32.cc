// Process and system facts, local time and the shell.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "platform/calendar.h"
#include "platform/platform.h"
#include "platform/test_hooks.h"
#include "platform/win32/path_win32.h"

namespace copyloom::platform {
namespace {

// Calls fill(buffer, size) -> length with a growing buffer until the result
// fits; for the Get*Directory family, which return the size needed when the
// buffer is too small.
template <typename Fill>
std::wstring ReadGrowing(Fill fill) {
  std::wstring buffer(MAX_PATH + 1, L'\0');
  for (int attempt = 0; attempt < 8; ++attempt) {
    UINT n = fill(buffer.data(), static_cast<UINT>(buffer.size()));
    if (n == 0) return std::wstring();
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.assign(n + 1, L'\0');
  }
  return std::wstring();
}

std::wstring WithoutTrailingSeparators(std::wstring path) {
  while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return path;
}

std::wstring WithTrailingSeparator(std::wstring path) {
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
  return path;
}

}  // namespace

std::wstring ProgramPath() {
  if (auto path = hooks::ProgramPath()) return *path;
  // GetModuleFileNameW cuts silently and returns the buffer size when the
  // path does not fit.
  std::wstring buffer(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::wstring();
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.assign(buffer.size() * 2, L'\0');
  }
  return std::wstring();
}

std::wstring CurrentFolder() {
  return ReadGrowing([](wchar_t* b, UINT n) { return ::GetCurrentDirectoryW(n, b); });
}

std::optional<std::wstring> EnvironmentValue(const wchar_t* name) {
  ::SetLastError(ERROR_SUCCESS);
  std::wstring value =
      ReadGrowing([&](wchar_t* b, UINT n) { return ::GetEnvironmentVariableW(name, b, n); });
  if (value.empty() && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
  return value;
}

std::wstring CommandLine() {
  if (auto line = hooks::CommandLine()) return *line;
  const wchar_t* line = ::GetCommandLineW();
  return line ? std::wstring(line) : std::wstring();
}

std::wstring WindowsFolder() {
  if (auto folder = hooks::WindowsFolder()) return *folder;
  return ReadGrowing([](wchar_t* b, UINT n) { return ::GetWindowsDirectoryW(b, n); });
}

std::wstring SystemFolder() {
  if (auto folder = hooks::WindowsFolder()) {
    return WithTrailingSeparator(WithoutTrailingSeparators(*folder)) + L"system32";
  }
  return ReadGrowing([](wchar_t* b, UINT n) { return ::GetSystemDirectoryW(b, n); });
}

std::wstring TempFolder() {
  if (auto folder = hooks::TempFolder()) return *folder;
  return ReadGrowing([](wchar_t* b, UINT n) { return static_cast<UINT>(::GetTempPathW(n, b)); });
}

std::wstring ForCurrentUser(const std::wstring& shell_folder) { return shell_folder; }

std::wstring FallbackSpecialFolder(SpecialFolder) {
  if (auto folder = hooks::WindowsFolder()) return WithTrailingSeparator(*folder);
  return L"C:\\Windows\\";
}

uint32_t TickCount() {
  if (auto ticks = hooks::TickCount()) return *ticks;
  return ::GetTickCount();
}

void SleepMs(uint32_t milliseconds) { ::Sleep(milliseconds); }

uint32_t UserDefaultLanguage() { return ::GetUserDefaultLangID(); }

uint32_t SystemDefaultLocale() { return ::GetSystemDefaultLCID(); }

std::wstring LocalDateTimeNowText() {
  wchar_t date[128];
  wchar_t time[128];
  if (::GetDateFormatW(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, date, 128) == 0) return {};
  if (::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, 128) == 0) return {};
  return std::wstring(date) + L" " + time;
}

bool FileTimeToLocal(int64_t filetime, LocalTime* local) {
  if (filetime < 0) return false;
  const FILETIME utc = win32::ToFileTime(filetime);
  FILETIME here;
  SYSTEMTIME fields;
  if (!::FileTimeToLocalFileTime(&utc, &here) || !::FileTimeToSystemTime(&here, &fields)) {
    return false;
  }
  local->year = fields.wYear;
  local->month = fields.wMonth;
  local->day = fields.wDay;
  local->hour = fields.wHour;
  local->minute = fields.wMinute;
  local->second = fields.wSecond;
  return true;
}

bool LocalToFileTime(const LocalTime& local, int64_t* filetime) {
  if (!IsCalendarTime(local)) return false;
  SYSTEMTIME fields{};
  fields.wYear = static_cast<WORD>(local.year);
  fields.wMonth = static_cast<WORD>(local.month);
  fields.wDay = static_cast<WORD>(local.day);
  fields.wHour = static_cast<WORD>(local.hour);
  fields.wMinute = static_cast<WORD>(local.minute);
  fields.wSecond = static_cast<WORD>(local.second);
  FILETIME here, utc;
  if (!::SystemTimeToFileTime(&fields, &here) || !::LocalFileTimeToFileTime(&here, &utc)) {
    return false;
  }
  *filetime = win32::FromFileTime(utc);
  return true;
}

bool ShellOpen(const std::wstring& path) {
  HINSTANCE result = ::ShellExecuteW(nullptr, L"open", win32::ResolvePath(path).c_str(), nullptr,
                                     nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

bool LaunchProgram(const std::wstring& program, const std::wstring& folder) {
  const std::wstring native_folder = win32::ResolvePath(folder);
  HINSTANCE result =
      ::ShellExecuteW(nullptr, L"open", win32::ResolvePath(program).c_str(), nullptr,
                      native_folder.empty() ? nullptr : native_folder.c_str(), SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace copyloom::platform
