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
#include "platform/win32/one_step_write_win32.h"
#include "platform/win32/path_win32.h"

namespace copyloom::platform {
namespace {

using win32::ResolvePath;
using win32::UniqueFind;
using win32::UniqueHandle;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class Win32File : public File {
 public:
  explicit Win32File(UniqueHandle handle) : handle_(std::move(handle)) {}

  bool Read(void* buffer, size_t size, size_t* read) override {
    *read = 0;
    auto* out = static_cast<char*>(buffer);
    while (size > 0) {
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
      DWORD got = 0;
      if (!::ReadFile(handle_.get(), out, chunk, &got, nullptr)) return *read > 0;
      if (got == 0) break;
      *read += got;
      out += got;
      size -= got;
    }
    return true;
  }

  bool Write(const void* data, size_t size) override {
    const auto* in = static_cast<const char*>(data);
    while (size > 0) {
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
      DWORD put = 0;
      if (!::WriteFile(handle_.get(), in, chunk, &put, nullptr) || put == 0) return false;
      in += put;
      size -= put;
    }
    return true;
  }

  bool Seek(uint64_t offset) override {
    if (offset > static_cast<uint64_t>(std::numeric_limits<LONGLONG>::max())) return false;
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    return ::SetFilePointerEx(handle_.get(), to, nullptr, FILE_BEGIN) != 0;
  }

  int64_t Size() override {
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(handle_.get(), &size)) return -1;
    return size.QuadPart;
  }

  bool Sync() override { return hooks::SkipSync() || ::FlushFileBuffers(handle_.get()) != 0; }

 private:
  UniqueHandle handle_;
};

UniqueHandle Open(const std::wstring& native, DWORD access, DWORD share, DWORD disposition,
                  DWORD flags = FILE_ATTRIBUTE_NORMAL) {
  return UniqueHandle(
      ::CreateFileW(native.c_str(), access, share, nullptr, disposition, flags, nullptr));
}

// Windows refuses to write, replace or delete a read-only file. Wine maps
// the attribute to missing write bits, which root ignores, so ask first.
// A refusal of our own, said as the system would say it.
bool Refuse(DWORD code) {
  ::SetLastError(code);
  return false;
}

bool SourceReadable(const std::wstring& from) {
  const DWORD attributes = ::GetFileAttributesW(from.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    disk::NoteSourceFailed(true);
    return false;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    disk::NoteSourceFailed(true);
    return Refuse(ERROR_DIRECTORY);
  }
  return true;
}

bool IsReadOnly(const std::wstring& native) {
  DWORD attributes = ::GetFileAttributesW(native.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

std::wstring WithoutTrailingSeparators(std::wstring path) {
  while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  return path;
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
  BY_HANDLE_FILE_INFORMATION info[2];
  const std::wstring* paths[2] = {&a, &b};
  for (int i = 0; i < 2; ++i) {
    UniqueHandle handle =
        Open(*paths[i], FILE_READ_ATTRIBUTES, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (!handle.valid() || !::GetFileInformationByHandle(handle.get(), &info[i])) return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
         info[0].nFileIndexLow == info[1].nFileIndexLow;
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

bool CopyOneFile(const std::wstring& source, const std::wstring& destination, bool fail_if_exists) {
  const std::wstring from = ResolvePath(source);
  const std::wstring to = ResolvePath(destination);
  // Copying a file onto itself would only make a second copy of it.
  if (!SourceReadable(from) || SameFile(from, to)) return false;
  return win32::WriteInOneStep(to, fail_if_exists, [&](const std::wstring& temp) {
    if (!::CopyFileW(from.c_str(), temp.c_str(), TRUE)) return false;
    // CopyFileW is one call: a full disk shows after it.
    return !disk::Fails(InnerStep::kWrite);
  });
}

bool WriteInOneStep(const std::wstring& path, const std::string& bytes) {
  return win32::WriteInOneStep(ResolvePath(path), false, [&](const std::wstring& temp) {
    UniqueHandle file = Open(temp, GENERIC_WRITE, 0, CREATE_NEW);
    return file.valid() && win32::WriteAllOrFail(file.get(), bytes.data(), bytes.size()) &&
           (hooks::SkipSync() || ::FlushFileBuffers(file.get()));
  });
}

bool CanReplaceFile(const std::wstring& path) {
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  return win32::CheckReplaceable(ResolvePath(path), false, &attributes);
}

bool StageCopy(const std::wstring& source, const std::wstring& destination,
               const std::wstring& staged) {
  const std::wstring from = ResolvePath(source);
  const std::wstring to = ResolvePath(destination);
  if (!SourceReadable(from) || SameFile(from, to)) return false;
  return win32::StageBeside(to, ResolvePath(staged), [&](const std::wstring& temp) {
    if (!::CopyFileW(from.c_str(), temp.c_str(), TRUE)) return false;
    // CopyFileW keeps a read-only attribute, and a read-only file does not
    // open for the flush before the commit.
    const DWORD attributes = ::GetFileAttributesW(temp.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        !::SetFileAttributesW(temp.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
      return false;
    }
    return !disk::Fails(InnerStep::kWrite);
  });
}

bool StageBytes(const std::string& bytes, const std::wstring& destination,
                const std::wstring& staged) {
  return win32::StageBeside(
      ResolvePath(destination), ResolvePath(staged), [&](const std::wstring& temp) {
        UniqueHandle file = Open(temp, GENERIC_WRITE, 0, CREATE_NEW);
        return file.valid() && win32::WriteAllOrFail(file.get(), bytes.data(), bytes.size());
      });
}

bool SyncPass(const std::vector<std::wstring>& paths) {
  // Flushing a whole volume needs administrator rights: each file instead.
  bool ok = true;
  for (const std::wstring& path : paths) {
    UniqueHandle file = Open(ResolvePath(path), GENERIC_WRITE, kShareAll, OPEN_EXISTING);
    // One the caller holds open without sharing (a journal) stays as it is.
    if (!file.valid() && ::GetLastError() == ERROR_SHARING_VIOLATION) continue;
    if (!file.valid() || !::FlushFileBuffers(file.get())) ok = false;
  }
  return ok;
}

bool SyncFolders(const std::vector<std::wstring>& paths) {
  // NTFS logs each name change and RenameOverFile writes through; flushing
  // a folder handle commits the rest (creations, deletions). A volume that
  // will not open a folder for it (FAT, some redirectors, Wine) leaves the
  // write-through renames as the guarantee.
  std::vector<std::wstring> flushed;
  for (const std::wstring& path : paths) {
    const std::wstring native = ResolvePath(path);
    const size_t slash = native.find_last_of(L"\\/");
    if (slash == std::wstring::npos) continue;
    const std::wstring folder = native.substr(0, slash);
    if (std::find(flushed.begin(), flushed.end(), folder) != flushed.end()) continue;
    flushed.push_back(folder);
    UniqueHandle handle =
        Open(folder, GENERIC_READ | GENERIC_WRITE, kShareAll, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (handle.valid()) ::FlushFileBuffers(handle.get());
  }
  return true;
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
  return std::make_unique<Win32File>(std::move(handle));
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
