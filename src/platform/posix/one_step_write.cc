#include "platform/posix/one_step_write.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/fd.h"
#include "platform/posix/held_files.h"
#include "platform/temp_files.h"
#include "platform/test_hooks.h"
#include "platform/disk.h"

namespace copyloom::platform::posix {
namespace {

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

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// A temporary file whose writer died has no lock left on it; one still
// being written has.
void SweepStaleTemps(const std::string& folder) {
  DirHandle dir(opendir(folder.c_str()));
  if (!dir) return;
  while (dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (!EndsWith(name, temp_files::kSuffix) || name.find(".~") == std::string::npos) continue;
    const std::string path = folder + "/" + name;
    UniqueFd fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st;
    if (!fd || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (flock(fd.get(), LOCK_EX | LOCK_NB) == 0) unlink(path.c_str());
  }
}

bool PutInPlace(const std::string& temp, const std::string& target, bool no_replace) {
  if (disk::Fails(InnerStep::kReplace)) return false;
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

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Writes a new file at temp: created under the umask, then given the mode
// of the file it replaces (kept_mode >= 0). Locked while it is written, so
// that another run's sweep leaves it alone. Removed again on failure.
bool WriteNewFile(const std::string& temp, int kept_mode, bool sync,
                  const std::function<bool(int fd)>& fill, UniqueFd* out) {
  UniqueFd fd(open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (!fd) return false;
  bool ok = flock(fd.get(), LOCK_EX | LOCK_NB) == 0 &&
            (kept_mode < 0 || fchmod(fd.get(), static_cast<mode_t>(kept_mode)) == 0) &&
            fill(fd.get()) && (!sync || hooks::SkipSync() || fsync(fd.get()) == 0);
  if (!ok) {
    const int code = errno;
    unlink(temp.c_str());
    errno = code;
    return false;
  }
  *out = std::move(fd);
  return true;
}

}  // namespace

bool CheckReplaceable(const std::string& target, bool no_replace, int* kept_mode, UniqueFd* held) {
  *kept_mode = -1;
  struct stat st;
  if (lstat(target.c_str(), &st) != 0) return errno == ENOENT;
  if (no_replace) {
    errno = EEXIST;
    return false;
  }
  // A link is replaced as such, never written through.
  if (S_ISLNK(st.st_mode)) return true;
  if (!S_ISREG(st.st_mode) || (st.st_mode & S_IWUSR) == 0) {
    errno = S_ISREG(st.st_mode) ? EACCES : EISDIR;
    return false;
  }
  *kept_mode = static_cast<int>(st.st_mode & 07777);
  if (IsHeldByWine(target)) {
    errno = EBUSY;
    return false;
  }
  // Someone holding the file without sharing keeps it.
  UniqueFd fd(open(target.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (fd && flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return false;
  if (held) *held = std::move(fd);
  return true;
}

bool WriteAllOrFail(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  if (disk::Fails(InnerStep::kWrite)) {
    WriteAll(fd, p, size / 2);
    errno = ENOSPC;
    return false;
  }
  return WriteAll(fd, p, size);
}

bool WriteInOneStep(const std::string& target, bool no_replace,
                    const std::function<bool(int fd)>& fill) {
  int kept_mode = -1;
  // The lock is kept until the new file is in place.
  UniqueFd held;
  if (!CheckReplaceable(target, no_replace, &kept_mode, &held)) return false;
  const std::string folder = FolderOf(target);
  if (temp_files::FirstWriteInto(folder)) SweepStaleTemps(folder);

  const std::string temp = target + temp_files::NextSuffix(static_cast<uint32_t>(getpid()));
  UniqueFd fd;
  if (!WriteNewFile(temp, kept_mode, true, fill, &fd)) return false;
  const bool ok = PutInPlace(temp, target, no_replace);
  if (!ok) {
    const int code = errno;
    unlink(temp.c_str());
    errno = code;
  }
  // A late write error shows at close; the file is in place by then, and
  // fsync has already reported what close could.
  fd.Close();
  return ok;
}

bool StageBeside(const std::string& target, const std::string& staged,
                 const std::function<bool(int fd)>& fill) {
  int kept_mode = -1;
  if (!CheckReplaceable(target, false, &kept_mode, nullptr)) return false;
  UniqueFd fd;
  return WriteNewFile(staged, kept_mode, false, fill, &fd);
}

}  // namespace copyloom::platform::posix
