// Settings files through the system's own profile functions.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/path_win32.h"

namespace copyloom::platform {
namespace {

// Without a folder the profile functions look in the Windows folder; the
// product means the current one.
std::wstring ProfilePath(const std::wstring& file) {
  std::wstring native = win32::ResolvePath(file);
  if (native.find(L'\\') == std::wstring::npos && native.find(L':') == std::wstring::npos) {
    native.insert(0, L".\\");
  }
  return native;
}

}  // namespace

std::wstring ProfileRead(const std::wstring& file, const std::wstring& section,
                         const std::wstring& key) {
  const std::wstring native = ProfilePath(file);
  // A value longer than the buffer comes back cut to size - 1 characters
  // (Wine may stop a character earlier still): grow until it stops filling.
  DWORD size = 4096;
  constexpr DWORD kLimit = 64u << 20;
  for (;;) {
    std::wstring buffer(size, L'\0');
    DWORD n = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer.data(), size,
                                         native.c_str());
    if (n + 2 < size || size >= kLimit) {
      buffer.resize(n < size ? n : size - 1);
      return buffer;
    }
    size *= 4;
  }
}

bool ProfileWrite(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                  const std::wstring& value) {
  return ::WritePrivateProfileStringW(section.c_str(), key.c_str(), value.c_str(),
                                      ProfilePath(file).c_str()) != 0;
}

}  // namespace copyloom::platform
