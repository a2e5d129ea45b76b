// errno to a failure kind, with strerror's text: the one translation of the
// POSIX build.
#include <cerrno>
#include <cstring>

#include "platform/disk.h"
#include "platform/failure.h"
#include "platform/platform.h"

namespace copyloom::platform {

FailureKind KindOfSystemError(unsigned long code) {
  switch (static_cast<int>(code)) {
    case 0: return FailureKind::kOther;
    case ENOSPC:
    case EDQUOT: return FailureKind::kNoSpace;
    case EACCES:
    case EPERM: return FailureKind::kNoPermission;
    case EROFS: return FailureKind::kReadOnlyFileSystem;
    case EBUSY:
    case ETXTBSY:
    case EWOULDBLOCK: return FailureKind::kHeld;
    case ENOENT:
    case ENOTDIR: return FailureKind::kMissing;
    case EISDIR:
    case ELOOP:
    case ENXIO: return FailureKind::kNotRegularFile;
    case EFBIG: return FailureKind::kTooLarge;
    case EILSEQ: return FailureKind::kNameNotAllowed;
    case ENAMETOOLONG: return FailureKind::kPathTooLong;
    case EIO: return FailureKind::kIoError;
    default: return FailureKind::kOther;
  }
}

std::wstring SystemErrorText(unsigned long code) {
  if (code == 0) return {};
  return Utf8ToWide(std::strerror(static_cast<int>(code)));
}

Status LastSystemFailure(const std::wstring& path) {
  const int code = errno;
  FailureKind kind = NotedFailureKind();
  std::wstring text;
  if (kind == FailureKind::kNone) {
    kind = KindOfSystemError(static_cast<unsigned long>(code));
    text = SystemErrorText(static_cast<unsigned long>(code));
  } else if (KindOfSystemError(static_cast<unsigned long>(code)) == kind) {
    text = SystemErrorText(static_cast<unsigned long>(code));
  }
  ClearFailureKind();
  return Status(kind, path, text);
}

void disk::ClearSystemError() { errno = 0; }

std::wstring HostPath(const std::wstring& path) { return NativePathText(path); }

}  // namespace copyloom::platform
