#include <unistd.h>

#include "platform/platform.h"
#include "support/folder_link.h"

namespace copyloom::test {

bool MakeFolderLink(const std::wstring& link, const std::wstring& target) {
  return symlink(platform::WideToUtf8(target).c_str(), platform::WideToUtf8(link).c_str()) == 0;
}

}  // namespace copyloom::test
