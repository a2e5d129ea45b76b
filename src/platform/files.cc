// The file functions of platform.h, once for both builds: each asks the
// installed file system and turns a refusal into a Status.
#include <atomic>

#include "platform/disk.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/test_hooks.h"

namespace copyloom::platform {
namespace {

// Set while a copy fails on its source rather than its destination.
thread_local bool source_failed = false;

std::atomic<FileSystem*> installed{nullptr};

// Runs one call; its failure is said of path (of source when a copy could
// not read it).
template <typename F>
Status Run(const std::wstring& path, F&& f, const std::wstring& source = {}) {
  ClearFailureKind();
  source_failed = false;
  disk::ClearSystemError();
  if (f()) return {};
  return LastSystemFailure(source_failed && !source.empty() ? source : path);
}

const std::wstring& FirstOf(const std::vector<std::wstring>& paths) {
  static const std::wstring none;
  return paths.empty() ? none : paths.front();
}

class DiskFiles final : public FileSystem {
 public:
  FileAttributes QueryAttributes(const std::wstring& path) override {
    return disk::QueryAttributes(path);
  }
  bool SetReadOnly(const std::wstring& path, bool read_only) override {
    return disk::SetReadOnly(path, read_only);
  }
  bool CreateOneFolder(const std::wstring& path) override { return disk::CreateOneFolder(path); }
  std::wstring CreateFolderReason(const std::wstring& path) override {
    return disk::CreateFolderReason(path);
  }
  bool RemoveEmptyFolder(const std::wstring& path) override {
    return disk::RemoveEmptyFolder(path);
  }
  bool RemoveOneFile(const std::wstring& path) override { return disk::RemoveOneFile(path); }
  bool RenameOverFile(const std::wstring& from, const std::wstring& to) override {
    return disk::RenameOverFile(from, to);
  }
  bool ListEntries(const std::wstring& folder, const std::wstring& pattern,
                   std::vector<DirEntry>* entries) override {
    return disk::ListEntries(folder, pattern, entries);
  }
  bool WalkFolder(const std::wstring& folder, const std::wstring& pattern,
                  const WalkVisitor& visit) override {
    return disk::WalkFolder(folder, pattern, visit);
  }
  std::unique_ptr<File> OpenFile(const std::wstring& path, OpenMode mode) override {
    return disk::OpenFile(path, mode);
  }
  bool IsFileInUse(const std::wstring& path) override { return disk::IsFileInUse(path); }
  std::unique_ptr<FileLock> TryLockFile(const std::wstring& path, bool* busy) override {
    return disk::TryLockFile(path, busy);
  }
  bool GetFileTimes(const std::wstring& path, FileTimes* times) override {
    return disk::GetFileTimes(path, times);
  }
  bool SetFileTimeOf(const std::wstring& path, TimeKind kind, int64_t filetime) override {
    return disk::SetFileTimeOf(path, kind, filetime);
  }
  bool IsSameFile(const std::wstring& a, const std::wstring& b) override {
    return disk::IsSameFile(a, b);
  }
  Status CheckCanWrite(const std::wstring& path) override { return disk::CheckCanWrite(path); }
  Status CheckFreeSpace(const std::wstring& folder, uint64_t bytes) override {
    return disk::CheckFreeSpace(folder, bytes);
  }
  bool CheckCopySource(const std::wstring& source, const std::wstring& destination) override {
    return disk::CheckCopySource(source, destination);
  }
  bool CheckReplaceable(const std::wstring& target, bool no_replace, Replaced* replaced) override {
    return disk::CheckReplaceable(target, no_replace, replaced);
  }
  std::unique_ptr<File> CreateNewFile(const std::wstring& path, const Replaced& replaced) override {
    return disk::CreateNewFile(path, replaced);
  }
  bool CopyNewFile(const std::wstring& source, const std::wstring& path, const Replaced& replaced,
                   bool writable, std::unique_ptr<File>* file) override {
    return disk::CopyNewFile(source, path, replaced, writable, file);
  }
  bool PutInPlace(const std::wstring& temp, const std::wstring& target, bool no_replace,
                  std::unique_ptr<File> file) override {
    return disk::PutInPlace(temp, target, no_replace, std::move(file));
  }
  void DiscardNewFile(const std::wstring& path) override { disk::DiscardNewFile(path); }
  void SweepStaleTemps(const std::wstring& folder) override { disk::SweepStaleTemps(folder); }
  bool SyncFileAt(const std::wstring& path, std::vector<uint64_t>* synced) override {
    return disk::SyncFileAt(path, synced);
  }
  bool SyncFolder(const std::wstring& folder) override { return disk::SyncFolder(folder); }
  ReadStatus ReadSettingsFile(const std::wstring& path, std::string* bytes) override {
    return disk::ReadSettingsFile(path, bytes);
  }
  std::wstring ProfileRead(const std::wstring& file, const std::wstring& section,
                           const std::wstring& key) override {
    return disk::ProfileRead(file, section, key);
  }
  bool ProfileWrite(const std::wstring& file, const std::wstring& section,
                    const std::wstring& key, const std::wstring& value) override {
    return disk::ProfileWrite(file, section, key, value);
  }
  bool OnDisk() const override { return true; }
};

}  // namespace

FileSystem& Disk() {
  // Never destroyed: static destructors may still touch files.
  static FileSystem* disk = new DiskFiles;
  return *disk;
}

FileSystem& Files() {
  FileSystem* files = installed.load(std::memory_order_acquire);
  return files ? *files : Disk();
}

FileSystem* UseFiles(FileSystem* files) { return installed.exchange(files); }

namespace disk {
bool Fails(InnerStep step) { return Disk().InnerFails(step); }
void NoteSourceFailed(bool failed) { source_failed = failed; }
}  // namespace disk

FileAttributes QueryAttributes(const std::wstring& path) {
  return Files().QueryAttributes(path);
}
Status SetReadOnly(const std::wstring& path, bool read_only) {
  return Run(path, [&] { return Files().SetReadOnly(path, read_only); });
}
Status CreateOneFolder(const std::wstring& path) {
  return Run(path, [&] { return Files().CreateOneFolder(path); });
}
std::wstring CreateFolderReason(const std::wstring& path) {
  return Files().CreateFolderReason(path);
}
bool RemoveEmptyFolder(const std::wstring& path) { return Files().RemoveEmptyFolder(path); }
Status CopyOneFile(const std::wstring& source, const std::wstring& destination,
                   bool fail_if_exists) {
  return Run(
      destination, [&] { return Files().CopyOneFile(source, destination, fail_if_exists); },
      source);
}
Status WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  return Run(path, [&] { return Files().WriteWholeFile(path, bytes); });
}
Status RemoveOneFile(const std::wstring& path) {
  return Run(path, [&] { return Files().RemoveOneFile(path); });
}
Status RenameOverFile(const std::wstring& from, const std::wstring& to) {
  return Run(to, [&] { return Files().RenameOverFile(from, to); });
}
Status CanReplaceFile(const std::wstring& path) {
  return Run(path, [&] { return Files().CanReplaceFile(path); });
}
Status StageCopy(const std::wstring& source, const std::wstring& destination,
                 const std::wstring& staged) {
  return Run(
      destination, [&] { return Files().StageCopy(source, destination, staged); }, source);
}
Status StageBytes(const std::string& bytes, const std::wstring& destination,
                  const std::wstring& staged) {
  return Run(destination, [&] { return Files().StageBytes(bytes, destination, staged); });
}
Status SyncPass(const std::vector<std::wstring>& paths) {
  if (paths.empty() || hooks::SkipSync()) return {};
  return Run(FirstOf(paths), [&] { return Files().SyncPass(paths); });
}
Status SyncFolders(const std::vector<std::wstring>& paths) {
  if (paths.empty() || hooks::SkipSync()) return {};
  return Run(FirstOf(paths), [&] { return Files().SyncFolders(paths); });
}
bool ListEntries(const std::wstring& folder, const std::wstring& pattern,
                 std::vector<DirEntry>* entries) {
  return Files().ListEntries(folder, pattern, entries);
}
bool WalkFolder(const std::wstring& folder, const std::wstring& pattern, const WalkVisitor& visit) {
  return Files().WalkFolder(folder, pattern, visit);
}
std::unique_ptr<File> OpenFile(const std::wstring& path, OpenMode mode) {
  return Files().OpenFile(path, mode);
}
bool IsFileInUse(const std::wstring& path) { return Files().IsFileInUse(path); }
std::unique_ptr<FileLock> TryLockFile(const std::wstring& path, bool* busy) {
  return Files().TryLockFile(path, busy);
}
bool GetFileTimes(const std::wstring& path, FileTimes* times) {
  return Files().GetFileTimes(path, times);
}
bool SetFileTimeOf(const std::wstring& path, TimeKind kind, int64_t filetime) {
  return Files().SetFileTimeOf(path, kind, filetime);
}
bool IsSameFile(const std::wstring& a, const std::wstring& b) { return Files().IsSameFile(a, b); }
Status CheckCanWrite(const std::wstring& path) { return Files().CheckCanWrite(path); }
Status CheckFreeSpace(const std::wstring& folder, uint64_t bytes) {
  return Files().CheckFreeSpace(folder, bytes);
}
std::wstring ProfileRead(const std::wstring& file, const std::wstring& section,
                         const std::wstring& key) {
  return Files().ProfileRead(file, section, key);
}
Status ProfileWrite(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                    const std::wstring& value) {
  return Run(file, [&] { return Files().ProfileWrite(file, section, key, value); });
}

}  // namespace copyloom::platform
