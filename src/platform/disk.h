// The disk of this build behind the file seam: posix/ and win32/ each
// implement these, with the contracts of platform.h, answering false with
// the cause in the system's last error. Internal to the platform.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/platform.h"

namespace copyloom::platform::disk {

FileAttributes QueryAttributes(const std::wstring& path);
bool SetReadOnly(const std::wstring& path, bool read_only);
bool CreateOneFolder(const std::wstring& path);
std::wstring CreateFolderReason(const std::wstring& path);
bool RemoveEmptyFolder(const std::wstring& path);
bool RemoveOneFile(const std::wstring& path);
bool RenameOverFile(const std::wstring& from, const std::wstring& to);
bool ListEntries(const std::wstring& folder, const std::wstring& pattern,
                 std::vector<DirEntry>* entries);
bool WalkFolder(const std::wstring& folder, const std::wstring& pattern, const WalkVisitor& visit);
std::unique_ptr<File> OpenFile(const std::wstring& path, OpenMode mode);
bool IsFileInUse(const std::wstring& path);
std::unique_ptr<FileLock> TryLockFile(const std::wstring& path, bool* busy);
bool GetFileTimes(const std::wstring& path, FileTimes* times);
bool SetFileTimeOf(const std::wstring& path, TimeKind kind, int64_t filetime);
bool IsSameFile(const std::wstring& a, const std::wstring& b);
Status CheckCanWrite(const std::wstring& path);
Status CheckFreeSpace(const std::wstring& folder, uint64_t bytes);
bool CheckCopySource(const std::wstring& source, const std::wstring& destination);
bool CheckReplaceable(const std::wstring& target, bool no_replace, Replaced* replaced);
std::unique_ptr<File> CreateNewFile(const std::wstring& path, const Replaced& replaced);
bool CopyNewFile(const std::wstring& source, const std::wstring& path, const Replaced& replaced,
                 bool writable, std::unique_ptr<File>* file);
bool PutInPlace(const std::wstring& temp, const std::wstring& target, bool no_replace,
                std::unique_ptr<File> file);
void DiscardNewFile(const std::wstring& path);
void SweepStaleTemps(const std::wstring& folder);
bool SyncFileAt(const std::wstring& path, std::vector<uint64_t>* synced);
bool SyncFolder(const std::wstring& folder);
ReadStatus ReadSettingsFile(const std::wstring& path, std::string* bytes);
std::wstring ProfileRead(const std::wstring& file, const std::wstring& section,
                         const std::wstring& key);
bool ProfileWrite(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                  const std::wstring& value);

// The inner steps of the disk's calls (InnerStep): true when the test
// hook makes this one fail.
bool Fails(InnerStep step);

// A copy failed on its source, not its destination: its Status names the
// source.
void NoteSourceFailed(bool failed);

// Clears errno or the last error before a call.
void ClearSystemError();

}  // namespace copyloom::platform::disk
