#include "install/transaction.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>

#include "foundation/file_ctrl.h"
#include "foundation/path_util.h"
#include "platform/platform.h"
#include "platform/prefix.h"

namespace copyloom {

namespace pf = platform;

namespace {

constexpr char kHeader[] = "copyloom transaction 1";
constexpr char kCommitLine[] = "commit";
constexpr char kDoneLine[] = "done";
constexpr wchar_t kJournalPattern[] = L"copyloom-*.cljournal*";
constexpr wchar_t kLockSuffix[] = L".lock";

// "<pid>-<n>", unique between processes and within one.
std::wstring UniqueTag() {
  static std::atomic<unsigned> counter{0};
  return std::to_wstring(pf::CurrentProcessId()) + L"-" + std::to_wstring(counter.fetch_add(1));
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool Exists(const std::wstring& path) { return pf::QueryAttributes(path).exists; }

// A copy of a read-only file is read-only too; it must still be removable
// or replaceable when its step is undone.
bool RemoveWritable(const std::wstring& path) {
  if (!Exists(path)) return true;
  if (pf::QueryAttributes(path).read_only) pf::SetReadOnly(path, false);
  return pf::RemoveOneFile(path).ok();
}

bool PutBack(const std::wstring& backup, const std::wstring& destination) {
  if (pf::QueryAttributes(destination).read_only) pf::SetReadOnly(destination, false);
  return pf::RenameOverFile(backup, destination).ok();
}

// The folder as the trader knows it, without the separator at its end.
std::wstring FolderName(const std::wstring& folder) {
  std::wstring name = folder;
  while (name.size() > 3 && (name.back() == L'\\' || name.back() == L'/')) name.pop_back();
  return name;
}

// What the system said of the last call that failed, about path.
pf::Status SystemFailure(const std::wstring& path) {
  pf::Status status = pf::LastSystemFailure(path);
  return status.ok() ? pf::Status(pf::FailureKind::kOther, path) : status;
}

struct PatchByte {
  uint64_t offset = 0;
  uint8_t old_value = 0;
  uint8_t new_value = 0;
};

bool WriteBytes(const std::wstring& path, const std::vector<PatchByte>& bytes, bool old_values) {
  if (bytes.empty()) return true;
  // Never through a link: the bytes would land in whatever it leads to.
  if (pf::QueryAttributes(path).is_link) return false;
  auto file = pf::OpenFile(path, pf::OpenMode::kReadWrite);
  if (!file) return false;
  bool ok = true;
  for (const PatchByte& b : bytes) {
    const uint8_t value = old_values ? b.old_value : b.new_value;
    ok = file->Seek(b.offset) && file->Write(&value, 1) && ok;
  }
  // Bytes written in place are durable only once synced: no journal line
  // that counts on them may be written before.
  return file->Sync() && ok;
}

constexpr wchar_t kStagedSuffix[] = L".clnew";
constexpr wchar_t kKeptSuffix[] = L".clold";

// The transaction tag in "<name>.~<pid>-<n>-<step>.clnew" (or .clold);
// empty for any other name.
std::wstring TagOf(const std::wstring& name) {
  if (!EndsWith(name, kStagedSuffix) && !EndsWith(name, kKeptSuffix)) return {};
  const size_t start = name.rfind(L".~");
  if (start == std::wstring::npos) return {};
  const std::wstring middle = name.substr(start + 2, name.size() - 6 - start - 2);
  const size_t dash = middle.rfind(L'-');
  if (dash == std::wstring::npos || dash == 0) return {};
  for (wchar_t c : middle) {
    if (c != L'-' && (c < L'0' || c > L'9')) return {};
  }
  return middle.substr(0, dash);
}

// Staged and kept files in folder that no transaction owns: neither their
// journal nor a held lock is left (a cut before the journal reached the
// disk, or a removal that did not). Only our own suffixes, once per folder
// and process; "C:\..." of another Wine prefix is another folder.
void SweepOrphans(const std::wstring& journal_folder, const std::wstring& folder) {
  static std::mutex mutex;
  static auto* swept = new std::set<std::wstring>;
  {
    std::lock_guard<std::mutex> hold(mutex);
    const std::wstring key = pf::CurrentPrefix().root() + L"|" + journal_folder + L"|" + folder;
    if (!swept->insert(key).second) return;
  }
  std::vector<pf::DirEntry> entries;
  if (!pf::ListEntries(folder, L"*.~*.cl*", &entries)) return;
  for (const pf::DirEntry& entry : entries) {
    if (entry.is_folder) continue;
    const std::wstring tag = TagOf(entry.name);
    if (tag.empty()) continue;
    const std::wstring journal = journal_folder + L"copyloom-" + tag + L".cljournal";
    if (Exists(journal)) continue;  // recovery's to finish or undo
    if (Exists(journal + kLockSuffix)) {
      bool busy = false;
      if (!pf::TryLockFile(journal + kLockSuffix, &busy)) continue;  // alive
    }
    RemoveWritable(folder + L"\\" + entry.name);
  }
}

std::string EncodePatch(const std::vector<PatchByte>& bytes) {
  std::string text;
  for (const PatchByte& b : bytes) {
    if (!text.empty()) text += ",";
    text += std::to_string(b.offset) + ":" + std::to_string(b.old_value) + ":" +
            std::to_string(b.new_value);
  }
  return text;
}

std::vector<PatchByte> DecodePatch(const std::string& text) {
  std::vector<PatchByte> bytes;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    const std::string item = text.substr(start, end - start);
    PatchByte b;
    unsigned long long offset = 0;
    unsigned old_value = 0, new_value = 0;
    if (std::sscanf(item.c_str(), "%llu:%u:%u", &offset, &old_value, &new_value) == 3) {
      b.offset = offset;
      b.old_value = static_cast<uint8_t>(old_value);
      b.new_value = static_cast<uint8_t>(new_value);
      bytes.push_back(b);
    }
    start = end + 1;
  }
  return bytes;
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    fields.push_back(
        line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

}  // namespace

// The journal of a live transaction: its lock file, held for the whole
// transaction, and the journal itself, open for appending.
class JournalHandle {
 public:
  std::unique_ptr<pf::FileLock> lock;
  std::unique_ptr<pf::File> file;
};

struct TerminalTransaction::Step {
  ChangeAction action = ChangeAction::kAdd;
  std::wstring destination;
  std::wstring source;  // a copy; else bytes
  std::string bytes;
  std::vector<PatchByte> patch;
  std::wstring staged;
  std::wstring backup;
  bool is_staged = false;
  bool moved_aside = false;
  bool placed = false;
};

const char* ChangeActionName(ChangeAction action) {
  switch (action) {
    case ChangeAction::kAdd:
      return "add";
    case ChangeAction::kReplace:
      return "replace";
    case ChangeAction::kRemove:
      return "remove";
    case ChangeAction::kPatch:
      return "patch";
  }
  return "";
}

TerminalTransaction::TerminalTransaction(std::wstring journal_folder, bool dry_run)
    : journal_folder_(std::move(journal_folder)), dry_run_(dry_run) {
  if (!journal_folder_.empty() && journal_folder_.back() != L'\\' &&
      journal_folder_.back() != L'/') {
    journal_folder_ += L'\\';
  }
  // The terminal as a cut-short run left it is no base to plan on.
  if (!dry_run_) RecoverCutShort(journal_folder_);
}

TerminalTransaction::~TerminalTransaction() {
  if (journal_) Discard();
}

void TerminalTransaction::Copy(const std::wstring& source, const std::wstring& destination) {
  Step step;
  step.action = Exists(destination) ? ChangeAction::kReplace : ChangeAction::kAdd;
  step.destination = destination;
  step.source = source;
  for (Step& other : steps_) {
    if (other.destination == destination && other.action != ChangeAction::kPatch) {
      if (other.action == ChangeAction::kAdd) step.action = ChangeAction::kAdd;
      other = std::move(step);
      return;
    }
  }
  steps_.push_back(std::move(step));
}

void TerminalTransaction::Write(const std::string& bytes, const std::wstring& destination) {
  Copy(L"", destination);
  for (Step& step : steps_) {
    if (step.destination == destination && step.action != ChangeAction::kPatch) step.bytes = bytes;
  }
}

void TerminalTransaction::Remove(const std::wstring& path) {
  if (!Exists(path) || Removes(path)) return;
  Step step;
  step.action = ChangeAction::kRemove;
  step.destination = path;
  steps_.push_back(std::move(step));
}

bool TerminalTransaction::Patch(const std::wstring& path,
                                const std::vector<std::pair<uint64_t, uint8_t>>& bytes) {
  if (pf::QueryAttributes(path).is_link) return false;
  auto file = pf::OpenFile(path, pf::OpenMode::kReadShareAll);
  if (!file) return false;
  Step step;
  step.action = ChangeAction::kPatch;
  step.destination = path;
  const int64_t size = file->Size();
  for (const auto& [offset, value] : bytes) {
    uint8_t old_value = 0;
    size_t read = 0;
    if (static_cast<int64_t>(offset) >= size || !file->Seek(offset) ||
        !file->Read(&old_value, 1, &read) || read != 1) {
      return false;
    }
    if (old_value != value) step.patch.push_back({offset, old_value, value});
  }
  if (!step.patch.empty()) steps_.push_back(std::move(step));
  return true;
}

std::wstring TerminalTransaction::PendingSource(const std::wstring& destination) const {
  for (const Step& step : steps_) {
    if (step.destination == destination &&
        (step.action == ChangeAction::kAdd || step.action == ChangeAction::kReplace)) {
      return step.source;
    }
  }
  return {};
}

const std::string* TerminalTransaction::PendingBytes(const std::wstring& destination) const {
  for (const Step& step : steps_) {
    if (step.destination == destination && step.source.empty() &&
        (step.action == ChangeAction::kAdd || step.action == ChangeAction::kReplace)) {
      return &step.bytes;
    }
  }
  return nullptr;
}

bool TerminalTransaction::Removes(const std::wstring& path) const {
  for (const Step& step : steps_) {
    if (step.destination == path && step.action == ChangeAction::kRemove) return true;
  }
  return false;
}

std::vector<Change> TerminalTransaction::Plan() const {
  std::vector<Change> plan;
  for (const Step& step : steps_) plan.push_back({step.action, step.destination});
  return plan;
}

bool TerminalTransaction::Finish(pf::Status* failed) {
  return dry_run_ ? Check(failed) : Commit(failed);
}

bool TerminalTransaction::Check(pf::Status* failed) const {
  if (steps_.empty()) return true;
  // The journal goes first, into the terminal's data folder.
  if (pf::Status writable = pf::CheckCanWrite(FolderName(journal_folder_)); !writable) {
    *failed = writable;
    return false;
  }
  // Staged files stand beside what they replace until the end: all of them
  // need room at once.
  constexpr uint64_t kBlock = 4096;
  uint64_t staged_bytes = 0;
  std::vector<std::wstring> folders;
  for (const Step& step : steps_) {
    pf::Status status;
    if (step.action == ChangeAction::kPatch) {
      if (pf::QueryAttributes(step.destination).is_link) {
        status = pf::Status(pf::FailureKind::kNotRegularFile, step.destination);
      } else {
        pf::ClearFailureKind();
        if (!pf::OpenFile(step.destination, pf::OpenMode::kReadWrite)) {
          status = SystemFailure(step.destination);
        }
      }
    } else {
      status = pf::CanReplaceFile(step.destination);
      if (status && step.action != ChangeAction::kRemove) {
        status = pf::CheckCanWrite(step.destination);
      }
    }
    if (!status) {
      *failed = status;
      return false;
    }
    if (step.action == ChangeAction::kAdd || step.action == ChangeAction::kReplace) {
      uint64_t size = step.bytes.size();
      if (!step.source.empty()) {
        auto file = pf::OpenFile(step.source, pf::OpenMode::kReadShareAll);
        const int64_t length = file ? file->Size() : 0;
        size = length > 0 ? static_cast<uint64_t>(length) : 0;
      }
      staged_bytes += (size + kBlock - 1) / kBlock * kBlock + kBlock;
      const std::wstring folder = FolderOf(step.destination);
      if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
        folders.push_back(folder);
      }
    }
  }
  for (const std::wstring& folder : folders) {
    if (pf::Status room = pf::CheckFreeSpace(folder, staged_bytes); !room) {
      *failed = room;
      return false;
    }
  }
  return true;
}

pf::Status TerminalTransaction::TraderPath(const pf::Status& status) const {
  if (status.ok()) return status;
  const std::wstring& path = status.path();
  if (path.empty() || path.rfind(journal_path_, 0) == 0) {
    return status.About(FolderName(journal_folder_));
  }
  for (const Step& step : steps_) {
    if (path == step.staged || path == step.backup) return status.About(step.destination);
  }
  return status;
}

bool TerminalTransaction::Append(const std::string& line) {
  const std::string text = line + "\n";
  return journal_ && journal_->file && journal_->file->Write(text.data(), text.size());
}

pf::Status TerminalTransaction::Stage(Step& step) {
  if (step.action == ChangeAction::kRemove) return pf::CanReplaceFile(step.destination);
  if (step.action == ChangeAction::kPatch) {
    if (!pf::QueryAttributes(step.destination).is_link) return {};
    return pf::Status(pf::FailureKind::kNotRegularFile, step.destination);
  }
  // The folder chain first; what this made goes again if the terminal is
  // put back.
  std::vector<std::wstring> missing;
  for (std::wstring folder = FolderOf(step.destination); !folder.empty() && !Exists(folder);
       folder = FolderOf(folder)) {
    missing.push_back(folder);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (pf::Status made = pf::CreateOneFolder(*it); !made) return made;
    made_folders_.push_back(*it);
  }
  pf::Status staged = step.source.empty()
                          ? pf::StageBytes(step.bytes, step.destination, step.staged)
                          : pf::StageCopy(step.source, step.destination, step.staged);
  step.is_staged = staged.ok();
  return staged;
}

// The order below is what a power cut needs: only what was synced is
// durable, and a name change only once its folder is. Each barrier makes
// the state before it durable, so a cut leaves a state the next run
// finishes ("done" is on the disk) or undoes (it is not):
//  1. the journal, then the staged files and "commit", before any rename;
//  2. the renames and the patch before "done";
//  3. "done" before the kept files are removed;
//  4. those removals before the journal goes.
// What is moved aside is durable before anything is put in its place, so
// a file system that reorders name changes cannot lose the old file.
bool TerminalTransaction::Commit(pf::Status* failed) {
  if (steps_.empty()) return true;
  if (!WriteJournal(UniqueTag(), failed) || !StageAll(failed)) {
    Discard();
    return false;
  }
  std::vector<std::wstring> touched;  // every name this may change
  for (const Step& step : steps_) touched.push_back(step.destination);
  pf::Status placed = MoveAside(touched);
  if (placed) placed = PutInPlace(touched);
  // Barrier 3.
  if (placed && (!Append(kDoneLine) || !journal_->file->Sync())) {
    placed = SystemFailure(journal_path_);
  }
  if (!placed) {
    *failed = TraderPath(placed);
    Undo(steps_.size() - 1);
    Discard();
    return false;
  }
  RemoveKept();
  Discard();
  return true;
}

// The journal, naming each step's staged and kept files, durable with its
// name: every staged file is owned by a journal on the disk.
bool TerminalTransaction::WriteJournal(const std::wstring& tag, pf::Status* failed) {
  journal_path_ = journal_folder_ + L"copyloom-" + tag + L".cljournal";
  journal_ = std::make_unique<JournalHandle>();
  pf::ClearFailureKind();
  bool busy = false;
  journal_->lock = pf::TryLockFile(journal_path_ + kLockSuffix, &busy);
  if (journal_->lock) journal_->file = pf::OpenFile(journal_path_, pf::OpenMode::kWriteAppend);
  bool ok = journal_->file && Append(kHeader);
  for (size_t i = 0; ok && i < steps_.size(); ++i) {
    Step& step = steps_[i];
    const std::wstring suffix = L".~" + tag + L"-" + std::to_wstring(i);
    step.staged = step.destination + suffix + L".clnew";
    step.backup = step.destination + suffix + L".clold";
    ok = Append(std::string(ChangeActionName(step.action)) + "\t" +
                pf::WideToUtf8(step.destination) + "\t" + pf::WideToUtf8(step.staged) + "\t" +
                pf::WideToUtf8(step.backup) + "\t" + EncodePatch(step.patch));
  }
  ok = ok && journal_->file->Sync() && pf::SyncFolders({journal_path_});
  if (!ok) *failed = TraderPath(SystemFailure(journal_path_));
  return ok;
}

// Barrier 1: the staged files and "commit" durable before any rename. From
// here on the journal says the next run must undo what it finds. The
// journal is held without sharing: on Windows only its own handle can
// flush it.
bool TerminalTransaction::StageAll(pf::Status* failed) {
  std::vector<std::wstring> durable;
  for (Step& step : steps_) {
    SweepOrphans(journal_folder_, FolderOf(step.destination));
    if (pf::Status staged = Stage(step); !staged) {
      *failed = TraderPath(staged);
      return false;
    }
    if (step.is_staged) durable.push_back(step.staged);
  }
  durable.push_back(journal_path_);
  pf::ClearFailureKind();
  pf::Status synced;
  if (!Append(kCommitLine) || !(synced = pf::SyncPass(durable)) || !journal_->file->Sync() ||
      !(synced = pf::SyncFolders(durable))) {
    *failed = TraderPath(synced.ok() ? SystemFailure(journal_path_) : synced);
    return false;
  }
  return true;
}

// Each file replaced or removed goes aside, durably, before anything is put
// in its place, so a file system that reorders name changes cannot lose it.
// A link is kept and put back as the link.
pf::Status TerminalTransaction::MoveAside(const std::vector<std::wstring>& touched) {
  bool any_aside = false;
  for (Step& step : steps_) {
    if (step.action != ChangeAction::kReplace && step.action != ChangeAction::kRemove) continue;
    const pf::FileAttributes attributes = pf::QueryAttributes(step.destination);
    if (!attributes.exists && !attributes.is_link) continue;
    if (attributes.read_only) return pf::Status(pf::FailureKind::kNoPermission, step.destination);
    if (pf::Status aside = pf::RenameOverFile(step.destination, step.backup); !aside) return aside;
    step.moved_aside = any_aside = true;
  }
  return any_aside ? pf::SyncFolders(touched) : pf::Status();
}

// Barrier 2: the renames and the patches (synced as they were written)
// durable before "done".
pf::Status TerminalTransaction::PutInPlace(const std::vector<std::wstring>& touched) {
  for (Step& step : steps_) {
    pf::ClearFailureKind();
    if (step.is_staged) {
      pf::Status placed = pf::RenameOverFile(step.staged, step.destination);
      step.placed = placed.ok();
      if (!placed) return placed;
    } else if (step.action == ChangeAction::kPatch) {
      step.placed = true;  // a partial patch is undone with the rest
      if (!WriteBytes(step.destination, step.patch, false)) return SystemFailure(step.destination);
    }
  }
  pf::ClearFailureKind();
  return pf::SyncFolders(touched);
}

// Barrier 4: the kept files' removal durable before the journal goes. One
// that would not go, or a removal that may not be on the disk, stays
// listed for the next run to remove.
void TerminalTransaction::RemoveKept() {
  bool cleaned = true;
  std::vector<std::wstring> removed;
  for (Step& step : steps_) {
    if (!step.moved_aside) continue;
    cleaned = RemoveWritable(step.backup) && cleaned;
    removed.push_back(step.backup);
  }
  made_folders_.clear();
  if (!cleaned || !pf::SyncFolders(removed).ok()) journal_.reset();
}

void TerminalTransaction::Undo(size_t last) {
  bool all_back = true;
  std::vector<std::wstring> touched;
  for (size_t j = last + 1; j-- > 0;) {
    Step& step = steps_[j];
    touched.push_back(step.destination);
    if (step.action == ChangeAction::kPatch) {
      if (step.placed) all_back = WriteBytes(step.destination, step.patch, true) && all_back;
      continue;
    }
    if (step.placed && !step.moved_aside) all_back = RemoveWritable(step.destination) && all_back;
    if (step.moved_aside) all_back = PutBack(step.backup, step.destination) && all_back;
    step.placed = step.moved_aside = false;
  }
  // What was put back is durable before the journal goes; what could not
  // be stays in the journal for the next run.
  if ((!all_back || !pf::SyncFolders(touched).ok()) && journal_) {
    journal_->file.reset();
    journal_.reset();
  }
}

void TerminalTransaction::Discard() {
  std::vector<std::wstring> removed;
  for (Step& step : steps_) {
    if (step.is_staged && !step.placed) {
      RemoveWritable(step.staged);
      removed.push_back(step.staged);
    }
    step.is_staged = false;
  }
  for (auto it = made_folders_.rbegin(); it != made_folders_.rend(); ++it) {
    pf::RemoveEmptyFolder(*it);
  }
  made_folders_.clear();
  if (!journal_) return;
  journal_->file.reset();
  // Staged files whose removal is not durable would outlive their journal.
  if (pf::SyncFolders(removed)) pf::RemoveOneFile(journal_path_);
  journal_->lock.reset();
  if (!Exists(journal_path_)) pf::RemoveOneFile(journal_path_ + kLockSuffix);
  journal_.reset();
}

namespace {

// A journal as a cut left it: its steps' fields and how far it got.
struct CutJournal {
  std::vector<std::vector<std::string>> steps;
  bool committed = false;
  bool done = false;
};

CutJournal ParseJournal(const std::string& text) {
  CutJournal journal;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = text.substr(start, end - start);
    if (line == kCommitLine) journal.committed = true;
    if (line == kDoneLine) journal.done = true;
    auto fields = SplitFields(line);
    if (fields.size() == 5) journal.steps.push_back(std::move(fields));
  }
  return journal;
}

bool KeptFileThere(const std::wstring& backup) {
  return Exists(backup) || pf::QueryAttributes(backup).is_link;
}

// Finishes a journal that says "done" (the kept files go) or undoes one
// that says "commit" (each file back as it was), last step first; the
// staged files go either way. *touched gets every name it may change.
bool FinishOrUndo(const CutJournal& journal, std::vector<std::wstring>* touched) {
  bool ok = true;
  for (auto it = journal.steps.rbegin(); it != journal.steps.rend(); ++it) {
    const std::string& action = (*it)[0];
    const std::wstring destination = pf::Utf8ToWide((*it)[1]);
    const std::wstring staged = pf::Utf8ToWide((*it)[2]);
    const std::wstring backup = pf::Utf8ToWide((*it)[3]);
    touched->push_back(destination);
    const bool staged_left = Exists(staged);
    if (staged_left) ok = RemoveWritable(staged) && ok;
    if (journal.done) {
      if (KeptFileThere(backup)) ok = RemoveWritable(backup) && ok;
      continue;
    }
    if (!journal.committed) continue;
    if (action == "patch") {
      if (Exists(destination)) ok = WriteBytes(destination, DecodePatch((*it)[4]), true) && ok;
    } else if (KeptFileThere(backup)) {
      ok = PutBack(backup, destination) && ok;
    } else if (action == "add" && !staged_left) {
      ok = RemoveWritable(destination) && ok;
    }
  }
  return ok;
}

// A lock whose journal went but which could not be removed itself.
void RemoveStrayLock(const std::wstring& lock_path) {
  if (Exists(lock_path.substr(0, lock_path.size() - 5))) return;
  bool busy = false;
  if (auto lock = pf::TryLockFile(lock_path, &busy)) {
    lock.reset();
    pf::RemoveOneFile(lock_path);
  }
}

}  // namespace

int RecoverCutShort(const std::wstring& journal_folder) {
  std::vector<pf::DirEntry> entries;
  if (!pf::ListEntries(journal_folder, kJournalPattern, &entries)) return 0;
  const CFileCtrl files;
  int handled = 0;
  for (const pf::DirEntry& entry : entries) {
    if (entry.is_folder || entry.is_link) continue;
    if (EndsWith(entry.name, kLockSuffix)) {
      RemoveStrayLock(journal_folder + entry.name);
      continue;
    }
    if (!EndsWith(entry.name, L".cljournal")) continue;
    const std::wstring journal = journal_folder + entry.name;
    // A live transaction holds it: not cut short.
    bool busy = false;
    auto lock = pf::TryLockFile(journal + kLockSuffix, &busy);
    if (!lock) continue;
    std::vector<std::wstring> touched;
    const bool ok = FinishOrUndo(ParseJournal(files.ReadWholeFile(journal)), &touched);
    // What this finished or put back is durable before its journal goes, as
    // in a commit (patches were synced as they were written).
    if (!ok || !pf::SyncFolders(touched).ok()) continue;
    pf::RemoveOneFile(journal);
    lock.reset();
    pf::RemoveOneFile(journal + kLockSuffix);
    ++handled;
  }
  return handled;
}

}  // namespace copyloom
