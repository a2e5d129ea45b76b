// What a dry run foretells of a write: permission, a read-only mount, free
// space. Asked of the nearest part of the path that exists, as the write
// would meet it.
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

#include "platform/disk.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/posix/path_mapper.h"
#include "platform/test_hooks.h"

namespace copyloom::platform {
namespace {

// The path itself when it exists, else its nearest existing folder.
std::string NearestExisting(std::string native, bool* is_self) {
  *is_self = true;
  while (access(native.c_str(), F_OK) != 0) {
    *is_self = false;
    const size_t slash = native.rfind('/');
    if (slash == std::string::npos || slash == 0) return "/";
    native.resize(slash);
  }
  return native;
}

std::string FolderOf(const std::string& native) {
  const size_t slash = native.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : native.substr(0, slash);
}

Status Failed(const std::wstring& path, int code) {
  return Status(KindOfSystemError(static_cast<unsigned long>(code)), path,
                SystemErrorText(static_cast<unsigned long>(code)));
}

}  // namespace

Status disk::CheckCanWrite(const std::wstring& path) {
  std::string native;
  if (!posix::MapPath(path, &native)) return Status(FailureKind::kNameNotAllowed, path);
  bool is_self = false;
  const std::string existing = NearestExisting(native, &is_self);
  struct statvfs vfs;
  if (statvfs(existing.c_str(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY) != 0) {
    return Failed(path, EROFS);
  }
  // A file is replaced by a new one beside it: its folder must take names;
  // a folder takes them itself.
  struct stat st;
  const bool folder_itself = is_self && stat(existing.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  if (folder_itself) is_self = false;
  const std::string folder = is_self ? FolderOf(existing) : existing;
  if (access(folder.c_str(), W_OK | X_OK) != 0) return Failed(path, errno);
  if (is_self && access(existing.c_str(), W_OK) != 0) return Failed(path, errno);
  return {};
}

Status disk::CheckFreeSpace(const std::wstring& folder, uint64_t bytes) {
  if (bytes == 0) return {};
  std::string native;
  if (!posix::MapPath(folder, &native)) return Status(FailureKind::kNameNotAllowed, folder);
  bool is_self = false;
  struct statvfs vfs;
  if (statvfs(NearestExisting(native, &is_self).c_str(), &vfs) != 0) return {};
  const uint64_t free = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
  if (free < bytes) return Failed(folder, ENOSPC);
  return {};
}

}  // namespace copyloom::platform
