#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/pe_version.h"
#include "platform/platform.h"
#include "platform/posix/fd.h"
#include "platform/posix/path_mapper.h"

namespace copyloom::platform {

bool ReadFileVersions(const std::wstring& path, std::vector<std::wstring>* versions) {
  versions->clear();
  std::string native;
  if (!posix::MapPath(path, &native)) return false;
  posix::UniqueFd fd(open(native.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return false;
  struct stat st;
  // A program image larger than this is not something we install.
  constexpr off_t kLargest = off_t{1} << 30;
  if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kLargest) return false;
  std::string image(static_cast<size_t>(st.st_size), '\0');
  size_t done = 0;
  while (done < image.size()) {
    ssize_t n = read(fd.get(), image.data() + done, image.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  image.resize(done);
  return ReadPeFileVersions(image, versions);
}

}  // namespace copyloom::platform
