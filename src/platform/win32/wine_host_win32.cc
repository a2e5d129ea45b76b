// Wine announces itself through ntdll's wine_get_version export, and maps a
// Windows path to its Unix name with kernel32's wine_get_unix_file_name;
// Windows has neither.
#include <windows.h>

#include "platform/platform.h"
#include "platform/test_hooks.h"
#include "platform/disk.h"
#include "platform/file_system.h"
#include "platform/win32/handles.h"
#include "platform/win32/path_win32.h"

namespace copyloom::platform {
namespace {

FARPROC WineExport(const wchar_t* module, const char* name) {
  HMODULE handle = ::GetModuleHandleW(module);
  return handle ? ::GetProcAddress(handle, name) : nullptr;
}

std::wstring SystemMessage(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = n && buffer ? std::wstring(buffer, n) : L"error " + std::to_wstring(error);
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L'.')) {
    text.pop_back();
  }
  return text;
}

}  // namespace

bool RunsUnderWine() {
  if (auto hooked = hooks::UnderWine()) return *hooked;
  static const bool under_wine = WineExport(L"ntdll.dll", "wine_get_version") != nullptr;
  return under_wine;
}

std::wstring NativePathText(const std::wstring& path) {
  using UnixName = char*(__cdecl*)(const wchar_t*);
  static const auto unix_name = reinterpret_cast<UnixName>(
      reinterpret_cast<void (*)()>(WineExport(L"kernel32.dll", "wine_get_unix_file_name")));
  // A test's file system has no Unix names.
  if (!unix_name || !Files().OnDisk()) return path;
  char* native = unix_name(win32::ResolvePath(path).c_str());
  if (!native) return path;
  // The name is UTF-8, allocated on the process heap.
  std::wstring text = Utf8ToWide(native);
  ::HeapFree(::GetProcessHeap(), 0, native);
  return text;
}

std::wstring disk::CreateFolderReason(const std::wstring& path) {
  const std::wstring resolved = win32::ResolvePath(path);
  if (::CreateDirectoryW(resolved.c_str(), nullptr)) return {};
  const DWORD error = ::GetLastError();
  const DWORD attributes = ::GetFileAttributesW(resolved.c_str());
  if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return {};
  }
  return SystemMessage(error);
}

// A dangling Unix link in the prefix shows to Windows programs as missing;
// the Linux build names it.
std::wstring DanglingLinkTarget(const std::wstring&) { return {}; }

bool LeadsNowhere(const std::wstring& path) {
  std::wstring resolved = win32::ResolvePath(path);
  while (resolved.size() > 3 && (resolved.back() == L'\\' || resolved.back() == L'/')) {
    resolved.pop_back();
  }
  const DWORD attributes = ::GetFileAttributesW(resolved.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    // Windows: a link of its own shows as a reparse point, its target not
    // found when it is opened.
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    win32::UniqueHandle opened(::CreateFileW(resolved.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                             nullptr));
    const DWORD error = ::GetLastError();
    return !opened.valid() && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND);
  }
  if (::GetLastError() != ERROR_FILE_NOT_FOUND || !RunsUnderWine()) return false;
  // Wine finds the name in its folder but cannot follow it.
  WIN32_FIND_DATAW found;
  const win32::UniqueFind find(::FindFirstFileW(resolved.c_str(), &found));
  return !find.valid() && ::GetLastError() == ERROR_NO_MORE_FILES;
}

}  // namespace copyloom::platform
