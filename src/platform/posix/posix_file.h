// The handles of the POSIX disk: an open file and a held lock. Internal to
// posix/.
#pragma once

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/failure.h"
#include "platform/platform.h"
#include "platform/posix/fd.h"
#include "platform/test_hooks.h"

namespace copyloom::platform::posix {

inline bool IsReadOnlyMode(mode_t mode) { return (mode & S_IWUSR) == 0; }

// A refusal of our own, said as the system would say it.
inline bool Refuse(int code) {
  errno = code;
  return false;
}

class PosixFile : public File {
 public:
  // full_sync: Sync is fsync rather than fdatasync, for a new file whose
  // name and mode must be durable along with its bytes.
  PosixFile(UniqueFd fd, std::wstring path, bool can_read, bool can_write, bool full_sync = false)
      : fd_(std::move(fd)),
        path_(std::move(path)),
        can_read_(can_read),
        can_write_(can_write),
        full_sync_(full_sync) {}

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

  Status Write(const void* data, size_t size) override {
    if (!can_write_) return Status(FailureKind::kNoPermission, path_);
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
      ssize_t n = ::write(fd_.get(), p, size);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        const unsigned long code = static_cast<unsigned long>(errno);
        return Status(KindOfSystemError(code), path_, SystemErrorText(code));
      }
      p += n;
      size -= static_cast<size_t>(n);
    }
    return {};
  }

  bool Seek(uint64_t offset) override {
    return lseek(fd_.get(), static_cast<off_t>(offset), SEEK_SET) >= 0;
  }

  int64_t Size() override {
    struct stat st;
    if (fstat(fd_.get(), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
  }

  bool Sync() override {
    return hooks::SkipSync() || (full_sync_ ? fsync(fd_.get()) : fdatasync(fd_.get())) == 0;
  }

  int fd() const { return fd_.get(); }

 private:
  UniqueFd fd_;
  std::wstring path_;
  bool can_read_;
  bool can_write_;
  bool full_sync_;
};

class PosixLock : public FileLock {
 public:
  explicit PosixLock(UniqueFd fd) : fd_(std::move(fd)) {}

 private:
  UniqueFd fd_;
};

}  // namespace copyloom::platform::posix
