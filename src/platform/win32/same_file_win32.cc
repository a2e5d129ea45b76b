#include <windows.h>

#include "platform/disk.h"
#include "platform/platform.h"
#include "platform/win32/handles.h"
#include "platform/win32/path_win32.h"

namespace copyloom::platform {
namespace {

bool FileIdOf(const std::wstring& path, BY_HANDLE_FILE_INFORMATION* info) {
  // Backup semantics: folders open too.
  win32::UniqueHandle handle(::CreateFileW(
      win32::ResolvePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return handle.valid() && ::GetFileInformationByHandle(handle.get(), info);
}

}  // namespace

std::wstring DriveLetterPath(const std::wstring& path) { return path; }

bool disk::IsSameFile(const std::wstring& a, const std::wstring& b) {
  BY_HANDLE_FILE_INFORMATION ia, ib;
  return FileIdOf(a, &ia) && FileIdOf(b, &ib) &&
         ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

}  // namespace copyloom::platform
