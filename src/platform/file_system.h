// The file half of the platform seam as an interface, as LevelDB's Env: the
// free functions of platform.h reach files through the installed one. The
// disk of the build (posix/ or win32/) is the default; tests install a store
// in memory or a wrapper that injects faults, from a library of their own.
//
// Each method keeps the contract of its namesake in platform.h. A false
// answer leaves its cause in the system's last error (errno, GetLastError)
// or in NoteFailureKind; the free functions turn it into a Status.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace copyloom::platform {

// Steps inside one call that a wrapper cannot reach: the data write of a
// copy or a one-step write (inside copy_file_range or CopyFileW), the step
// that puts a one-step write's file in place, and each folder a walk lists
// below its first.
enum class InnerStep { kWrite, kReplace, kList };

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual FileAttributes QueryAttributes(const std::wstring& path) = 0;
  virtual bool SetReadOnly(const std::wstring& path, bool read_only) = 0;
  virtual bool CreateOneFolder(const std::wstring& path) = 0;
  // CreateFolderReason's contract: empty, or the system's reason.
  virtual std::wstring CreateFolderReason(const std::wstring& path) = 0;
  virtual bool RemoveEmptyFolder(const std::wstring& path) = 0;
  virtual bool CopyOneFile(const std::wstring& source, const std::wstring& destination,
                           bool fail_if_exists) = 0;
  virtual bool WriteWholeFile(const std::wstring& path, const std::string& bytes) = 0;
  virtual bool RemoveOneFile(const std::wstring& path) = 0;
  virtual bool RenameOverFile(const std::wstring& from, const std::wstring& to) = 0;
  virtual bool CanReplaceFile(const std::wstring& path) = 0;
  virtual bool StageCopy(const std::wstring& source, const std::wstring& destination,
                         const std::wstring& staged) = 0;
  virtual bool StageBytes(const std::string& bytes, const std::wstring& destination,
                          const std::wstring& staged) = 0;
  virtual bool SyncPass(const std::vector<std::wstring>& paths) = 0;
  virtual bool SyncFolders(const std::vector<std::wstring>& paths) = 0;
  virtual bool ListEntries(const std::wstring& folder, const std::wstring& pattern,
                           std::vector<DirEntry>* entries) = 0;
  virtual bool WalkFolder(const std::wstring& folder, const std::wstring& pattern,
                          const WalkVisitor& visit) = 0;
  virtual std::unique_ptr<File> OpenFile(const std::wstring& path, OpenMode mode) = 0;
  virtual bool IsFileInUse(const std::wstring& path) = 0;
  virtual std::unique_ptr<FileLock> TryLockFile(const std::wstring& path, bool* busy) = 0;
  virtual bool GetFileTimes(const std::wstring& path, FileTimes* times) = 0;
  virtual bool SetFileTimeOf(const std::wstring& path, TimeKind kind, int64_t filetime) = 0;
  virtual bool IsSameFile(const std::wstring& a, const std::wstring& b) = 0;
  virtual Status CheckCanWrite(const std::wstring& path) = 0;
  virtual Status CheckFreeSpace(const std::wstring& folder, uint64_t bytes) = 0;

  // The settings reader's own read (no sharing test, no faults: it opens
  // the file itself) and the one-step write behind WriteWholeFile and the
  // settings writer. The settings functions are built on them, on every
  // file system but the Windows disk, which has the system's own.
  virtual ReadStatus ReadSettingsFile(const std::wstring& path, std::string* bytes) = 0;
  virtual bool WriteInOneStep(const std::wstring& path, const std::string& bytes) = 0;
  virtual std::wstring ProfileRead(const std::wstring& file, const std::wstring& section,
                                   const std::wstring& key);
  virtual bool ProfileWrite(const std::wstring& file, const std::wstring& section,
                            const std::wstring& key, const std::wstring& value);

  // True for the disk itself, whose files other programs hold and whose
  // paths have native names; a wrapper answers for what it wraps.
  virtual bool OnDisk() const = 0;

  // The one hook for what a wrapper cannot reach: asked at each InnerStep,
  // true makes that step fail as the system would.
  void SetInnerFault(std::function<bool(InnerStep)> fault) { inner_fault_ = std::move(fault); }
  bool InnerFails(InnerStep step) const { return inner_fault_ && inner_fault_(step); }

 private:
  std::function<bool(InnerStep)> inner_fault_;
};

// The installed file system, and the disk of this build.
FileSystem& Files();
FileSystem& Disk();

// Installs files in place of the disk until the next call (nullptr: the
// disk again); the caller keeps it alive meanwhile. Returns what was
// installed before.
FileSystem* UseFiles(FileSystem* files);

}  // namespace copyloom::platform
