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

// What a new file put in place of another takes over from it, found by
// CheckReplaceable: the POSIX mode bits, or the Windows hidden, system and
// archive attributes (-1: nothing), and on POSIX the lock that keeps other
// writers out until the new file is in place.
struct Replaced {
  int64_t keep = -1;
  std::unique_ptr<FileLock> held;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual FileAttributes QueryAttributes(const std::wstring& path) = 0;
  virtual bool SetReadOnly(const std::wstring& path, bool read_only) = 0;
  virtual bool CreateOneFolder(const std::wstring& path) = 0;
  // CreateFolderReason's contract: empty, or the system's reason.
  virtual std::wstring CreateFolderReason(const std::wstring& path) = 0;
  virtual bool RemoveEmptyFolder(const std::wstring& path) = 0;
  virtual bool RemoveOneFile(const std::wstring& path) = 0;
  virtual bool RenameOverFile(const std::wstring& from, const std::wstring& to) = 0;
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

  // The steps the copy, the staged and one-step writes and the sync pass
  // are made of (new_files.cc writes those once, on these).
  //
  // A copy's source is a regular file that is not destination; a failure
  // on the source is noted as such (its Status names the source).
  virtual bool CheckCopySource(const std::wstring& source, const std::wstring& destination) = 0;
  // target may be replaced: missing, or a writable file nobody holds
  // without sharing, or a link (replaced itself, never written through).
  // With no_replace only a missing target passes.
  virtual bool CheckReplaceable(const std::wstring& target, bool no_replace,
                                Replaced* replaced) = 0;
  // Creates path, which must not exist, open for writing by us alone, with
  // what replaced keeps. Its Sync makes its bytes and size durable.
  virtual std::unique_ptr<File> CreateNewFile(const std::wstring& path,
                                              const Replaced& replaced) = 0;
  // Creates path, which must not exist, as a copy of source: its bytes and
  // last-write time, read-only as the source unless writable, with what
  // replaced keeps. The data write is InnerStep::kWrite. *file gets the new
  // file open for its sync where the platform keeps one (CopyFileW leaves
  // none: its write-through move is the barrier there). Nothing is left on
  // failure.
  virtual bool CopyNewFile(const std::wstring& source, const std::wstring& path,
                           const Replaced& replaced, bool writable,
                           std::unique_ptr<File>* file) = 0;
  // Moves the new file temp (open as file, or nullptr) over target, or with
  // no_replace only where target does not exist, and closes it.
  virtual bool PutInPlace(const std::wstring& temp, const std::wstring& target, bool no_replace,
                          std::unique_ptr<File> file) = 0;
  // Removes a new file of ours whatever its attributes, keeping the last
  // error as it was.
  virtual void DiscardNewFile(const std::wstring& path) = 0;
  // Removes the one-step writes' temporary files in folder that no live
  // writer holds.
  virtual void SweepStaleTemps(const std::wstring& folder) = 0;
  // Makes the bytes of the file at path durable. Where the platform does
  // that for a whole file system at once (syncfs), once per file system:
  // *synced lists those done. A file held open without sharing (a journal,
  // which its holder syncs) is left to its holder.
  virtual bool SyncFileAt(const std::wstring& path, std::vector<uint64_t>* synced) = 0;
  // Makes the names in folder durable; a missing folder holds none.
  virtual bool SyncFolder(const std::wstring& folder) = 0;

  // The compound operations, written once in new_files.cc on the steps
  // above; a wrapper may take them whole.
  virtual bool CopyOneFile(const std::wstring& source, const std::wstring& destination,
                           bool fail_if_exists);
  virtual bool WriteWholeFile(const std::wstring& path, const std::string& bytes);
  virtual bool CanReplaceFile(const std::wstring& path);
  virtual bool StageCopy(const std::wstring& source, const std::wstring& destination,
                         const std::wstring& staged);
  virtual bool StageBytes(const std::string& bytes, const std::wstring& destination,
                          const std::wstring& staged);
  virtual bool SyncPass(const std::vector<std::wstring>& paths);
  virtual bool SyncFolders(const std::vector<std::wstring>& paths);

  // The settings reader's own read (no sharing test, no faults: it opens
  // the file itself) and the one-step write behind WriteWholeFile and the
  // settings writer. The settings functions are built on them, on every
  // file system but the Windows disk, which has the system's own.
  virtual ReadStatus ReadSettingsFile(const std::wstring& path, std::string* bytes) = 0;
  virtual bool WriteInOneStep(const std::wstring& path, const std::string& bytes);
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
