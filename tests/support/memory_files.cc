#include "support/memory_files.h"

#include "platform/failure.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/path_rules.h"
#include "platform/temp_files.h"
#include "platform/test_hooks.h"
#include "platform/walk_listing.h"
#include "platform/wildcard.h"

namespace copyloom::platform {

namespace {
// Notes why the store refuses a call, as the disk's error code would say.
bool Refuse(FailureKind kind) {
  NoteFailureKind(kind);
  return false;
}
}  // namespace

struct MemoryFiles::Node {
  enum class Type { kFile, kFolder, kFifo };
  Type type = Type::kFile;
  uint64_t id = 0;
  std::wstring name;  // the last component as first created
  std::string bytes;
  // A planted file of this size holds no bytes and reads as zeros.
  std::optional<uint64_t> sparse;
  bool read_only = false;
  // A one-step write's temporary file: its name is told to the observer
  // only once it is in place, as the write appears in one step.
  bool hidden = false;
  int64_t last_write = 0;
  int64_t last_access = 0;
  // Sharing locks held by open handles, as flock keeps them.
  int shared = 0;
  bool exclusive = false;

  bool is_file() const { return type == Type::kFile; }
  uint64_t size() const { return sparse ? *sparse : bytes.size(); }
  // A write needs the bytes a planted file stands for.
  void Materialize() {
    if (sparse) bytes.assign(static_cast<size_t>(*sparse), '\0');
    sparse.reset();
  }
};

namespace {

using Node = MemoryFiles::Node;

// The persistence of the calls each build's disk makes: on Windows a
// one-step write and a rename go write-through (MoveFileExW), which NTFS
// commits with its log, and the sync pass flushes each file it is given;
// on POSIX a name change waits for its folder's sync, and the pass syncs
// the whole file system.
#ifdef _WIN32
constexpr bool kWriteThroughRenames = true;
#else
constexpr bool kWriteThroughRenames = false;
#endif

std::wstring FolderOfKey(const std::wstring& key) {
  const size_t slash = key.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : key.substr(0, slash);
}

int64_t Now() {
  const auto since = std::chrono::system_clock::now().time_since_epoch();
  return kFileTimeAtUnixEpoch +
         std::chrono::duration_cast<std::chrono::microseconds>(since).count() * 10;
}

enum class Lock { kNone, kShared, kExclusive };

bool CanLock(const Node& node, Lock lock) {
  if (lock == Lock::kNone) return true;
  if (node.exclusive) return false;
  return lock == Lock::kShared || node.shared == 0;
}

void TakeLock(Node& node, Lock lock) {
  if (lock == Lock::kShared) ++node.shared;
  if (lock == Lock::kExclusive) node.exclusive = true;
}

void DropLock(Node& node, Lock lock) {
  if (lock == Lock::kShared) --node.shared;
  if (lock == Lock::kExclusive) node.exclusive = false;
}

class MemoryFile : public File {
 public:
  MemoryFile(std::shared_ptr<std::mutex> mutex, std::shared_ptr<Node> node, Lock lock,
             bool can_read, bool can_write, bool append,
             std::shared_ptr<MemoryFiles::Observer*> observer, std::wstring path)
      : path_(std::move(path)),
        observer_(std::move(observer)),
        mutex_(std::move(mutex)),
        node_(std::move(node)),
        lock_(lock),
        can_read_(can_read),
        can_write_(can_write),
        append_(append) {}

  ~MemoryFile() override {
    std::lock_guard<std::mutex> hold(*mutex_);
    DropLock(*node_, lock_);
  }

  bool Read(void* buffer, size_t size, size_t* read) override {
    std::lock_guard<std::mutex> hold(*mutex_);
    *read = 0;
    if (!can_read_ || !node_->is_file()) return false;
    const uint64_t total = node_->size();
    if (position_ >= total) return true;
    *read = static_cast<size_t>(std::min<uint64_t>(size, total - position_));
    if (node_->sparse) {
      std::memset(buffer, 0, *read);
    } else {
      std::memcpy(buffer, node_->bytes.data() + position_, *read);
    }
    position_ += *read;
    return true;
  }

