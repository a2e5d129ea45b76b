#include "support/test_files.h"

#include <array>
#include <memory>
#include <mutex>

#include "platform/file_system.h"

namespace copyloom::platform::testing {
namespace {

constexpr size_t kOpCount = static_cast<size_t>(Op::kReplace) + 1;

// Fails the nth call of an operation, then passes everything to the file
// system it wraps. The steps inside one call (a copy's data write, the
// rename ending a one-step write, a walk's listings) it reaches through
// that file system's hook.
class FaultyFiles final : public FileSystem {
 public:
  explicit FaultyFiles(FileSystem* inner) { Wrap(inner); }

  void Wrap(FileSystem* inner) {
    if (inner_) inner_->SetInnerFault(nullptr);
    inner_ = inner;
    inner_->SetInnerFault([this](InnerStep step) {
      switch (step) {
        case InnerStep::kWrite:
          return ShouldFail(Op::kWrite);
        case InnerStep::kReplace:
          return ShouldFail(Op::kReplace);
        case InnerStep::kList:
          return ShouldFail(Op::kList);
      }
      return false;
    });
  }
  FileSystem* inner() const { return inner_; }

  void Arm(Op op, int nth) {
    std::lock_guard<std::mutex> lock(mutex_);
    countdown_[static_cast<size_t>(op)] = nth > 0 ? nth : 0;
  }
  int fired() {
    std::lock_guard<std::mutex> lock(mutex_);
    return fired_;
  }

  bool ShouldFail(Op op) {
    std::lock_guard<std::mutex> lock(mutex_);
    int& left = countdown_[static_cast<size_t>(op)];
    if (left <= 0 || --left != 0) return false;
    ++fired_;
    NoteFailureKind(InjectedKind(op));
    return true;
  }

  FileAttributes QueryAttributes(const std::wstring& path) override {
    return inner_->QueryAttributes(path);
  }
  bool SetReadOnly(const std::wstring& path, bool read_only) override {
    return inner_->SetReadOnly(path, read_only);
  }
  bool CreateOneFolder(const std::wstring& path) override {
    return !ShouldFail(Op::kCreateFolder) && inner_->CreateOneFolder(path);
  }
  std::wstring CreateFolderReason(const std::wstring& path) override {
    if (ShouldFail(Op::kCreateFolder)) return L"Input/output error";
    return inner_->CreateFolderReason(path);
  }
  bool RemoveEmptyFolder(const std::wstring& path) override {
    return inner_->RemoveEmptyFolder(path);
  }
  bool CopyOneFile(const std::wstring& source, const std::wstring& destination,
                   bool fail_if_exists) override {
    return !ShouldFail(Op::kCopy) && inner_->CopyOneFile(source, destination, fail_if_exists);
  }
  bool WriteWholeFile(const std::wstring& path, const std::string& bytes) override {
    return !ShouldFail(Op::kOpenWrite) && inner_->WriteWholeFile(path, bytes);
  }
  bool RemoveOneFile(const std::wstring& path) override {
    return !ShouldFail(Op::kRemove) && inner_->RemoveOneFile(path);
  }
  bool RenameOverFile(const std::wstring& from, const std::wstring& to) override {
    return !ShouldFail(Op::kReplace) && inner_->RenameOverFile(from, to);
  }
  bool CanReplaceFile(const std::wstring& path) override { return inner_->CanReplaceFile(path); }
  bool StageCopy(const std::wstring& source, const std::wstring& destination,
                 const std::wstring& staged) override {
    return !ShouldFail(Op::kCopy) && inner_->StageCopy(source, destination, staged);
  }
  bool StageBytes(const std::string& bytes, const std::wstring& destination,
                  const std::wstring& staged) override {
    return !ShouldFail(Op::kOpenWrite) && inner_->StageBytes(bytes, destination, staged);
  }
  bool SyncPass(const std::vector<std::wstring>& paths) override { return inner_->SyncPass(paths); }
  bool SyncFolders(const std::vector<std::wstring>& paths) override {
    return inner_->SyncFolders(paths);
  }
  bool ListEntries(const std::wstring& folder, const std::wstring& pattern,
                   std::vector<DirEntry>* entries) override {
    entries->clear();
    return !ShouldFail(Op::kList) && inner_->ListEntries(folder, pattern, entries);
  }
  bool WalkFolder(const std::wstring& folder, const std::wstring& pattern,
                  const WalkVisitor& visit) override {
    return inner_->WalkFolder(folder, pattern, visit);
  }
  std::unique_ptr<File> OpenFile(const std::wstring& path, OpenMode mode) override {
    const bool reading = mode == OpenMode::kReadShareAll || mode == OpenMode::kReadShareRead;
    if (ShouldFail(reading ? Op::kOpenRead : Op::kOpenWrite)) return nullptr;
    return inner_->OpenFile(path, mode);
  }
  bool IsFileInUse(const std::wstring& path) override { return inner_->IsFileInUse(path); }
  std::unique_ptr<FileLock> TryLockFile(const std::wstring& path, bool* busy) override {
    return inner_->TryLockFile(path, busy);
  }
  bool GetFileTimes(const std::wstring& path, FileTimes* times) override {
    return inner_->GetFileTimes(path, times);
  }
  bool SetFileTimeOf(const std::wstring& path, TimeKind kind, int64_t filetime) override {
    return inner_->SetFileTimeOf(path, kind, filetime);
  }
  bool IsSameFile(const std::wstring& a, const std::wstring& b) override {
    return inner_->IsSameFile(a, b);
  }
  Status CheckCanWrite(const std::wstring& path) override { return inner_->CheckCanWrite(path); }
  Status CheckFreeSpace(const std::wstring& folder, uint64_t bytes) override {
    return inner_->CheckFreeSpace(folder, bytes);
  }
  // The steps reach the inner file system only through its own compound
  // operations, which the faults above already count.
  bool CheckCopySource(const std::wstring& source, const std::wstring& destination) override {
    return inner_->CheckCopySource(source, destination);
  }
  bool CheckReplaceable(const std::wstring& target, bool no_replace, Replaced* replaced) override {
    return inner_->CheckReplaceable(target, no_replace, replaced);
  }
  std::unique_ptr<File> CreateNewFile(const std::wstring& path, const Replaced& replaced) override {
    return inner_->CreateNewFile(path, replaced);
  }
  bool CopyNewFile(const std::wstring& source, const std::wstring& path, const Replaced& replaced,
                   bool writable, std::unique_ptr<File>* file) override {
    return inner_->CopyNewFile(source, path, replaced, writable, file);
  }
  bool PutInPlace(const std::wstring& temp, const std::wstring& target, bool no_replace,
                  std::unique_ptr<File> file) override {
    return inner_->PutInPlace(temp, target, no_replace, std::move(file));
  }
  void DiscardNewFile(const std::wstring& path) override { inner_->DiscardNewFile(path); }
  void SweepStaleTemps(const std::wstring& folder) override { inner_->SweepStaleTemps(folder); }
  bool SyncFileAt(const std::wstring& path, std::vector<uint64_t>* synced) override {
    return inner_->SyncFileAt(path, synced);
  }
  bool SyncFolder(const std::wstring& folder) override { return inner_->SyncFolder(folder); }
  ReadStatus ReadSettingsFile(const std::wstring& path, std::string* bytes) override {
    return inner_->ReadSettingsFile(path, bytes);
  }
  bool WriteInOneStep(const std::wstring& path, const std::string& bytes) override {
    return inner_->WriteInOneStep(path, bytes);
  }
  std::wstring ProfileRead(const std::wstring& file, const std::wstring& section,
                           const std::wstring& key) override {
    return inner_->ProfileRead(file, section, key);
  }
  bool ProfileWrite(const std::wstring& file, const std::wstring& section,
                    const std::wstring& key, const std::wstring& value) override {
    return inner_->ProfileWrite(file, section, key, value);
  }
  bool OnDisk() const override { return inner_->OnDisk(); }

