#include "platform/win32/one_step_write_win32.h"

#include <algorithm>

#include "platform/platform.h"
#include "platform/temp_files.h"
#include "platform/test_hooks.h"
#include "platform/disk.h"
#include "platform/win32/handles.h"

namespace copyloom::platform::win32 {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

bool WriteAll(HANDLE file, const char* p, size_t size) {
  while (size > 0) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
    DWORD put = 0;
    if (!::WriteFile(file, p, chunk, &put, nullptr) || put == 0) return false;
    p += put;
    size -= put;
  }
  return true;
}

void RemoveTemp(const std::wstring& temp) {
  // A copy of a read-only source is read-only too.
  ::SetFileAttributesW(temp.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(temp.c_str());
}

// One still being written is open without sharing, and the delete fails.
void SweepStaleTemps(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  const std::wstring search = folder + L"\\" + temp_files::kPattern;
  UniqueFind find(::FindFirstFileW(search.c_str(), &data));
  if (!find.valid()) return;
  do {
    const std::wstring name = data.cFileName;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        name.find(L".~") == std::wstring::npos)
      continue;
    RemoveTemp(folder + L"\\" + name);
  } while (::FindNextFileW(find.get(), &data));
}

}  // namespace

bool WriteAllOrFail(HANDLE file, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  if (disk::Fails(InnerStep::kWrite)) {
    WriteAll(file, p, size / 2);
    ::SetLastError(ERROR_DISK_FULL);
    return false;
  }
  return WriteAll(file, p, size);
}

bool CheckReplaceable(const std::wstring& target, bool no_replace, DWORD* attributes) {
  *attributes = ::GetFileAttributesW(target.c_str());
  if (*attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (no_replace || (*attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
    ::SetLastError(no_replace ? ERROR_FILE_EXISTS
                   : (*attributes & FILE_ATTRIBUTE_DIRECTORY) ? ERROR_DIRECTORY
                                                              : ERROR_ACCESS_DENIED);
    return false;
  }
  // A link is replaced itself, as MoveFileEx does; what it leads to is
  // neither opened nor written.
  if (*attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
  // Held open without sharing: refused, as writing into it would be.
  UniqueHandle held(::CreateFileW(target.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  return held.valid();
}

bool StageBeside(const std::wstring& target, const std::wstring& staged,
                 const std::function<bool(const std::wstring& temp)>& fill) {
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  if (!CheckReplaceable(target, false, &attributes)) return false;
  if (!fill(staged)) {
    const DWORD code = ::GetLastError();
    RemoveTemp(staged);
    ::SetLastError(code);
    return false;
  }
  // A replaced file keeps its hidden and system attributes.
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    const DWORD keep = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                     FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    const DWORD now = ::GetFileAttributesW(staged.c_str());
    if (keep != 0 && now != INVALID_FILE_ATTRIBUTES)
      ::SetFileAttributesW(staged.c_str(), now | keep);
  }
  return true;
}

bool WriteInOneStep(const std::wstring& target, bool no_replace,
                    const std::function<bool(const std::wstring& temp)>& fill) {
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  if (!CheckReplaceable(target, no_replace, &attributes)) return false;
  const size_t slash = target.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? L"." : target.substr(0, slash);
  if (temp_files::FirstWriteInto(WideToUtf8(folder))) SweepStaleTemps(folder);

  const std::string suffix = temp_files::NextSuffix(::GetCurrentProcessId());
  const std::wstring temp = target + std::wstring(suffix.begin(), suffix.end());
  if (!StageBeside(target, temp, fill)) return false;
  bool ok = !disk::Fails(InnerStep::kReplace);
  if (ok) {
    const DWORD flags = (hooks::SkipSync() ? 0 : MOVEFILE_WRITE_THROUGH) |
                        (no_replace ? 0 : MOVEFILE_REPLACE_EXISTING);
    ok = ::MoveFileExW(temp.c_str(), target.c_str(), flags) != 0;
  }
  if (!ok) {
    const DWORD code = ::GetLastError();
    RemoveTemp(temp);
    ::SetLastError(code);
  }
  return ok;
}

}  // namespace copyloom::platform::win32
