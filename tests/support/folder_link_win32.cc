#include <windows.h>

#include "support/folder_link.h"

namespace copyloom::test {

// Wine 8 makes a link here that it then does not follow, and Windows has no
// such links in a user's profile: a folder of its own.
bool MakeFolderLink(const std::wstring& link, const std::wstring& target) {
  return ::CreateDirectoryW(link.c_str(), nullptr) != 0;
}

bool IsLink(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool MakeFileLink(const std::wstring& link, const std::wstring& target) {
  constexpr DWORD kUnprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
  // Wine 8 answers success and makes nothing: only a link that is there counts.
  return ::CreateSymbolicLinkW(link.c_str(), target.c_str(), kUnprivileged) != 0 && IsLink(link);
}

}  // namespace copyloom::test
