#include <windows.h>

#include "support/folder_link.h"

namespace copyloom::test {

bool MakeFolderLink(const std::wstring& link, const std::wstring& target) {
  if (::CreateSymbolicLinkW(
          link.c_str(), target.c_str(),
          SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE)) {
    return true;
  }
  return ::CreateDirectoryW(link.c_str(), nullptr) != 0;
}

}  // namespace copyloom::test
