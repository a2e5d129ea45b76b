// The steps of the copy, the staged and one-step writes and the sync pass
// on POSIX (new_files.cc puts them together): new files are created
// exclusively and flock'd while written, so that another run's sweep leaves
// them alone; a replacement keeps the mode of the file it replaces; names
// are made durable by syncing their folder, data by syncfs.
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/disk.h"
#include "platform/posix/fd.h"
#include "platform/posix/held_files.h"
#include "platform/posix/path_mapper.h"
#include "platform/posix/posix_file.h"
#include "platform/temp_files.h"

namespace copyloom::platform {
namespace {

using posix::MapPath;
using posix::UniqueFd;

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Removes what we created, keeping errno for the caller's Status.
void Unlink(const std::string& native) {
  const int code = errno;
  unlink(native.c_str());
  errno = code;
}

bool WriteAll(int fd, const char* p, size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// write() of the whole buffer; an injected kWrite fault stops it after
// half of the data, as a full disk would.
bool WriteAllOrFail(int fd, const char* p, size_t size) {
  if (disk::Fails(InnerStep::kWrite)) {
    WriteAll(fd, p, size / 2);
    errno = ENOSPC;
    return false;
  }
  return WriteAll(fd, p, size);
}

// A new file at native, created under the umask and then given the mode
// it takes over (keep >= 0), locked against the sweep of another run.
UniqueFd CreateLocked(const std::string& native, int64_t keep) {
  UniqueFd fd(open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (!fd) return fd;
  if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0 ||
      (keep >= 0 && fchmod(fd.get(), static_cast<mode_t>(keep)) != 0)) {
    Unlink(native);
    return UniqueFd();
  }
  return fd;
}

// The content of in into out, in the kernel where it can (a reflink or a
// server-side copy), else through a buffer; then the source's last-write
// time, and its read-only state as Windows copies that attribute.
bool CopyContent(int in, const struct stat& src, int out) {
  if (disk::Fails(InnerStep::kWrite)) return posix::Refuse(ENOSPC);
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
      if (!WriteAllOrFail(out, buffer.data(), static_cast<size_t>(n))) return false;
    }
  }
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_NOW;
  times[1] = src.st_mtim;
  struct stat now;
  if (posix::IsReadOnlyMode(src.st_mode) &&
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
  if (!S_ISREG(src->st_mode)) return posix::Refuse(EISDIR);
  disk::NoteSourceFailed(false);
  struct stat dst;
  // Copying a file onto itself would only make a second copy of it.
  return !(lstat(to.c_str(), &dst) == 0 && dst.st_dev == src->st_dev && dst.st_ino == src->st_ino);
}

}  // namespace

namespace disk {

bool CheckCopySource(const std::wstring& source, const std::wstring& destination) {
  std::string from, to;
  if (!MapPath(source, &from) || !MapPath(destination, &to)) return false;
  UniqueFd in;
  struct stat src;
  return OpenCopySource(from, to, &in, &src);
}

bool CheckReplaceable(const std::wstring& path, bool no_replace, Replaced* replaced) {
  replaced->keep = -1;
  std::string target;
  if (!MapPath(path, &target)) return false;
  struct stat st;
  if (lstat(target.c_str(), &st) != 0) return errno == ENOENT;
  if (no_replace) return posix::Refuse(EEXIST);
  // A link is replaced as such, never written through.
  if (S_ISLNK(st.st_mode)) return true;
  if (!S_ISREG(st.st_mode) || (st.st_mode & S_IWUSR) == 0) {
    return posix::Refuse(S_ISREG(st.st_mode) ? EACCES : EISDIR);
  }
  replaced->keep = static_cast<int64_t>(st.st_mode & 07777);
  if (posix::IsHeldByWine(target)) return posix::Refuse(EBUSY);
  // Someone holding the file without sharing keeps it.
  UniqueFd fd(open(target.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (fd && flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return false;
  if (fd) replaced->held = std::make_unique<posix::PosixLock>(std::move(fd));
  return true;
}

std::unique_ptr<File> CreateNewFile(const std::wstring& path, const Replaced& replaced) {
  std::string native;
  if (!MapPath(path, &native)) return nullptr;
  UniqueFd fd = CreateLocked(native, replaced.keep);
  if (!fd) return nullptr;
  return std::make_unique<posix::PosixFile>(std::move(fd), path, false, true, true);
}

bool CopyNewFile(const std::wstring& source, const std::wstring& path, const Replaced& replaced,
                 bool writable, std::unique_ptr<File>* file) {
  std::string from, temp;
  if (!MapPath(source, &from) || !MapPath(path, &temp)) return false;
  UniqueFd in;
  struct stat src;
  if (!OpenCopySource(from, temp, &in, &src)) return false;
  UniqueFd out = CreateLocked(temp, replaced.keep);
  if (!out) return false;
  struct stat now;
  const bool ok = CopyContent(in.get(), src, out.get()) &&
                  (!writable || !posix::IsReadOnlyMode(src.st_mode) ||
                   (fstat(out.get(), &now) == 0 &&
                    fchmod(out.get(), (now.st_mode & 07777) | S_IWUSR) == 0));
  if (!ok) {
    Unlink(temp);
    return false;
  }
  *file = std::make_unique<posix::PosixFile>(std::move(out), path, false, true, true);
  return true;
}

bool PutInPlace(const std::wstring& from, const std::wstring& to, bool no_replace,
                std::unique_ptr<File> file) {
  std::string temp, target;
  if (!MapPath(from, &temp) || !MapPath(to, &target)) return false;
  // The file stays open, and locked, until it is in place. A late write
  // error shows at close; fsync has already reported what close could.
  if (!no_replace) return rename(temp.c_str(), target.c_str()) == 0;
  if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the flag: a hard link cannot replace either.
  if (link(temp.c_str(), target.c_str()) != 0) return false;
  unlink(temp.c_str());
  return true;
}

void DiscardNewFile(const std::wstring& path) {
  std::string native;
  if (MapPath(path, &native)) Unlink(native);
}

// A temporary file whose writer died has no lock left on it; one still
// being written has.
void SweepStaleTemps(const std::wstring& path) {
  std::string folder;
  if (!MapPath(path, &folder)) return;
  posix::DirHandle dir(opendir(folder.c_str()));
  if (!dir) return;
  while (dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (!EndsWith(name, temp_files::kSuffix) || name.find(".~") == std::string::npos) continue;
    const std::string temp = folder + "/" + name;
    UniqueFd fd(open(temp.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    if (!fd || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (flock(fd.get(), LOCK_EX | LOCK_NB) == 0) unlink(temp.c_str());
  }
}

bool SyncFileAt(const std::wstring& path, std::vector<uint64_t>* synced) {
  // One sync of the file system holding them all, rather than one per
  // file: the pass that makes a terminal's staged files durable.
  std::string native;
  if (!MapPath(path, &native)) return false;
  UniqueFd fd(open(native.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat st;
  if (!fd || fstat(fd.get(), &st) != 0) return false;
  const uint64_t device = static_cast<uint64_t>(st.st_dev);
  if (std::find(synced->begin(), synced->end(), device) != synced->end()) return true;
  synced->push_back(device);
  return syncfs(fd.get()) == 0;
}

bool SyncFolder(const std::wstring& path) {
  std::string folder;
  if (!MapPath(path, &folder)) return false;
  UniqueFd fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd && errno == ENOENT) return true;
  return fd && fsync(fd.get()) == 0;
}

}  // namespace disk
}  // namespace copyloom::platform
