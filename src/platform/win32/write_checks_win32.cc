// What a dry run foretells of a write: permission, a read-only volume, free
// space. Asked of the nearest part of the path that exists, as the write
// would meet it, and without writing anything.
#include <windows.h>

#include "platform/disk.h"
#include "platform/platform.h"
#include "platform/win32/handles.h"
#include "platform/win32/path_win32.h"

namespace copyloom::platform {
namespace {

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// The path itself when it exists, else its nearest existing folder.
std::wstring NearestExisting(std::wstring native, bool* is_self) {
  *is_self = true;
  while (!native.empty() && ::GetFileAttributesW(native.c_str()) == INVALID_FILE_ATTRIBUTES) {
    *is_self = false;
    native = FolderOf(native);
  }
  return native;
}

Status Failed(const std::wstring& path, DWORD code) {
  return Status(KindOfSystemError(code), path, SystemErrorText(code));
}

// Opens for the right asked, writing nothing: FILE_ADD_FILE on a folder,
// FILE_WRITE_DATA on a file.
DWORD TryOpen(const std::wstring& native, bool folder) {
  win32::UniqueHandle handle(::CreateFileW(
      native.c_str(), folder ? FILE_ADD_FILE : FILE_WRITE_DATA,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
      folder ? FILE_FLAG_BACKUP_SEMANTICS : FILE_ATTRIBUTE_NORMAL, nullptr));
  return handle.valid() ? 0 : ::GetLastError();
}

}  // namespace

Status disk::CheckCanWrite(const std::wstring& path) {
  bool is_self = false;
  const std::wstring existing = NearestExisting(win32::ResolvePath(path), &is_self);
  if (existing.empty()) return {};
  wchar_t root[MAX_PATH + 1] = {};
  DWORD flags = 0;
  if (::GetVolumePathNameW(existing.c_str(), root, MAX_PATH) &&
      ::GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
      (flags & FILE_READ_ONLY_VOLUME) != 0) {
    return Failed(path, ERROR_WRITE_PROTECT);
  }
  const DWORD attributes = ::GetFileAttributesW(existing.c_str());
  // A folder takes the new names itself; a file's folder takes them.
  if (is_self && (attributes & FILE_ATTRIBUTE_DIRECTORY)) is_self = false;
  const std::wstring folder = is_self ? FolderOf(existing) : existing;
  // Sharing is a matter for the write itself (CanReplaceFile), not for this.
  if (DWORD code = TryOpen(folder, true); code != 0 && code != ERROR_SHARING_VIOLATION) {
    return Failed(path, code);
  }
  if (is_self) {
    if (DWORD code = TryOpen(existing, false); code != 0 && code != ERROR_SHARING_VIOLATION) {
      return Failed(path, code);
    }
  }
  return {};
}

Status disk::CheckFreeSpace(const std::wstring& folder, uint64_t bytes) {
  if (bytes == 0) return {};
  bool is_self = false;
  const std::wstring existing = NearestExisting(win32::ResolvePath(folder), &is_self);
  ULARGE_INTEGER available;
  if (existing.empty() || !::GetDiskFreeSpaceExW(existing.c_str(), &available, nullptr, nullptr)) {
    return {};
  }
  if (available.QuadPart < bytes) return Failed(folder, ERROR_DISK_FULL);
  return {};
}

}  // namespace copyloom::platform
