#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/handles.h"
#include "platform/win32/path_win32.h"

namespace copyloom::platform {
namespace {

// Opened for no access, so a file in use still answers; folders need the
// backup flag.
bool FileIdOf(const std::wstring& path, BY_HANDLE_FILE_INFORMATION* info) {
  win32::UniqueHandle handle(::CreateFileW(win32::ResolvePath(path).c_str(), 0,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                           nullptr));
  return handle.valid() && ::GetFileInformationByHandle(handle.get(), info) != 0;
}

}  // namespace

bool IsSameFileObject(const std::wstring& a, const std::wstring& b) {
  BY_HANDLE_FILE_INFORMATION ia, ib;
  if (!FileIdOf(a, &ia) || !FileIdOf(b, &ib)) return false;
  return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
         ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

}  // namespace copyloom::platform
