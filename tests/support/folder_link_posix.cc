#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"
#include "support/folder_link.h"

namespace copyloom::test {

bool MakeFolderLink(const std::wstring& link, const std::wstring& target) {
  return symlink(platform::WideToUtf8(target).c_str(), platform::WideToUtf8(link).c_str()) == 0;
}

bool MakeFileLink(const std::wstring& link, const std::wstring& target) {
  return MakeFolderLink(link, target);
}

bool IsLink(const std::wstring& path) {
  struct stat st;
  return lstat(platform::WideToUtf8(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace copyloom::test
