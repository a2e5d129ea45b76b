// The steps of the copy, the staged and one-step writes and the sync pass
// on Windows (new_files.cc puts them together). NTFS logs each name change;
// MOVEFILE_WRITE_THROUGH makes a move durable when it returns, and
// FlushFileBuffers a file's bytes. A new file is open without sharing while
// written, so another run's sweep cannot delete it.
#include "platform/win32/new_file_win32.h"

#include <algorithm>

#include "platform/disk.h"
#include "platform/platform.h"
#include "platform/temp_files.h"
#include "platform/test_hooks.h"
#include "platform/win32/handles.h"
#include "platform/win32/path_win32.h"
#include "platform/win32/win32_file.h"

namespace copyloom::platform {
namespace {

using namespace win32;

constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                        FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

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

// A copy of a read-only source is read-only too. Keeps the last error.
void RemoveNew(const std::wstring& native) {
  const DWORD code = ::GetLastError();
  ::SetFileAttributesW(native.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(native.c_str());
  ::SetLastError(code);
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
  BY_HANDLE_FILE_INFORMATION info[2];
  const std::wstring* paths[2] = {&a, &b};
  for (int i = 0; i < 2; ++i) {
    UniqueHandle handle(::CreateFileW(paths[i]->c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.valid() || !::GetFileInformationByHandle(handle.get(), &info[i])) return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
         info[0].nFileIndexLow == info[1].nFileIndexLow;
}

}  // namespace

namespace win32 {

void KeepAttributes(const std::wstring& native, int64_t keep) {
  if (keep <= 0) return;
  const DWORD now = ::GetFileAttributesW(native.c_str());
  if (now != INVALID_FILE_ATTRIBUTES) {
    ::SetFileAttributesW(native.c_str(), now | static_cast<DWORD>(keep));
  }
}

bool WriteAllOrFail(HANDLE file, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  if (disk::Fails(InnerStep::kWrite)) {
    WriteAll(file, p, size / 2);
    ::SetLastError(ERROR_DISK_FULL);
    return false;
  }
  return WriteAll(file, p, size);
}

}  // namespace win32

namespace disk {

bool CheckCopySource(const std::wstring& source, const std::wstring& destination) {
  const std::wstring from = ResolvePath(source);
  const DWORD attributes = ::GetFileAttributesW(from.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    NoteSourceFailed(true);
    return attributes == INVALID_FILE_ATTRIBUTES ? false : Refuse(ERROR_DIRECTORY);
  }
  // Copying a file onto itself would only make a second copy of it.
  return !SameFile(from, ResolvePath(destination));
}

bool CheckReplaceable(const std::wstring& path, bool no_replace, Replaced* replaced) {
  replaced->keep = -1;
  const std::wstring target = ResolvePath(path);
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if (no_replace) return Refuse(ERROR_FILE_EXISTS);
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Refuse(ERROR_DIRECTORY);
  if (attributes & FILE_ATTRIBUTE_READONLY) return Refuse(ERROR_ACCESS_DENIED);
  // A link is replaced itself, as MoveFileEx does; what it leads to is
  // neither opened nor written.
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
  replaced->keep = attributes & kKept;
  // Held open without sharing: refused, as writing into it would be.
  UniqueHandle held(::CreateFileW(target.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  return held.valid();
}

std::unique_ptr<File> CreateNewFile(const std::wstring& path, const Replaced& replaced) {
  const std::wstring native = ResolvePath(path);
  UniqueHandle file(::CreateFileW(native.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return nullptr;
  win32::KeepAttributes(native, replaced.keep);
  return std::make_unique<win32::Win32File>(std::move(file), path);
}

bool CopyNewFile(const std::wstring& source, const std::wstring& path, const Replaced& replaced,
                 bool writable, std::unique_ptr<File>* file) {
  const std::wstring from = ResolvePath(source);
  const std::wstring temp = ResolvePath(path);
  if (!::CopyFileW(from.c_str(), temp.c_str(), TRUE)) {
    if (::GetLastError() != ERROR_FILE_EXISTS) RemoveNew(temp);
    return false;
  }
  // CopyFileW keeps a read-only attribute, and a read-only file does not
  // open for the flush before the commit.
  const DWORD attributes = ::GetFileAttributesW(temp.c_str());
  bool ok = !writable || attributes == INVALID_FILE_ATTRIBUTES ||
            !(attributes & FILE_ATTRIBUTE_READONLY) ||
            ::SetFileAttributesW(temp.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  // CopyFileW is one call: a full disk shows after it.
  ok = ok && !Fails(InnerStep::kWrite);
  if (!ok) {
    RemoveNew(temp);
    return false;
  }
  win32::KeepAttributes(temp, replaced.keep);
  file->reset();
  return true;
}

bool PutInPlace(const std::wstring& temp, const std::wstring& target, bool no_replace,
                std::unique_ptr<File> file) {
  // Closed first: a file open without sharing does not move.
  file.reset();
  const DWORD flags = (hooks::SkipSync() ? 0 : MOVEFILE_WRITE_THROUGH) |
                      (no_replace ? 0 : MOVEFILE_REPLACE_EXISTING);
  return ::MoveFileExW(ResolvePath(temp).c_str(), ResolvePath(target).c_str(), flags) != 0;
}

void DiscardNewFile(const std::wstring& path) { RemoveNew(ResolvePath(path)); }

// One still being written is open without sharing, and the delete fails.
void SweepStaleTemps(const std::wstring& path) {
  const std::wstring folder = ResolvePath(path);
  WIN32_FIND_DATAW data;
  const std::wstring search = folder + L"\\" + temp_files::kPattern;
  UniqueFind find(::FindFirstFileW(search.c_str(), &data));
  if (!find.valid()) return;
  do {
    const std::wstring name = data.cFileName;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        name.find(L".~") == std::wstring::npos)
      continue;
    RemoveNew(folder + L"\\" + name);
  } while (::FindNextFileW(find.get(), &data));
}

bool SyncFileAt(const std::wstring& path, std::vector<uint64_t>*) {
  // Flushing a whole volume needs administrator rights: each file instead.
  UniqueHandle file(::CreateFileW(ResolvePath(path).c_str(), GENERIC_WRITE, kShareAll, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  // One the caller holds open without sharing (a journal) stays as it is.
  if (!file.valid() && ::GetLastError() == ERROR_SHARING_VIOLATION) return true;
  return file.valid() && ::FlushFileBuffers(file.get());
}

bool SyncFolder(const std::wstring& path) {
  // NTFS logs each name change and the moves write through; flushing a
  // folder handle commits the rest (creations, deletions). A volume that
  // will not open a folder for it (FAT, some redirectors, Wine) leaves the
  // write-through moves as the guarantee.
  UniqueHandle handle(::CreateFileW(ResolvePath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                                    kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                    nullptr));
  if (handle.valid()) ::FlushFileBuffers(handle.get());
  return true;
}

}  // namespace disk
}  // namespace copyloom::platform
