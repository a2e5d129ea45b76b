// The Linux build always stands inside a Wine prefix: paths map to native
// files, and the reasons are the C library's.
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/platform.h"
#include "platform/posix/path_mapper.h"
#include "platform/test_hooks.h"
#include "platform/disk.h"
#include "platform/file_system.h"

namespace copyloom::platform {

bool RunsUnderWine() { return hooks::UnderWine().value_or(true); }

std::wstring NativePathText(const std::wstring& path) {
  if (!Files().OnDisk()) return path;
  std::string native;
  if (!posix::MapPath(path, &native)) return path;
  return posix::NativeToWide(native);
}

std::wstring disk::CreateFolderReason(const std::wstring& path) {
  std::string native;
  if (!posix::MapPath(path, &native)) return L"no such drive";
  if (mkdir(native.c_str(), 0777) == 0) return {};
  const int error = errno;
  struct stat st;
  if (error == EEXIST && stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return {};
  return Utf8ToWide(std::strerror(error == EEXIST ? ENOTDIR : error));
}

std::wstring DanglingLinkTarget(const std::wstring& path) {
  if (!Files().OnDisk()) return {};
  std::string native;
  if (!posix::MapPath(path, &native)) return {};
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  struct stat st;
  if (lstat(native.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return {};
  if (stat(native.c_str(), &st) == 0 || errno != ENOENT) return {};
  char target[PATH_MAX];
  const ssize_t n = readlink(native.c_str(), target, sizeof target);
  if (n <= 0) return {};
  return posix::NativeToWide(std::string(target, static_cast<size_t>(n)));
}

bool LeadsNowhere(const std::wstring& path) { return !DanglingLinkTarget(path).empty(); }

}  // namespace copyloom::platform
