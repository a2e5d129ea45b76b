// File primitives over the W functions. Every path goes through
// ResolvePath first and is never converted to the ANSI code page.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>

#include "platform/platform.h"
#include "platform/test_hooks.h"
#include "platform/disk.h"
#include "platform/wildcard.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_file.h"
#include "platform/win32/path_win32.h"

namespace copyloom::platform {
namespace {

using win32::ResolvePath;
using win32::UniqueFind;
using win32::kShareAll;
using win32::Refuse;
using win32::UniqueHandle;

UniqueHandle Open(const std::wstring& native, DWORD access, DWORD share, DWORD disposition,
                  DWORD flags = FILE_ATTRIBUTE_NORMAL) {
  return UniqueHandle(
      ::CreateFileW(native.c_str(), access, share, nullptr, disposition, flags, nullptr));
}

// Windows refuses to write, replace or delete a read-only file. Wine maps
// the attribute to missing write bits, which root ignores, so ask first.
bool IsReadOnly(const std::wstring& native) {
  DWORD attributes = ::GetFileAttributesW(native.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

std::wstring WithoutTrailingSeparators(std::wstring path) {
  while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return path;
}

}  // namespace

namespace disk {

FileAttributes QueryAttributes(const std::wstring& path) {
  FileAttributes out;
  DWORD attributes = ::GetFileAttributesW(ResolvePath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return out;
  out.exists = true;
  out.is_folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  out.read_only = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    // The tag comes with a directory entry, not with the attributes.
    WIN32_FIND_DATAW data;
    win32::UniqueFind find(::FindFirstFileExW(WithoutTrailingSeparators(ResolvePath(path)).c_str(),
                                              FindExInfoBasic, &data, FindExSearchNameMatch,
                                              nullptr, 0));
    out.is_link = !find.valid() || win32::IsLinkReparseTag(data.dwReserved0);
  }
  return out;
}

bool SetReadOnly(const std::wstring& path, bool read_only) {
  const std::wstring native = ResolvePath(path);
  DWORD attributes = ::GetFileAttributesW(native.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  DWORD wanted = read_only ? (attributes | FILE_ATTRIBUTE_READONLY)
                           : (attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  if (wanted == attributes) return true;
  if (wanted == 0) wanted = FILE_ATTRIBUTE_NORMAL;
  return ::SetFileAttributesW(native.c_str(), wanted) != 0;
}

bool CreateOneFolder(const std::wstring& path) {
  return ::CreateDirectoryW(ResolvePath(path).c_str(), nullptr) != 0;
}

bool RemoveEmptyFolder(const std::wstring& path) {
  return ::RemoveDirectoryW(ResolvePath(path).c_str()) != 0;
}

bool RemoveOneFile(const std::wstring& path) {
  const std::wstring native = ResolvePath(path);
  DWORD attributes = ::GetFileAttributesW(native.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  // DeleteFileW refuses both on Windows; under Wine as root it would not.
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Refuse(ERROR_DIRECTORY);
  if (attributes & FILE_ATTRIBUTE_READONLY) return Refuse(ERROR_ACCESS_DENIED);
  return ::DeleteFileW(native.c_str()) != 0;
}

bool RenameOverFile(const std::wstring& from, const std::wstring& to) {
  const std::wstring target = ResolvePath(to);
  if (IsReadOnly(target)) return Refuse(ERROR_ACCESS_DENIED);
  // Written through: a transaction's rename is durable when this returns.
  const DWORD flags = MOVEFILE_REPLACE_EXISTING | (hooks::SkipSync() ? 0 : MOVEFILE_WRITE_THROUGH);
  return ::MoveFileExW(ResolvePath(from).c_str(), target.c_str(), flags) != 0;
}

bool ListEntries(const std::wstring& folder, const std::wstring& pattern,
                 std::vector<DirEntry>* entries) {
  entries->clear();
  const std::wstring native = WithoutTrailingSeparators(ResolvePath(folder));
  const std::wstring search = native + L"\\" + (pattern.empty() ? L"*" : pattern);
  WIN32_FIND_DATAW data;
  hooks::CountListing();
  UniqueFind find(::FindFirstFileExW(search.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                     nullptr, 0));
  if (!find.valid()) {
    // No match in an existing folder is an empty listing, not a failure.
    DWORD error = ::GetLastError();
    DWORD attributes = ::GetFileAttributesW(native.c_str());
    return error == ERROR_FILE_NOT_FOUND && attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  }
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    // FindFirstFileW also matches the 8.3 name, so "*.ex4" would list
    // "a.ex4x" (short name "A~1.EX4"). Keep what the long name matches.
    if (!MatchesWildcard(name, pattern)) continue;
    DirEntry entry;
    entry.name = std::move(name);
    entry.is_folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.is_link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                    win32::IsLinkReparseTag(data.dwReserved0);
    entries->push_back(std::move(entry));
  } while (::FindNextFileW(find.get(), &data));
  if (::GetLastError() != ERROR_NO_MORE_FILES) return false;
  // NTFS already returns this order; FAT and Wine return creation or host
  // order, which would make listings differ between machines and builds.
  std::sort(entries->begin(), entries->end(), [](const DirEntry& a, const DirEntry& b) {
    return CompareIgnoreCase(a.name, b.name) < 0;
  });
  return true;
}

std::unique_ptr<File> OpenFile(const std::wstring& path, OpenMode mode) {
  const bool reading = mode == OpenMode::kReadShareAll || mode == OpenMode::kReadShareRead;
  const std::wstring native = ResolvePath(path);
  const bool read_only = !reading && IsReadOnly(native);
  if (read_only && mode != OpenMode::kWriteShareAll) return nullptr;
  UniqueHandle handle;
  switch (mode) {
    case OpenMode::kReadShareAll:
      handle = Open(native, GENERIC_READ, kShareAll, OPEN_EXISTING);
      break;
    case OpenMode::kReadShareRead:
      handle = Open(native, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
      break;
    case OpenMode::kWriteTruncate:
      // OPEN_ALWAYS + truncate rather than CREATE_ALWAYS, which refuses an
      // existing hidden or system file.
      handle = Open(native, GENERIC_WRITE, 0, OPEN_ALWAYS);
      if (handle.valid() && !::SetEndOfFile(handle.get())) return nullptr;
      break;
    case OpenMode::kWriteAppend: {
      handle = Open(native, GENERIC_WRITE, 0, OPEN_ALWAYS);
      LARGE_INTEGER zero{};
      if (handle.valid() && !::SetFilePointerEx(handle.get(), zero, nullptr, FILE_END)) {
        return nullptr;
      }
      break;
    }
    case OpenMode::kReadWrite:
      handle = Open(native, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    OPEN_EXISTING);
      break;
    case OpenMode::kWriteShareAll:
      // Times and attributes of a read-only file or a folder can still be
      // changed through attribute access.
      if (!read_only) handle = Open(native, GENERIC_WRITE, kShareAll, OPEN_EXISTING);
      if (!handle.valid()) {
        handle = Open(native, FILE_WRITE_ATTRIBUTES, kShareAll, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS);
      }
      break;
  }
  if (!handle.valid()) return nullptr;
  // A pipe or a device opened by name is never read as a file.
  if (mode != OpenMode::kWriteShareAll && ::GetFileType(handle.get()) != FILE_TYPE_DISK) {
    return nullptr;
  }
  return std::make_unique<win32::Win32File>(std::move(handle), path);
}

bool IsFileInUse(const std::wstring& path) {
  const std::wstring native = ResolvePath(path);
  if (::GetFileAttributesW(native.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
  // Only a sharing violation is a holder; a denied write (read-only
  // attribute, read-only medium, no rights) is not. A file we may not write
  // is asked again for reading: a holder that shares nothing still shows.
  for (const DWORD access : {GENERIC_READ | GENERIC_WRITE, DWORD{GENERIC_READ}}) {
    UniqueHandle handle = Open(native, access, kShareAll, OPEN_EXISTING);
    if (handle.valid()) return false;
    if (::GetLastError() == ERROR_SHARING_VIOLATION) return true;
  }
  return false;
}

namespace {

class Win32Lock : public FileLock {
 public:
  explicit Win32Lock(UniqueHandle handle) : handle_(std::move(handle)) {}

 private:
  UniqueHandle handle_;
};

}  // namespace

std::unique_ptr<FileLock> TryLockFile(const std::wstring& path, bool* busy) {
  *busy = false;
  UniqueHandle handle = Open(ResolvePath(path), GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS);
  if (!handle.valid()) {
    *busy = ::GetLastError() == ERROR_SHARING_VIOLATION;
    return nullptr;
  }
  // The byte lock is what a Linux run on the same prefix sees.
  OVERLAPPED at = {};
  if (!::LockFileEx(handle.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                    &at)) {
    *busy = true;
    return nullptr;
  }
  return std::make_unique<Win32Lock>(std::move(handle));
}

bool GetFileTimes(const std::wstring& path, FileTimes* times) {
  // Attribute access only: a file another program holds without sharing
  // still shows its times. Backup semantics lets a folder open.
  UniqueHandle handle = Open(ResolvePath(path), FILE_READ_ATTRIBUTES, kShareAll, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS);
  if (!handle.valid()) return false;
  FILETIME creation, access, write;
  if (!::GetFileTime(handle.get(), &creation, &access, &write)) return false;
  times->creation = win32::FromFileTime(creation);
  times->last_access = win32::FromFileTime(access);
  times->last_write = win32::FromFileTime(write);
  return true;
}

bool SetFileTimeOf(const std::wstring& path, TimeKind kind, int64_t filetime) {
  UniqueHandle handle = Open(ResolvePath(path), FILE_WRITE_ATTRIBUTES, kShareAll, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS);
  if (!handle.valid()) return false;
  const FILETIME time = win32::ToFileTime(filetime);
  const FILETIME* creation = kind == TimeKind::kCreation ? &time : nullptr;
  const FILETIME* access = kind == TimeKind::kLastAccess ? &time : nullptr;
  const FILETIME* write = kind == TimeKind::kLastWrite ? &time : nullptr;
  return ::SetFileTime(handle.get(), creation, access, write) != 0;
}

}  // namespace disk

uint32_t CurrentProcessId() { return ::GetCurrentProcessId(); }

}  // namespace copyloom::platform
