#include <windows.h>

#include "support/folder_link.h"

namespace copyloom::test {

// Wine 8 makes a link here that it then does not follow, and Windows has no
// such links in a user's profile: a folder of its own.
bool MakeFolderLink(const std::wstring& link, const std::wstring& target) {
  return ::CreateDirectoryW(link.c_str(), nullptr) != 0;
}

}  // namespace copyloom::test
