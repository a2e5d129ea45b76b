// A failure of the platform seam as a value: what kind of trouble it was,
// the file or folder it concerns and the system's own words for it. One
// translation per platform turns the system's error code into a kind
// (errno on POSIX, GetLastError on Windows).
#pragma once

#include <string>

namespace copyloom::platform {

enum class FailureKind {
  kNone,
  kNoSpace,             // "no-space"
  kNoPermission,        // "no-permission"
  kReadOnlyFileSystem,  // "read-only"
  kHeld,                // "held": a sharing violation or a lock (a running terminal)
  kMissing,             // "missing"
  kNotRegularFile,      // "not-a-file"
  kTooLarge,            // "too-large": past its size cap
  kNameNotAllowed,      // "bad-name"
  kPathTooLong,         // "path-too-long"
  kIoError,             // "io-error"
  kOther,               // "other"
};

// The kind's name as the command line's JSON spells it; "" for kNone.
const char* FailureKindName(FailureKind kind);

class Status {
 public:
  Status() = default;
  Status(FailureKind kind, std::wstring path, std::wstring system = {})
      : kind_(kind), path_(std::move(path)), system_(std::move(system)) {}

  bool ok() const { return kind_ == FailureKind::kNone; }
  explicit operator bool() const { return ok(); }

  FailureKind kind() const { return kind_; }
  const std::wstring& path() const { return path_; }
  // The system's own text ("No space left on device"); may be empty.
  const std::wstring& system() const { return system_; }

  // The same failure, said of another path: a staged or kept file of ours
  // is reported as the trader's file it stands for.
  Status About(const std::wstring& path) const {
    return ok() ? *this : Status(kind_, path, system_);
  }

 private:
  FailureKind kind_ = FailureKind::kNone;
  std::wstring path_;
  std::wstring system_;
};

// The translation of this platform: errno (POSIX) or a Windows error code.
FailureKind KindOfSystemError(unsigned long code);
std::wstring SystemErrorText(unsigned long code);
// A failure about path from the system's last error (errno, GetLastError),
// unless the call noted a kind of its own (NoteFailureKind) since
// ClearFailureKind.
Status LastSystemFailure(const std::wstring& path);

// A cause's path as the trader finds it to fix it: the Linux build names the
// host file ("/home/me/.wine/drive_c/MT4/..."), which ls and chmod take; the
// Windows build keeps the Windows path.
std::wstring HostPath(const std::wstring& path);

// For the implementations, the memory store and the injected faults: the
// kind of the failure the current call is about to report, on this thread.
void NoteFailureKind(FailureKind kind);
void ClearFailureKind();
FailureKind NotedFailureKind();

}  // namespace copyloom::platform
