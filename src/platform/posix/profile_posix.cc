// The settings files on the POSIX disk: read by the settings reader's own
// rules; parsed and written by the shared reader and writer.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/disk.h"
#include "platform/file_system.h"
#include "platform/posix/fd.h"
#include "platform/posix/path_mapper.h"

namespace copyloom::platform::disk {

// The file whole, up to the settings cap; a FIFO is refused, not waited on.
ReadStatus ReadSettingsFile(const std::wstring& path, std::string* bytes) {
  bytes->clear();
  std::string native;
  if (!posix::MapPath(path, &native)) return ReadStatus::kMissing;
  posix::UniqueFd fd(open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) return errno == ENOENT || errno == ENOTDIR ? ReadStatus::kMissing : ReadStatus::kBroken;
  struct stat st;
  if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return ReadStatus::kBroken;
  if (static_cast<uint64_t>(st.st_size) > kSettingsFileCap) return ReadStatus::kBroken;
  fcntl(fd.get(), F_SETFL, fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  bytes->reserve(static_cast<size_t>(st.st_size));
  char buffer[65536];
  while (true) {
    ssize_t n = read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ReadStatus::kBroken;
    if (n == 0) return ReadStatus::kOk;
    if (bytes->size() + static_cast<size_t>(n) > kSettingsFileCap) {
      bytes->clear();
      return ReadStatus::kBroken;
    }
    bytes->append(buffer, static_cast<size_t>(n));
  }
}

std::wstring ProfileRead(const std::wstring& file, const std::wstring& section,
                         const std::wstring& key) {
  return Disk().FileSystem::ProfileRead(file, section, key);
}

bool ProfileWrite(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                  const std::wstring& value) {
  return Disk().FileSystem::ProfileWrite(file, section, key, value);
}

}  // namespace copyloom::platform::disk