  Status Write(const void* data, size_t size) override {
    std::lock_guard<std::mutex> hold(*mutex_);
    if (!can_write_ || !node_->is_file()) return Status(FailureKind::kNoPermission, path_);
    node_->Materialize();
    std::string& bytes = node_->bytes;
    if (append_) position_ = bytes.size();
    if (position_ > bytes.size()) bytes.resize(static_cast<size_t>(position_));
    bytes.replace(static_cast<size_t>(position_),
                  std::min<size_t>(size, bytes.size() - static_cast<size_t>(position_)),
                  static_cast<const char*>(data), size);
    position_ += size;
    node_->last_write = Now();
    if (*observer_) (*observer_)->Wrote(node_->id, bytes);
    return {};
  }

  bool Seek(uint64_t offset) override {
    position_ = offset;
    return true;
  }

  int64_t Size() override {
    std::lock_guard<std::mutex> hold(*mutex_);
    return static_cast<int64_t>(node_->size());
  }

  bool Sync() override {
    std::lock_guard<std::mutex> hold(*mutex_);
    if (*observer_ && !hooks::SkipSync() && node_->is_file()) {
      (*observer_)->SyncedFile(node_->id, node_->bytes);
    }
    return true;
  }

 private:
  std::wstring path_;
  std::shared_ptr<MemoryFiles::Observer*> observer_;
  std::shared_ptr<std::mutex> mutex_;
  std::shared_ptr<Node> node_;
  Lock lock_;
  bool can_read_;
  bool can_write_;
  bool append_;
  uint64_t position_ = 0;
};

class MemoryLock : public FileLock {
 public:
  MemoryLock(std::shared_ptr<std::mutex> mutex, std::shared_ptr<Node> node)
      : mutex_(std::move(mutex)), node_(std::move(node)) {}
  ~MemoryLock() override {
    std::lock_guard<std::mutex> hold(*mutex_);
    DropLock(*node_, Lock::kExclusive);
  }

