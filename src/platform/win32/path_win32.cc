#include "platform/win32/path_win32.h"

#include <algorithm>

#include "platform/test_hooks.h"
#include "platform/wildcard.h"

namespace copyloom::platform::win32 {
namespace {

std::wstring WithBackslashes(std::wstring path) {
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

std::wstring WithoutTrailingSeparators(std::wstring path) {
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

// Both arguments use "\"; base has no trailing separator.
bool IsInside(const std::wstring& path, const std::wstring& base) {
  if (base.empty() || path.size() < base.size()) return false;
  if (!EqualsIgnoreCase(std::wstring_view(path).substr(0, base.size()), base)) return false;
  return path.size() == base.size() || path[base.size()] == L'\\';
}

const std::wstring& RealTempFolder() {
  // The tests' own folders live here; it does not change while we run.
  static const std::wstring folder = [] {
    wchar_t buffer[MAX_PATH + 1];
    DWORD n = ::GetTempPathW(MAX_PATH + 1, buffer);
    if (n == 0 || n > MAX_PATH) return std::wstring();
    return WithoutTrailingSeparators(std::wstring(buffer, n));
  }();
  return folder;
}

}  // namespace

std::wstring ResolvePath(const std::wstring& path) {
  std::wstring out = WithBackslashes(path);
  const auto* table = hooks::DriveTable();
  if (table == nullptr || out.size() < 2 || out[1] != L':') return out;
  if (out.size() > 2 && out[2] != L'\\') return out;  // "C:rel" is not a drive path
  wchar_t letter = out[0];
  if (letter >= L'a' && letter <= L'z') letter = letter - L'a' + L'A';
  auto found = table->find(letter);
  if (found == table->end()) return out;

  if (IsInside(out, RealTempFolder())) return out;
  for (const auto& entry : *table) {
    if (IsInside(out, WithoutTrailingSeparators(WithBackslashes(entry.second)))) return out;
  }
  return WithoutTrailingSeparators(WithBackslashes(found->second)) + out.substr(2);
}

int64_t FromFileTime(const FILETIME& time) {
  return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) |
                              time.dwLowDateTime);
}

FILETIME ToFileTime(int64_t time) {
  FILETIME out;
  out.dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(time) & 0xFFFFFFFFu);
  out.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(time) >> 32);
  return out;
}

bool IsLinkReparseTag(DWORD tag) {
  return tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT;
}

}  // namespace copyloom::platform::win32
