// Drives: the real ones, or exactly the letters of a test drive table.
#include <windows.h>

#include "platform/platform.h"
#include "platform/test_hooks.h"

namespace copyloom::platform {

std::wstring LogicalDriveStrings() {
  if (const auto* table = hooks::DriveTable()) {
    std::wstring out;
    for (const auto& entry : *table) {
      out += entry.first;
      out += L":\\";
      out += L'\0';
    }
    return out;
  }
  std::wstring buffer(256, L'\0');
  for (;;) {
    DWORD n = ::GetLogicalDriveStringsW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (n == 0) return std::wstring();
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    // Too small: n is the size needed, terminator included.
    buffer.assign(n + 1, L'\0');
  }
}

int DriveType(const std::wstring& root) {
  if (const auto* table = hooks::DriveTable()) {
    if (root.size() < 2 || root[1] != L':') return DRIVE_NO_ROOT_DIR;
    if (root.size() > 3 || (root.size() == 3 && root[2] != L'\\' && root[2] != L'/')) {
      return DRIVE_NO_ROOT_DIR;
    }
    wchar_t letter = root[0];
    if (letter >= L'a' && letter <= L'z') letter = letter - L'a' + L'A';
    return table->count(letter) ? kDriveFixed : DRIVE_NO_ROOT_DIR;
  }
  std::wstring native = root;
  for (auto& c : native) {
    if (c == L'/') c = L'\\';
  }
  return static_cast<int>(::GetDriveTypeW(native.c_str()));
}

}  // namespace copyloom::platform
