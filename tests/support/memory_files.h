// A file store in memory that stands in for the disk behind the file seam,
// for fuzz runs and tests that install it (testing::UseMemoryFiles).
// Files are keyed by their Windows path with case folded, on the drives of
// the test hook's drive table; a path off those drives does not exist here,
// and the disk is never touched. It models what the file primitives promise:
// folders, read-only files, times, listings, new files and renames,
// sharing locks, and the two odd kinds a test plants: a FIFO
// (never a regular file) and a file of a given size without its bytes.
// Injected faults come from a wrapper around it (support/test_files.h).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/platform.h"

namespace copyloom::platform {

class MemoryFiles final : public FileSystem {
 public:
  MemoryFiles();
  ~MemoryFiles();
  MemoryFiles(const MemoryFiles&) = delete;
  MemoryFiles& operator=(const MemoryFiles&) = delete;

  FileAttributes QueryAttributes(const std::wstring& path) override;
  bool SetReadOnly(const std::wstring& path, bool read_only) override;
  bool CreateOneFolder(const std::wstring& path) override;
  bool RemoveEmptyFolder(const std::wstring& path) override;
  bool RemoveOneFile(const std::wstring& path) override;
  bool RenameOverFile(const std::wstring& from, const std::wstring& to) override;
  std::wstring CreateFolderReason(const std::wstring& path) override;
  bool CheckCopySource(const std::wstring& source, const std::wstring& destination) override;
  bool CheckReplaceable(const std::wstring& target, bool no_replace, Replaced* replaced) override;
  std::unique_ptr<File> CreateNewFile(const std::wstring& path, const Replaced& replaced) override;
  bool CopyNewFile(const std::wstring& source, const std::wstring& path, const Replaced& replaced,
                   bool writable, std::unique_ptr<File>* file) override;
  bool PutInPlace(const std::wstring& temp, const std::wstring& target, bool no_replace,
                  std::unique_ptr<File> file) override;
  void DiscardNewFile(const std::wstring& path) override;
  void SweepStaleTemps(const std::wstring& folder) override;
  bool SyncFileAt(const std::wstring& path, std::vector<uint64_t>* synced) override;
  bool SyncFolder(const std::wstring& folder) override;
  bool ListEntries(const std::wstring& folder, const std::wstring& pattern,
                   std::vector<DirEntry>* entries) override;
  bool WalkFolder(const std::wstring& folder, const std::wstring& pattern,
                  const WalkVisitor& visit) override;
  std::unique_ptr<File> OpenFile(const std::wstring& path, OpenMode mode) override;
  bool IsFileInUse(const std::wstring& path) override;
  std::unique_ptr<FileLock> TryLockFile(const std::wstring& path, bool* busy) override;
  bool GetFileTimes(const std::wstring& path, FileTimes* times) override;
  bool SetFileTimeOf(const std::wstring& path, TimeKind kind, int64_t filetime) override;
  bool IsSameFile(const std::wstring& a, const std::wstring& b) override;
  // Every write fits: no mounts, no rights, no quota here.
  Status CheckCanWrite(const std::wstring&) override { return {}; }
  Status CheckFreeSpace(const std::wstring&, uint64_t) override { return {}; }
  ReadStatus ReadSettingsFile(const std::wstring& path, std::string* bytes) override;
  bool OnDisk() const override { return false; }

  // What tests plant: a FIFO, or a regular file of size zero bytes that
  // holds no memory. Replace whatever file was there; false when the
  // folder is missing.
  bool PlantFifo(const std::wstring& path);
  bool PlantSized(const std::wstring& path, uint64_t size);
  enum class Kind { kMissing, kFile, kFolder, kFifo };
  // The kind of what is at path and, for a file, its size.
  Kind KindOf(const std::wstring& path, uint64_t* size = nullptr);

  struct Node;

  // What a durability model (a power-cut test) is told, under the store's
  // lock (it must not call back): each name change and each barrier. An id
  // stands for a file's identity (its inode); keys are folded paths.
  class Observer {
   public:
    virtual ~Observer() = default;
    // Created at key, or put there by a one-step write (replacing).
    virtual void Named(const std::wstring& key, const std::wstring& name, uint64_t id,
                       bool folder) = 0;
    virtual void Unnamed(const std::wstring& key) = 0;
    // The bytes a file holds now, after a write.
    virtual void Wrote(uint64_t id, const std::string& bytes) = 0;
    virtual void Renamed(const std::wstring& from, const std::wstring& to,
                         const std::wstring& name, uint64_t id) = 0;
    // fsync of a file, fsync of a folder, syncfs (every file's bytes).
    virtual void SyncedFile(uint64_t id, const std::string& bytes) = 0;
    virtual void SyncedFolder(const std::wstring& key) = 0;
    virtual void SyncedAll(const std::map<uint64_t, std::string>& files) = 0;
  };
  void SetObserver(Observer* observer);
  struct FileRecord {
    std::wstring key;
    std::wstring name;
    uint64_t id = 0;
    bool folder = false;
    std::string bytes;
  };
  // Everything the store holds now.
  std::vector<FileRecord> Records();

 private:
  using NodePtr = std::shared_ptr<Node>;
  struct Key {
    std::wstring folded;                 // "C:\A\B", letter case folded
    const std::wstring* path = nullptr;  // as given, for NameOf
  };
  // nullopt for a path off the drive table's drives.
  static std::optional<Key> KeyOf(const std::wstring& path);
  // The name a new file or folder at key gets.
  static std::wstring NameOf(const Key& key);
  NodePtr Find(const std::optional<Key>& key);
  NodePtr Find(const Key& key);
  bool ParentExists(const Key& key);
  // What a one-step write or a staged write may replace.
  bool Replaceable(const NodePtr& node, bool no_replace) const;
  NodePtr NewNode(const Key& key, int type, bool notify = true);
  // A new file at key, locked for its writer; nullptr when key is taken
  // or its folder missing. Its name is told now (notify_now) or later.
  NodePtr NewFile(const Key& key, bool notify_now);
  bool Plant(const std::wstring& path, bool fifo, uint64_t size);

  // Shared with the open handles and locks, which may outlive a call.
  std::shared_ptr<std::mutex> mutex_;
  std::map<std::wstring, NodePtr> nodes_;
  std::shared_ptr<Observer*> observer_ = std::make_shared<Observer*>(nullptr);
  uint64_t next_id_ = 1;
};

}  // namespace copyloom::platform
