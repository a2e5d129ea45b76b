// File primitives on POSIX, behaving as the same calls do on Windows (and
// under Wine): read-only files are neither written nor deleted, even by
// root, and a copy keeps the source's attributes and last-write time.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/disk.h"
#include "platform/path_rules.h"
#include "platform/platform.h"
#include "platform/posix/dir_entries.h"
#include "platform/posix/fd.h"
#include "platform/posix/held_files.h"
#include "platform/posix/in_use.h"
#include "platform/posix/path_mapper.h"
#include "platform/posix/posix_file.h"
#include "platform/test_hooks.h"
#include "platform/wildcard.h"

namespace copyloom::platform {
namespace {

using posix::IsReadOnlyMode;
using posix::MapPath;
using posix::Refuse;
using posix::UniqueFd;

int64_t ToFileTime(const struct timespec& ts) {
  return kFileTimeAtUnixEpoch + static_cast<int64_t>(ts.tv_sec) * kFileTimeTicksPerSecond +
         ts.tv_nsec / 100;
}

struct timespec FromFileTime(int64_t filetime) {
  int64_t ticks = filetime - kFileTimeAtUnixEpoch;
  int64_t seconds = ticks / kFileTimeTicksPerSecond;
  int64_t rest = ticks % kFileTimeTicksPerSecond;
  if (rest < 0) {
    rest += kFileTimeTicksPerSecond;
    --seconds;
  }
  struct timespec ts;
  ts.tv_sec = static_cast<time_t>(seconds);
  ts.tv_nsec = static_cast<long>(rest * 100);
  return ts;
}

}  // namespace

namespace disk {

FileAttributes QueryAttributes(const std::wstring& path) {
  FileAttributes attributes;
  std::string native;
  if (!MapPath(path, &native)) return attributes;
  struct stat st;
  if (lstat(native.c_str(), &st) != 0) return attributes;
  attributes.exists = true;
  if (S_ISLNK(st.st_mode)) {
    attributes.is_link = true;
    struct stat target;
    attributes.is_folder = stat(native.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
    return attributes;
  }
  attributes.is_folder = S_ISDIR(st.st_mode);
  attributes.read_only = IsReadOnlyMode(st.st_mode);
  return attributes;
}

bool SetReadOnly(const std::wstring& path, bool read_only) {
  std::string native;
  if (!MapPath(path, &native)) return false;
  struct stat st;
  if (stat(native.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  mode = read_only ? (mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
  return chmod(native.c_str(), mode) == 0;
}

bool CreateOneFolder(const std::wstring& path) {
  std::string native;
  if (!MapPath(path, &native)) return false;
  return mkdir(native.c_str(), 0777) == 0;
}

bool RemoveEmptyFolder(const std::wstring& path) {
  std::string native;
  if (!MapPath(path, &native)) return false;
  struct stat st;
  if (lstat(native.c_str(), &st) != 0) return false;
  // A link to a folder is removed as the link, like a junction on Windows.
  if (S_ISLNK(st.st_mode)) return unlink(native.c_str()) == 0;
  return S_ISDIR(st.st_mode) && rmdir(native.c_str()) == 0;
}

bool RemoveOneFile(const std::wstring& path) {
  std::string native;
  if (!MapPath(path, &native)) return false;
  if (posix::IsHeldByWine(native)) return Refuse(EBUSY);
  struct stat st;
  if (lstat(native.c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) return Refuse(EISDIR);
  if (!S_ISLNK(st.st_mode) && IsReadOnlyMode(st.st_mode)) return Refuse(EACCES);
  return unlink(native.c_str()) == 0;
}

bool RenameOverFile(const std::wstring& from, const std::wstring& to) {
  std::string a, b;
  if (!MapPath(from, &a) || !MapPath(to, &b)) return false;
  struct stat st;
  if (lstat(a.c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) return Refuse(EISDIR);
  if (lstat(b.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return Refuse(EISDIR);
    if (!S_ISLNK(st.st_mode) && IsReadOnlyMode(st.st_mode)) return Refuse(EACCES);
  }
  return rename(a.c_str(), b.c_str()) == 0;
}

bool ListEntries(const std::wstring& folder, const std::wstring& pattern,
                 std::vector<DirEntry>* entries) {
  entries->clear();
  std::string native;
  if (!MapPath(folder, &native)) return false;
  const UniqueFd dir(open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  std::vector<posix::NativeEntry> found;
  if (!dir || !posix::ReadDirEntries(dir.get(), pattern, &found)) return false;
  entries->reserve(found.size());
  for (auto& one : found) entries->push_back(std::move(one.entry));
  return true;
}

}  // namespace disk

namespace {

// The open flags and the flock lock of a mode. Windows sharing is
// approximated with advisory flock locks: "no sharing" is an exclusive
// lock, "others may read" a shared one. Only other flock users see them
// (our own handles, other copies of this program); Wine and native
// programs do not, hence the extra test in IsFileInUse.
struct OpenWay {
  int flags = O_CLOEXEC;
  int lock = 0;
};

OpenWay WayOf(OpenMode mode) {
  OpenWay way;
  switch (mode) {
    case OpenMode::kReadShareAll:
    case OpenMode::kWriteShareAll:
      way.flags |= O_RDONLY;
      break;
    case OpenMode::kReadShareRead:
      way.flags |= O_RDONLY;
      way.lock = LOCK_SH;
      break;
    case OpenMode::kWriteTruncate:
      way.flags |= O_WRONLY | O_CREAT;
      way.lock = LOCK_EX;
      break;
    case OpenMode::kWriteAppend:
      way.flags |= O_WRONLY | O_CREAT | O_APPEND;
      way.lock = LOCK_EX;
      break;
    case OpenMode::kReadWrite:
      way.flags |= O_RDWR;
      way.lock = LOCK_SH;
      break;
  }
  return way;
}

bool Writes(OpenMode mode) {
  return mode == OpenMode::kWriteTruncate || mode == OpenMode::kWriteAppend ||
         mode == OpenMode::kReadWrite;
}

// What is at native may be opened in mode: a folder only for its times, a
// read-only file not for writing.
bool MayOpen(const std::string& native, OpenMode mode) {
  struct stat st;
  if (stat(native.c_str(), &st) != 0) return true;
  if (S_ISDIR(st.st_mode) && mode != OpenMode::kWriteShareAll) return false;
  return !(Writes(mode) && IsReadOnlyMode(st.st_mode));
}

// The locks of mode taken on fd, and a truncation only once they are ours,
// so that a held file is never emptied.
bool TakeLocks(int fd, OpenMode mode, int lock) {
  if (lock && flock(fd, lock | LOCK_NB) != 0) return false;
  if (mode == OpenMode::kReadShareAll) {
    // Shares everything, but a writer that shares nothing still keeps it.
    if (flock(fd, LOCK_SH | LOCK_NB) != 0) return false;
    flock(fd, LOCK_UN);
  }
  return mode != OpenMode::kWriteTruncate || ftruncate(fd, 0) == 0;
}

}  // namespace

namespace disk {

std::unique_ptr<File> OpenFile(const std::wstring& path, OpenMode mode) {
  std::string native;
  if (!MapPath(path, &native) || !MayOpen(native, mode)) return nullptr;
  const OpenWay way = WayOf(mode);
  // Without blocking: a FIFO planted in a terminal folder would wait for a
  // writer for ever. Only what fstat calls a regular file is kept.
  UniqueFd fd(open(native.c_str(), way.flags | O_NONBLOCK, 0666));
  if (!fd) return nullptr;
  struct stat opened;
  if (fstat(fd.get(), &opened) != 0) return nullptr;
  const bool folder_times = mode == OpenMode::kWriteShareAll && S_ISDIR(opened.st_mode);
  if (!S_ISREG(opened.st_mode) && !folder_times) return nullptr;
  fcntl(fd.get(), F_SETFL, fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  if (!TakeLocks(fd.get(), mode, way.lock)) return nullptr;
  const bool reading = mode == OpenMode::kReadShareAll || mode == OpenMode::kReadShareRead;
  return std::make_unique<posix::PosixFile>(std::move(fd), path,
                                            reading || mode == OpenMode::kReadWrite, Writes(mode));
}

bool IsFileInUse(const std::wstring& path) {
  std::string native;
  if (!MapPath(path, &native)) return false;
  struct stat st;
  if (stat(native.c_str(), &st) != 0) return false;
  if (!S_ISREG(st.st_mode)) return false;
  // A file we may not write (mode 0444, a read-only mount, another owner) is
  // no sign of a holder: only a lock, Wine's own handles or a running
  // program are. flock takes an exclusive lock through a read-only handle.
  UniqueFd fd(open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd && flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return true;
  return posix::IsHeldByWine(native) || posix::IsExecutableRunning(native);
}

std::unique_ptr<FileLock> TryLockFile(const std::wstring& path, bool* busy) {
  *busy = false;
  std::string native;
  if (!MapPath(path, &native)) return nullptr;
  UniqueFd fd(open(native.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
  if (!fd) return nullptr;
  // flock keeps out the other handles of this process and other copies of
  // this build; the record lock keeps out Wine, which maps a Windows byte
  // lock to one (and gives each process one record lock per file).
  struct flock record = {};
  record.l_type = F_WRLCK;
  record.l_whence = SEEK_SET;
  record.l_start = 0;
  record.l_len = 1;
  if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0 || fcntl(fd.get(), F_SETLK, &record) != 0) {
    *busy = errno == EWOULDBLOCK || errno == EAGAIN || errno == EACCES;
    return nullptr;
  }
  return std::make_unique<posix::PosixLock>(std::move(fd));
}

bool GetFileTimes(const std::wstring& path, FileTimes* times) {
  std::string native;
  if (!MapPath(path, &native)) return false;
  struct statx sx;
  if (statx(AT_FDCWD, native.c_str(), 0, STATX_BASIC_STATS, &sx) != 0) {
    return false;
  }
  auto convert = [](const struct statx_timestamp& t) {
    struct timespec ts;
    ts.tv_sec = static_cast<time_t>(t.tv_sec);
    ts.tv_nsec = static_cast<long>(t.tv_nsec);
    return ToFileTime(ts);
  };
  times->last_access = convert(sx.stx_atime);
  times->last_write = convert(sx.stx_mtime);
  // Wine reports the last-write time as a file's creation time: so do we,
  // so that both builds stamp the same time on a new settings file.
  times->creation = times->last_write;
  return true;
}

bool SetFileTimeOf(const std::wstring& path, TimeKind kind, int64_t filetime) {
  std::string native;
  if (!MapPath(path, &native)) return false;
  struct stat st;
  if (stat(native.c_str(), &st) != 0) return false;
  if (kind == TimeKind::kCreation) return true;  // POSIX cannot set it
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = 0;
  times[0].tv_nsec = times[1].tv_nsec = UTIME_OMIT;
  times[kind == TimeKind::kLastAccess ? 0 : 1] = FromFileTime(filetime);
  return utimensat(AT_FDCWD, native.c_str(), times, 0) == 0;
}

}  // namespace disk

uint32_t CurrentProcessId() { return static_cast<uint32_t>(getpid()); }

}  // namespace copyloom::platform
