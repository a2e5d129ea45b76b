// Version resources through the version library.
#include <windows.h>

#include <cwchar>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/path_win32.h"

namespace copyloom::platform {

bool ReadFileVersions(const std::wstring& path, std::vector<std::wstring>* versions) {
  versions->clear();
  const std::wstring native = win32::ResolvePath(path);
  DWORD ignored = 0;
  DWORD size = ::GetFileVersionInfoSizeW(native.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<BYTE> block(size);
  if (!::GetFileVersionInfoW(native.c_str(), 0, size, block.data())) return false;

  struct Translation {
    WORD language;
    WORD code_page;
  };
  void* table = nullptr;
  UINT table_size = 0;
  if (!::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &table, &table_size) ||
      table == nullptr) {
    return true;  // a resource without translations names no version
  }
  const auto* pairs = static_cast<const Translation*>(table);
  const size_t count = table_size / sizeof(Translation);
  for (size_t i = 0; i < count; ++i) {
    wchar_t query[64];
    std::swprintf(query, 64, L"\\StringFileInfo\\%04x%04x\\FileVersion", pairs[i].language,
                  pairs[i].code_page);
    void* value = nullptr;
    UINT length = 0;
    std::wstring version;
    if (::VerQueryValueW(block.data(), query, &value, &length) && value != nullptr) {
      // length counts characters and may include the terminator.
      const auto* text = static_cast<const wchar_t*>(value);
      version.assign(text, ::wcsnlen(text, length));
    }
    versions->push_back(std::move(version));
  }
  return true;
}

}  // namespace copyloom::platform
