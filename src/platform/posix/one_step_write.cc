#include "platform/posix/one_step_write.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/fd.h"
#include "platform/temp_files.h"
#include "platform/test_hooks.h"
#include "platform/testing.h"

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
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
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
  if (testing::ShouldFail(testing::Op::kReplace)) return false;
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

}  // namespace

bool WriteAllOrFail(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  if (testing::ShouldFail(testing::Op::kWrite)) {
    WriteAll(fd, p, size / 2);
    errno = ENOSPC;
    return false;
  }
  return WriteAll(fd, p, size);
}

bool WriteInOneStep(const std::string& target_path, bool no_replace,
                    const std::function<bool(int fd)>& fill) {
  std::string target = target_path;
  struct stat st;
  if (lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (realpath(target.c_str(), resolved)) target = resolved;
  }
  UniqueFd held;
  mode_t mode = 0666;
  if (stat(target.c_str(), &st) == 0) {
    if (no_replace || !S_ISREG(st.st_mode) || (st.st_mode & S_IWUSR) == 0) return false;
    mode = st.st_mode & 07777;
    // Someone holding the file without sharing keeps it. The lock is kept
    // until the new file is in place.
    held = UniqueFd(open(target.c_str(), O_RDONLY | O_CLOEXEC));
    if (held && flock(held.get(), LOCK_EX | LOCK_NB) != 0) return false;
  } else if (errno != ENOENT) {
    return false;
  }

  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
  if (temp_files::FirstWriteInto(folder)) SweepStaleTemps(folder);

  const std::string temp = target + temp_files::NextSuffix(static_cast<uint32_t>(getpid()));
  UniqueFd fd(open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (!fd) return false;
  // Locked while it is written, so that another run's sweep leaves it alone.
  bool ok = flock(fd.get(), LOCK_EX | LOCK_NB) == 0 && fchmod(fd.get(), mode) == 0 &&
            fill(fd.get()) && (hooks::SkipSync() || fsync(fd.get()) == 0);
  if (ok) ok = PutInPlace(temp, target, no_replace);
  if (!ok) unlink(temp.c_str());
  // A late write error shows at close; the file is in place by then, and
  // fsync has already reported what close could.
  fd.Close();
  return ok;
}

}  // namespace copyloom::platform::posix
