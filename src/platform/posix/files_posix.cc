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
#include "platform/posix/one_step_write.h"
#include "platform/posix/path_mapper.h"
#include "platform/test_hooks.h"
#include "platform/wildcard.h"

namespace copyloom::platform {
namespace {

using posix::MapPath;
using posix::UniqueFd;

bool IsReadOnlyMode(mode_t mode) { return (mode & S_IWUSR) == 0; }

// A refusal of our own, said as the system would say it.
bool Refuse(int code) {
  errno = code;
  return false;
}

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

bool WriteAll(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = write(fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

class PosixFile : public File {
 public:
  PosixFile(UniqueFd fd, bool can_read, bool can_write)
      : fd_(std::move(fd)), can_read_(can_read), can_write_(can_write) {}

  bool Read(void* buffer, size_t size, size_t* read) override {
    *read = 0;
    if (!can_read_) return false;
    while (true) {
      ssize_t n = ::read(fd_.get(), buffer, size);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      *read = static_cast<size_t>(n);
      return true;
    }
  }

  bool Write(const void* data, size_t size) override {
    return can_write_ && WriteAll(fd_.get(), data, size);
  }

  bool Seek(uint64_t offset) override {
    return lseek(fd_.get(), static_cast<off_t>(offset), SEEK_SET) >= 0;
  }

  int64_t Size() override {
    struct stat st;
    if (fstat(fd_.get(), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
  }

  bool Sync() override { return hooks::SkipSync() || fdatasync(fd_.get()) == 0; }

 private:
  UniqueFd fd_;
  bool can_read_;
  bool can_write_;
};

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

namespace {

// The content of in into out, in the kernel where it can (a reflink or a
// server-side copy), else through a buffer; then the source's last-write
// time, and its read-only state as Windows copies that attribute.
bool CopyContent(int in, const struct stat& src, int out) {
  if (disk::Fails(InnerStep::kWrite)) {
    errno = ENOSPC;
    return false;
  }
  bool fallback = false;
  for (;;) {
    ssize_t n = copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) return false;
      fallback = true;
    }
    if (n <= 0) break;
  }
  if (fallback) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
      ssize_t n = read(in, buffer.data(), buffer.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      if (n == 0) break;
      if (!posix::WriteAllOrFail(out, buffer.data(), static_cast<size_t>(n))) return false;
    }
  }
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_NOW;
  times[1] = src.st_mtim;
  struct stat now;
  if (IsReadOnlyMode(src.st_mode) &&
      (fstat(out, &now) != 0 || fchmod(out, now.st_mode & 07555) != 0)) {
    return false;
  }
  return futimens(out, times) == 0;
}

// The source of a copy, opened: a regular file that is not the destination.
bool OpenCopySource(const std::string& from, const std::string& to, UniqueFd* in,
                    struct stat* src) {
  *in = UniqueFd(open(from.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  disk::NoteSourceFailed(true);
  if (!*in) return false;
  if (fstat(in->get(), src) != 0) return false;
  if (!S_ISREG(src->st_mode)) return Refuse(EISDIR);
  disk::NoteSourceFailed(false);
  struct stat dst;
  // Copying a file onto itself would only make a second copy of it.
  return !(lstat(to.c_str(), &dst) == 0 && dst.st_dev == src->st_dev && dst.st_ino == src->st_ino);
}

}  // namespace

bool CopyOneFile(const std::wstring& source, const std::wstring& destination, bool fail_if_exists) {
  std::string from, to;
  if (!MapPath(source, &from) || !MapPath(destination, &to)) return false;
  UniqueFd in;
  struct stat src;
  if (!OpenCopySource(from, to, &in, &src)) return false;
  return posix::WriteInOneStep(to, fail_if_exists,
                               [&](int out) { return CopyContent(in.get(), src, out); });
}

bool WriteInOneStep(const std::wstring& path, const std::string& bytes) {
  std::string native;
  if (!MapPath(path, &native)) return false;
  return posix::WriteInOneStep(native, false, [&](int out) {
    return posix::WriteAllOrFail(out, bytes.data(), bytes.size());
  });
}

bool CanReplaceFile(const std::wstring& path) {
  std::string native;
  int kept_mode = -1;
  return MapPath(path, &native) && posix::CheckReplaceable(native, false, &kept_mode, nullptr);
}

bool StageCopy(const std::wstring& source, const std::wstring& destination,
               const std::wstring& staged) {
  std::string from, to, temp;
  if (!MapPath(source, &from) || !MapPath(destination, &to) || !MapPath(staged, &temp)) {
    return false;
  }
  UniqueFd in;
  struct stat src;
  if (!OpenCopySource(from, to, &in, &src)) return false;
  // A staged copy never keeps a read-only mode, on both builds: the
  // Windows flush before the commit could not open it.
  return posix::StageBeside(to, temp, [&](int out) {
    struct stat now;
    return CopyContent(in.get(), src, out) &&
           (!IsReadOnlyMode(src.st_mode) ||
            (fstat(out, &now) == 0 && fchmod(out, (now.st_mode & 07777) | S_IWUSR) == 0));
  });
}

bool StageBytes(const std::string& bytes, const std::wstring& destination,
                const std::wstring& staged) {
  std::string to, temp;
  if (!MapPath(destination, &to) || !MapPath(staged, &temp)) return false;
  return posix::StageBeside(
      to, temp, [&](int out) { return posix::WriteAllOrFail(out, bytes.data(), bytes.size()); });
}

bool SyncPass(const std::vector<std::wstring>& paths) {
  // One sync of the file system holding them all, rather than one per file:
  // the pass that makes a terminal's staged files durable before its commit.
  bool ok = true;
  std::vector<dev_t> synced;
  for (const std::wstring& path : paths) {
    std::string native;
    if (!MapPath(path, &native)) return false;
    UniqueFd fd(open(native.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st;
    if (!fd || fstat(fd.get(), &st) != 0) return false;
    if (std::find(synced.begin(), synced.end(), st.st_dev) != synced.end()) continue;
    synced.push_back(st.st_dev);
    ok = syncfs(fd.get()) == 0 && ok;
  }
  return ok;
}

bool SyncFolders(const std::vector<std::wstring>& paths) {
  bool ok = true;
  std::vector<std::string> synced;
  for (const std::wstring& path : paths) {
    std::string native;
    if (!MapPath(path, &native)) return false;
    const size_t slash = native.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : slash == 0 ? "/" : native.substr(0, slash);
    if (std::find(synced.begin(), synced.end(), folder) != synced.end()) continue;
    synced.push_back(folder);
    UniqueFd fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // A folder that is not there holds no name to make durable.
    if (!fd && errno == ENOENT) continue;
    ok = fd && fsync(fd.get()) == 0 && ok;
  }
  return ok;
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

std::unique_ptr<File> OpenFile(const std::wstring& path, OpenMode mode) {
  const bool reading = mode == OpenMode::kReadShareAll || mode == OpenMode::kReadShareRead;
  std::string native;
  if (!MapPath(path, &native)) return nullptr;
  struct stat st;
  const bool exists = stat(native.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode) && mode != OpenMode::kWriteShareAll) return nullptr;
  const bool writes = mode == OpenMode::kWriteTruncate || mode == OpenMode::kWriteAppend ||
                      mode == OpenMode::kReadWrite;
  if (writes && exists && IsReadOnlyMode(st.st_mode)) return nullptr;

  int flags = O_CLOEXEC;
  // Windows sharing, approximated with advisory flock locks: "no sharing" is
  // an exclusive lock, "others may read" a shared one. Only other flock
  // users see them (our own handles, other copies of this program); Wine
  // and native programs do not, hence the extra test in IsFileInUse.
  int lock = 0;
  switch (mode) {
    case OpenMode::kReadShareAll:
      flags |= O_RDONLY;
      break;
    case OpenMode::kReadShareRead:
      flags |= O_RDONLY;
      lock = LOCK_SH;
      break;
    case OpenMode::kWriteTruncate:
      flags |= O_WRONLY | O_CREAT;
      lock = LOCK_EX;
      break;
    case OpenMode::kWriteAppend:
      flags |= O_WRONLY | O_CREAT | O_APPEND;
      lock = LOCK_EX;
      break;
    case OpenMode::kReadWrite:
      flags |= O_RDWR;
      lock = LOCK_SH;
      break;
    case OpenMode::kWriteShareAll:
      flags |= O_RDONLY;
      break;
  }
  // Without blocking: a FIFO planted in a terminal folder would wait for a
  // writer for ever. Only what fstat calls a regular file is kept.
  UniqueFd fd(open(native.c_str(), flags | O_NONBLOCK, 0666));
  if (!fd) return nullptr;
  struct stat opened;
  if (fstat(fd.get(), &opened) != 0) return nullptr;
  const bool folder_times = mode == OpenMode::kWriteShareAll && S_ISDIR(opened.st_mode);
  if (!S_ISREG(opened.st_mode) && !folder_times) return nullptr;
  fcntl(fd.get(), F_SETFL, fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  if (lock && flock(fd.get(), lock | LOCK_NB) != 0) return nullptr;
  if (mode == OpenMode::kReadShareAll) {
    // Shares everything, but a writer that shares nothing still keeps it.
    if (flock(fd.get(), LOCK_SH | LOCK_NB) != 0) return nullptr;
    flock(fd.get(), LOCK_UN);
  }
  // Truncate only once the lock is ours, so a held file is never emptied.
  if (mode == OpenMode::kWriteTruncate && ftruncate(fd.get(), 0) != 0) return nullptr;
  const bool can_read = reading || mode == OpenMode::kReadWrite;
  const bool can_write = writes;
  return std::make_unique<PosixFile>(std::move(fd), can_read, can_write);
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

namespace {

class PosixLock : public FileLock {
 public:
  explicit PosixLock(UniqueFd fd) : fd_(std::move(fd)) {}

 private:
  UniqueFd fd_;
};

}  // namespace

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
  return std::make_unique<PosixLock>(std::move(fd));
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
