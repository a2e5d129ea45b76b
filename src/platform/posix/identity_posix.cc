#include <sys/stat.h>

#include <string>

#include "platform/platform.h"
#include "platform/posix/path_mapper.h"

namespace copyloom::platform {

bool IsSameFileObject(const std::wstring& a, const std::wstring& b) {
  std::string native_a, native_b;
  if (!posix::MapPath(a, &native_a) || !posix::MapPath(b, &native_b)) return false;
  struct stat sa, sb;
  if (stat(native_a.c_str(), &sa) != 0 || stat(native_b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace copyloom::platform
