// GetLastError to a failure kind, with FormatMessageW's text: the one
// translation of the Windows build.
#include <windows.h>

#include "platform/disk.h"
#include "platform/failure.h"

namespace copyloom::platform {

FailureKind KindOfSystemError(unsigned long code) {
  switch (code) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return FailureKind::kNoSpace;
    case ERROR_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD: return FailureKind::kNoPermission;
    case ERROR_WRITE_PROTECT: return FailureKind::kReadOnlyFileSystem;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE: return FailureKind::kHeld;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE: return FailureKind::kMissing;
    case ERROR_DIRECTORY:
    case ERROR_CANT_ACCESS_FILE: return FailureKind::kNotRegularFile;
    case ERROR_FILE_TOO_LARGE: return FailureKind::kTooLarge;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME: return FailureKind::kNameNotAllowed;
    case ERROR_FILENAME_EXCED_RANGE: return FailureKind::kPathTooLong;
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT: return FailureKind::kIoError;
    default: return FailureKind::kOther;
  }
}

std::wstring SystemErrorText(unsigned long code) {
  if (code == 0) return {};
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = length && buffer ? std::wstring(buffer, length) : std::wstring();
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                           text.back() == L'.')) {
    text.pop_back();
  }
  if (text.empty()) text = L"Windows error " + std::to_wstring(code);
  return text;
}

Status LastSystemFailure(const std::wstring& path) {
  const DWORD code = ::GetLastError();
  FailureKind kind = NotedFailureKind();
  std::wstring text;
  if (kind == FailureKind::kNone) {
    kind = KindOfSystemError(code);
    text = SystemErrorText(code);
  } else if (KindOfSystemError(code) == kind) {
    text = SystemErrorText(code);
  }
  ClearFailureKind();
  return Status(kind, path, text);
}

void disk::ClearSystemError() { ::SetLastError(0); }

// Under Wine too: the window and copyloom.exe speak of Windows paths.
std::wstring HostPath(const std::wstring& path) { return path; }

}  // namespace copyloom::platform