 private:
  FileSystem* inner_ = nullptr;
  std::mutex mutex_;
  std::array<int, kOpCount> countdown_{};
  int fired_ = 0;
};

struct TestFiles {
  std::mutex mutex;
  std::unique_ptr<MemoryFiles> memory;
  std::unique_ptr<FaultyFiles> faults;
};

TestFiles& State() {
  static TestFiles* state = new TestFiles;
  return *state;
}

// The wrapper, when it is what stands in now (ResetAll takes it out).
FaultyFiles* InstalledFaults(TestFiles& s) {
  return s.faults && &Files() == s.faults.get() ? s.faults.get() : nullptr;
}

}  // namespace

FailureKind InjectedKind(Op op) {
  // What the platform most often answers when that step fails.
  switch (op) {
    case Op::kWrite:
      return FailureKind::kNoSpace;
    case Op::kReplace:
    case Op::kRemove:
      return FailureKind::kHeld;
    case Op::kOpenRead:
    case Op::kOpenWrite:
    case Op::kCreateFolder:
      return FailureKind::kNoPermission;
    case Op::kCopy:
    case Op::kList:
      return FailureKind::kIoError;
  }
  return FailureKind::kOther;
}

void FailNthCall(Op op, int nth) {
  TestFiles& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  FaultyFiles* faults = InstalledFaults(s);
  if (!faults) {
    // The one taken out may have left its hook on a store still alive.
    if (s.faults && s.memory && s.faults->inner() == s.memory.get()) {
      s.memory->SetInnerFault(nullptr);
    }
    // Over whatever stands in for the disk now, counting from nothing.
    auto wrapper = std::make_unique<FaultyFiles>(&Files());
    UseFiles(wrapper.get());
    s.faults = std::move(wrapper);
    faults = s.faults.get();
  }
  faults->Arm(op, nth);
}

int FaultsFired() {
  TestFiles& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  FaultyFiles* faults = InstalledFaults(s);
  return faults ? faults->fired() : 0;
}

MemoryFiles* UseMemoryFiles(bool use) {
  TestFiles& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  FaultyFiles* faults = InstalledFaults(s);
  auto memory = use ? std::make_unique<MemoryFiles>() : nullptr;
  FileSystem* now = memory ? static_cast<FileSystem*>(memory.get()) : &Disk();
  if (faults) {
    faults->Wrap(now);
  } else {
    UseFiles(memory.get());
  }
  s.memory = std::move(memory);
  return s.memory.get();
}

MemoryFiles* InstalledMemoryFiles() {
  TestFiles& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!s.memory) return nullptr;
  FileSystem* now = &Files();
  if (FaultyFiles* faults = InstalledFaults(s)) now = faults->inner();
  return now == s.memory.get() ? s.memory.get() : nullptr;
}

}  // namespace copyloom::platform::testing