 private:
  std::shared_ptr<std::mutex> mutex_;
  std::shared_ptr<Node> node_;
};

}  // namespace

MemoryFiles::MemoryFiles() : mutex_(std::make_shared<std::mutex>()) {}
MemoryFiles::~MemoryFiles() = default;

std::optional<MemoryFiles::Key> MemoryFiles::KeyOf(const std::wstring& path) {
  if (path.size() < 2 || path[1] != L':') return std::nullopt;
  const wchar_t letter = FoldChar(path[0]);
  const auto* drives = hooks::DriveTable();
  if (!drives || !drives->count(letter)) return std::nullopt;
  // "C:x" is relative to the drive's current folder, which this store has not.
  if (path.size() > 2 && !IsSeparator(path[2])) return std::nullopt;
  // Written in place: this runs on every call of every primitive.
  Key key;
  key.path = &path;
  std::wstring& folded = key.folded;
  folded.resize(path.size() + 1);
  wchar_t* out = folded.data();
  size_t length = 0;
  out[length++] = letter;
  out[length++] = L':';
  size_t i = 2;
  while (i < path.size()) {
    while (i < path.size() && IsSeparator(path[i])) ++i;
    size_t end = i;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    const std::wstring_view part(path.data() + i, end - i);
    if (part == L"..") {
      // Never above the drive.
      while (length > 2 && out[length - 1] != L'\\') --length;
      if (length > 2) --length;
    } else if (!part.empty() && part != L".") {
      out[length++] = L'\\';
      for (wchar_t c : part) out[length++] = FoldChar(c);
    }
    i = end;
  }
  folded.resize(length);
  return key;
}

std::wstring MemoryFiles::NameOf(const Key& key) {
  // The last component left after "." and "..", in the path's own case.
  std::vector<std::wstring_view> parts;
  const std::wstring& path = *key.path;
  size_t i = 2;
  while (i < path.size()) {
    while (i < path.size() && IsSeparator(path[i])) ++i;
    size_t end = i;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    const std::wstring_view part(path.data() + i, end - i);
    if (part == L"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != L".") {
      parts.push_back(part);
    }
    i = end;
  }
  return parts.empty() ? std::wstring() : std::wstring(parts.back());
}

MemoryFiles::NodePtr MemoryFiles::Find(const std::optional<Key>& key) {
  return key ? Find(*key) : nullptr;
}

MemoryFiles::NodePtr MemoryFiles::Find(const Key& key) {
  auto it = nodes_.find(key.folded);
  if (it != nodes_.end()) return it->second;
  if (key.folded.size() != 2) return nullptr;
  // A drive's root is there from the start.
  auto root = std::make_shared<Node>();
  root->type = Node::Type::kFolder;
  root->last_write = root->last_access = Now();
  nodes_.emplace(key.folded, root);
  return root;
}

bool MemoryFiles::ParentExists(const Key& key) {
  if (key.folded.size() <= 2) return Refuse(FailureKind::kMissing);
  const size_t slash = key.folded.rfind(L'\\');
  if (slash == 2) return true;  // the drive's root
  auto it = nodes_.find(key.folded.substr(0, slash));
  return (it != nodes_.end() && it->second->type == Node::Type::kFolder) ||
         Refuse(FailureKind::kMissing);
}

bool MemoryFiles::Replaceable(const NodePtr& node, bool no_replace) const {
  if (!node) return true;
  if (no_replace) return false;
  if (!node->is_file()) return Refuse(FailureKind::kNotRegularFile);
  if (node->read_only) return Refuse(FailureKind::kNoPermission);
  // Someone holding the file without sharing keeps it.
  return CanLock(*node, Lock::kExclusive) || Refuse(FailureKind::kHeld);
}

MemoryFiles::NodePtr MemoryFiles::NewNode(const Key& key, int type, bool notify) {
  auto node = std::make_shared<Node>();
  node->type = static_cast<Node::Type>(type);
  node->name = NameOf(key);
  node->id = next_id_++;
  node->last_write = node->last_access = Now();
  nodes_[key.folded] = node;
  if (notify && *observer_) {
    (*observer_)->Named(key.folded, node->name, node->id, node->type == Node::Type::kFolder);
  }
  return node;
}

FileAttributes MemoryFiles::QueryAttributes(const std::wstring& path) {
  std::lock_guard<std::mutex> hold(*mutex_);
  FileAttributes attributes;
  const NodePtr node = Find(KeyOf(path));
  if (!node) return attributes;
  attributes.exists = true;
  attributes.is_folder = node->type == Node::Type::kFolder;
  attributes.read_only = node->read_only;
  return attributes;
}

bool MemoryFiles::SetReadOnly(const std::wstring& path, bool read_only) {
  std::lock_guard<std::mutex> hold(*mutex_);
  const NodePtr node = Find(KeyOf(path));
  if (!node) return false;
  node->read_only = read_only;
  return true;
}

bool MemoryFiles::CreateOneFolder(const std::wstring& path) {
  std::lock_guard<std::mutex> hold(*mutex_);
  const auto key = KeyOf(path);
  if (!key || Find(key) || !ParentExists(*key)) return false;
  NewNode(*key, static_cast<int>(Node::Type::kFolder));
  return true;
}

std::wstring MemoryFiles::CreateFolderReason(const std::wstring& path) {
  std::lock_guard<std::mutex> hold(*mutex_);
  const auto key = KeyOf(path);
  if (!key) return L"no such drive";
  if (const NodePtr node = Find(key)) {
    return node->type == Node::Type::kFolder ? L"" : L"Not a directory";
  }
  if (!ParentExists(*key)) return L"No such file or directory";
  NewNode(*key, static_cast<int>(Node::Type::kFolder));
  return L"";
}

bool MemoryFiles::RemoveEmptyFolder(const std::wstring& path) {
  std::lock_guard<std::mutex> hold(*mutex_);
  const auto key = KeyOf(path);
  const NodePtr node = Find(key);
  if (!node || node->type != Node::Type::kFolder || key->folded.size() <= 2) return false;
  auto next = nodes_.upper_bound(key->folded);
  const std::wstring below = key->folded + L'\\';
  if (next != nodes_.end() && next->first.compare(0, below.size(), below) == 0) return false;
  nodes_.erase(key->folded);
  if (*observer_) (*observer_)->Unnamed(key->folded);
  return true;
}

bool MemoryFiles::RemoveOneFile(const std::wstring& path) {
  std::lock_guard<std::mutex> hold(*mutex_);
  const auto key = KeyOf(path);
  const NodePtr node = Find(key);
  if (!node) return Refuse(FailureKind::kMissing);
  if (node->type == Node::Type::kFolder) return Refuse(FailureKind::kNotRegularFile);
  if (node->read_only) return Refuse(FailureKind::kNoPermission);
  nodes_.erase(key->folded);
  if (*observer_) (*observer_)->Unnamed(key->folded);
  return true;
}

bool MemoryFiles::RenameOverFile(const std::wstring& from, const std::wstring& to) {
  std::lock_guard<std::mutex> hold(*mutex_);
  const auto a = KeyOf(from);
  const auto b = KeyOf(to);
  const NodePtr node = Find(a);
  if (!node || node->type == Node::Type::kFolder || !b || !ParentExists(*b)) return false;
  if (const NodePtr there = Find(b)) {
    if (there->type == Node::Type::kFolder) return Refuse(FailureKind::kNotRegularFile);
    if (there->read_only) return Refuse(FailureKind::kNoPermission);
  }
  nodes_.erase(a->folded);
  node->name = NameOf(*b);
  nodes_[b->folded] = node;
  if (*observer_) {
    (*observer_)->Renamed(a->folded, b->folded, node->name, node->id);
    if (kWriteThroughRenames && !hooks::SkipSync()) {
      (*observer_)->SyncedFolder(FolderOfKey(a->folded));
      (*observer_)->SyncedFolder(FolderOfKey(b->folded));
    }
  }
  return true;
}

namespace {

// The name a one-step write gives its temporary file (see temp_files.h).
bool IsOneStepTemp(const std::wstring& name) {
  const std::wstring suffix(temp_files::kSuffix, temp_files::kSuffix + 6);
  return name.size() > suffix.size() && name.find(L".~") != std::wstring::npos &&
         name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

bool MemoryFiles::CheckCopySource(const std::wstring& source, const std::wstring& destination) {
  std::lock_guard<std::mutex> hold(*mutex_);
  const auto from = KeyOf(source);
  const auto to = KeyOf(destination);
  const NodePtr node = Find(from);
  return node && node->is_file() && to && from->folded != to->folded;
}

bool MemoryFiles::CheckReplaceable(const std::wstring& target, bool no_replace,
                                   Replaced* replaced) {
  replaced->keep = -1;
  std::lock_guard<std::mutex> hold(*mutex_);
  const auto key = KeyOf(target);
  return key && Replaceable(Find(key), no_replace);
}

MemoryFiles::NodePtr MemoryFiles::NewFile(const Key& key, bool notify_now) {
  if (Find(key) || !ParentExists(key)) return nullptr;
  const bool hidden = IsOneStepTemp(NameOf(key));
  const NodePtr node = NewNode(key, static_cast<int>(Node::Type::kFile), notify_now && !hidden);
  node->hidden = hidden;
  TakeLock(*node, Lock::kExclusive);
  return node;
}

std::unique_ptr<File> MemoryFiles::CreateNewFile(const std::wstring& path, const Replaced&) {
  std::lock_guard<std::mutex> hold(*mutex_);
  const auto key = KeyOf(path);
  const NodePtr node = key ? NewFile(*key, true) : nullptr;
  if (!node) return nullptr;
  return std::make_unique<MemoryFile>(mutex_, node, Lock::kExclusive, false, true, false,
                                      observer_, path);
}

bool MemoryFiles::CopyNewFile(const std::wstring& source, const std::wstring& path,
                              const Replaced&, bool writable, std::unique_ptr<File>* file) {
  std::lock_guard<std::mutex> hold(*mutex_);
  const NodePtr from = Find(KeyOf(source));
  const auto key = KeyOf(path);
  if (!from || !from->is_file() || !key || Find(key) || !ParentExists(*key)) return false;
  if (InnerFails(InnerStep::kWrite)) return false;
  const NodePtr node = NewFile(*key, false);
  node->bytes = from->bytes;
  node->sparse = from->sparse;
  node->read_only = from->read_only && !writable;
  if (from->last_write) node->last_write = from->last_write;
  if (*observer_) {
    (*observer_)->Wrote(node->id, node->bytes);
    if (!node->hidden) (*observer_)->Named(key->folded, node->name, node->id, false);
  }
  *file = std::make_unique<MemoryFile>(mutex_, node, Lock::kExclusive, false, false, false,
                                       observer_, path);
  return true;
}

bool MemoryFiles::PutInPlace(const std::wstring& temp, const std::wstring& target,
                             bool no_replace, std::unique_ptr<File> file) {
  file.reset();  // its lock, before the store's own
  std::lock_guard<std::mutex> hold(*mutex_);
  const auto a = KeyOf(temp);
  const auto b = KeyOf(target);
  const NodePtr node = Find(a);
  if (!node || !b || !ParentExists(*b)) return false;
  if (no_replace && Find(b)) return Refuse(FailureKind::kOther);
  nodes_.erase(a->folded);
  node->name = NameOf(*b);
  nodes_[b->folded] = node;
  if (*observer_) {
    if (node->hidden) {
      (*observer_)->Named(b->folded, node->name, node->id, false);
    } else {
      (*observer_)->Renamed(a->folded, b->folded, node->name, node->id);
    }
    // MoveFileExW with write-through.
    if (kWriteThroughRenames && !hooks::SkipSync()) {
      (*observer_)->SyncedFolder(FolderOfKey(b->folded));
    }
  }
  node->hidden = false;
  return true;
}

void MemoryFiles::DiscardNewFile(const std::wstring& path) {
  std::lock_guard<std::mutex> hold(*mutex_);
  const auto key = KeyOf(path);
  const NodePtr node = Find(key);
  if (!node || !node->is_file()) return;
  nodes_.erase(key->folded);
  if (*observer_ && !node->hidden) (*observer_)->Unnamed(key->folded);
}

void MemoryFiles::SweepStaleTemps(const std::wstring& folder) {
  std::lock_guard<std::mutex> hold(*mutex_);
  const auto key = KeyOf(folder);
  if (!key) return;
  const std::wstring below = key->folded + L'\\';
  for (auto it = nodes_.lower_bound(below);
       it != nodes_.end() && it->first.compare(0, below.size(), below) == 0;) {
    const Node& node = *it->second;
    const bool stale = it->first.find(L'\\', below.size()) == std::wstring::npos &&
                       node.is_file() && IsOneStepTemp(node.name) &&
                       CanLock(node, Lock::kExclusive);
    if (!stale) {
      ++it;
      continue;
    }
    if (*observer_ && !node.hidden) (*observer_)->Unnamed(it->first);
    it = nodes_.erase(it);
  }
}

bool MemoryFiles::SyncFileAt(const std::wstring& path, std::vector<uint64_t>* synced) {
  std::lock_guard<std::mutex> hold(*mutex_);
  const NodePtr node = Find(KeyOf(path));
  if (!node || !node->is_file()) return false;
  if (!*observer_) return true;
  if (kWriteThroughRenames) {
    // FlushFileBuffers, file by file.
    (*observer_)->SyncedFile(node->id, node->bytes);
    return true;
  }
  // syncfs: one store, one file system.
  if (!synced->empty()) return true;
  synced->push_back(0);
  std::map<uint64_t, std::string> files;
  for (const auto& [key, one] : nodes_) {
    if (one->is_file()) files[one->id] = one->bytes;
  }
  (*observer_)->SyncedAll(files);
  return true;
}

bool MemoryFiles::SyncFolder(const std::wstring& folder) {
  std::lock_guard<std::mutex> hold(*mutex_);
  const auto key = KeyOf(folder);
  if (!key) return false;
  const NodePtr node = Find(*key);
  if (!node) return true;  // no name there to make durable
  if (node->type != Node::Type::kFolder) return false;
  if (*observer_) (*observer_)->SyncedFolder(key->folded);
  return true;
}

void MemoryFiles::SetObserver(Observer* observer) {
  std::lock_guard<std::mutex> hold(*mutex_);
  *observer_ = observer;
}

std::vector<MemoryFiles::FileRecord> MemoryFiles::Records() {
  std::lock_guard<std::mutex> hold(*mutex_);
  std::vector<FileRecord> records;
  for (const auto& [key, node] : nodes_) {
    records.push_back({key, node->name, node->id, node->type == Node::Type::kFolder, node->bytes});
  }
  return records;
}

bool MemoryFiles::ListEntries(const std::wstring& folder, const std::wstring& pattern,
                              std::vector<DirEntry>* entries) {
  entries->clear();
  std::lock_guard<std::mutex> hold(*mutex_);
  const auto key = KeyOf(folder);
  const NodePtr node = Find(key);
  if (!node || node->type != Node::Type::kFolder) return false;
  hooks::CountListing();
  const std::wstring below = key->folded + L'\\';
  for (auto it = nodes_.lower_bound(below);
       it != nodes_.end() && it->first.compare(0, below.size(), below) == 0; ++it) {
    if (it->first.find(L'\\', below.size()) != std::wstring::npos) continue;
    if (!MatchesWildcard(it->second->name, pattern)) continue;
    DirEntry entry;
    entry.name = it->second->name;
    entry.is_folder = it->second->type == Node::Type::kFolder;
    entries->push_back(std::move(entry));
  }
  std::sort(entries->begin(), entries->end(), [](const DirEntry& a, const DirEntry& b) {
    return CompareIgnoreCase(a.name, b.name) < 0;
  });
  return true;
}

std::unique_ptr<File> MemoryFiles::OpenFile(const std::wstring& path, OpenMode mode) {
  const bool reading = mode == OpenMode::kReadShareAll || mode == OpenMode::kReadShareRead;
  std::lock_guard<std::mutex> hold(*mutex_);
  const auto key = KeyOf(path);
  NodePtr node = Find(key);
  const bool writes = mode == OpenMode::kWriteTruncate || mode == OpenMode::kWriteAppend ||
                      mode == OpenMode::kReadWrite;
  if (node) {
    if (node->type == Node::Type::kFolder) {
      // Only to change its times, which Write does not do here.
      if (mode != OpenMode::kWriteShareAll) return nullptr;
      return std::make_unique<MemoryFile>(mutex_, node, Lock::kNone, false, false, false,
                                          observer_, path);
    }
    // A FIFO is refused at once, never waited on.
    if (node->type == Node::Type::kFifo) return nullptr;
    if (writes && node->read_only) return nullptr;
  } else {
    const bool creates = mode == OpenMode::kWriteTruncate || mode == OpenMode::kWriteAppend;
    if (!key || !creates || !ParentExists(*key)) return nullptr;
    node = NewNode(*key, static_cast<int>(Node::Type::kFile));
  }
  Lock lock = Lock::kNone;
  if (mode == OpenMode::kReadShareRead || mode == OpenMode::kReadWrite) lock = Lock::kShared;
  if (mode == OpenMode::kWriteTruncate || mode == OpenMode::kWriteAppend) lock = Lock::kExclusive;
  // Sharing everything still yields to a writer that shares nothing.
  const Lock probe = mode == OpenMode::kReadShareAll ? Lock::kShared : lock;
  if (!CanLock(*node, probe)) return nullptr;
  TakeLock(*node, lock);
  if (mode == OpenMode::kWriteTruncate) {
    node->bytes.clear();
    node->sparse.reset();
    node->last_write = Now();
    if (*observer_) (*observer_)->Wrote(node->id, node->bytes);
  }
  return std::make_unique<MemoryFile>(mutex_, node, lock, reading || mode == OpenMode::kReadWrite,
                                      writes, mode == OpenMode::kWriteAppend, observer_, path);
}

ReadStatus MemoryFiles::ReadSettingsFile(const std::wstring& path, std::string* bytes) {
  const uint64_t cap = kSettingsFileCap;
  bytes->clear();
  std::lock_guard<std::mutex> hold(*mutex_);
  const NodePtr node = Find(KeyOf(path));
  if (!node) return ReadStatus::kMissing;
  if (node->type == Node::Type::kFolder) return ReadStatus::kBroken;
  if (!node->is_file() || node->size() > cap) return ReadStatus::kBroken;
  if (node->sparse) {
    bytes->assign(static_cast<size_t>(*node->sparse), '\0');
  } else {
    *bytes = node->bytes;
  }
  return ReadStatus::kOk;
}

bool MemoryFiles::WalkFolder(const std::wstring& folder, const std::wstring& pattern,
                             const WalkVisitor& visit) {
  // No handles here: the walk goes by listings, through the installed file
  // system, so that a wrapper's faults reach each one.
  return WalkByListing(folder, pattern, visit);
}

bool MemoryFiles::IsFileInUse(const std::wstring& path) {
  std::lock_guard<std::mutex> hold(*mutex_);
  const NodePtr node = Find(KeyOf(path));
  if (!node) return false;
  if (node->type == Node::Type::kFolder) return false;
  return !CanLock(*node, Lock::kExclusive);
}

std::unique_ptr<FileLock> MemoryFiles::TryLockFile(const std::wstring& path, bool* busy) {
  *busy = false;
  std::lock_guard<std::mutex> hold(*mutex_);
  const auto key = KeyOf(path);
  NodePtr node = Find(key);
  if (!node) {
    if (!key || !ParentExists(*key)) return nullptr;
    node = NewNode(*key, static_cast<int>(Node::Type::kFile));
  }
  if (!node->is_file() || node->read_only) return nullptr;
  if (!CanLock(*node, Lock::kExclusive)) {
    *busy = true;
    return nullptr;
  }
  TakeLock(*node, Lock::kExclusive);
  return std::make_unique<MemoryLock>(mutex_, node);
}

bool MemoryFiles::GetFileTimes(const std::wstring& path, FileTimes* times) {
  std::lock_guard<std::mutex> hold(*mutex_);
  const NodePtr node = Find(KeyOf(path));
  if (!node) return false;
  times->last_write = times->creation = node->last_write;
  times->last_access = node->last_access;
  return true;
}

bool MemoryFiles::SetFileTimeOf(const std::wstring& path, TimeKind kind, int64_t filetime) {
  std::lock_guard<std::mutex> hold(*mutex_);
  const NodePtr node = Find(KeyOf(path));
  if (!node) return false;
  if (kind == TimeKind::kLastWrite) node->last_write = filetime;
  if (kind == TimeKind::kLastAccess) node->last_access = filetime;
  return true;
}

bool MemoryFiles::IsSameFile(const std::wstring& a, const std::wstring& b) {
  std::lock_guard<std::mutex> hold(*mutex_);
  const NodePtr one = Find(KeyOf(a));
  return one && one == Find(KeyOf(b));
}

bool MemoryFiles::Plant(const std::wstring& path, bool fifo, uint64_t size) {
  std::lock_guard<std::mutex> hold(*mutex_);
  const auto key = KeyOf(path);
  if (!key || !ParentExists(*key)) return false;
  if (const NodePtr there = Find(key); there && there->type == Node::Type::kFolder) return false;
  const NodePtr node =
      NewNode(*key, static_cast<int>(fifo ? Node::Type::kFifo : Node::Type::kFile));
  if (!fifo) node->sparse = size;
  return true;
}

bool MemoryFiles::PlantFifo(const std::wstring& path) { return Plant(path, true, 0); }

bool MemoryFiles::PlantSized(const std::wstring& path, uint64_t size) {
  return Plant(path, false, size);
}

MemoryFiles::Kind MemoryFiles::KindOf(const std::wstring& path, uint64_t* size) {
  std::lock_guard<std::mutex> hold(*mutex_);
  const NodePtr node = Find(KeyOf(path));
  if (!node) return Kind::kMissing;
  if (size) *size = node->size();
  switch (node->type) {
    case Node::Type::kFolder:
      return Kind::kFolder;
    case Node::Type::kFifo:
      return Kind::kFifo;
    case Node::Type::kFile:
      break;
  }
  return Kind::kFile;
}

}  // namespace copyloom::platform
