#include "terminals/shared_terminal_list.h"

#include <algorithm>
#include <map>
#include <unordered_set>

#include "app/process_objects.h"
#include "foundation/file_ctrl.h"
#include "foundation/path_util.h"
#include "terminals/data_lock.h"
#include "terminals/terminal_list.h"

namespace copyloom {
namespace {

using Index = std::map<std::wstring, const SavedTerminal*>;

Index IndexOf(const std::vector<SavedTerminal>& entries) {
  Index index;
  for (const auto& entry : entries) index.emplace(TerminalFolderKey(entry.folder), &entry);
  return index;
}

const SavedTerminal* Find(const Index& index, const std::wstring& key) {
  auto it = index.find(key);
  return it == index.end() ? nullptr : it->second;
}

// A state as restore shows it: a completed install loses its details and
// "nothing to uninstall" reads as empty.
std::wstring RestoredState(std::wstring state, const InterfaceTexts& texts) {
  if (StartsWith(state, texts[TextKey::InstallCompleted])) return texts[TextKey::InstallCompleted];
  if (state == texts[TextKey::UninstallNothing]) state.clear();
  return state;
}

// Another spelling of the same folder is no change.
bool Same(const SavedTerminal* a, const SavedTerminal* b) {
  if (!a || !b) return a == b;
  return a->ticked == b->ticked && a->type == b->type && a->state == b->state &&
         TerminalFolderKey(a->folder) == TerminalFolderKey(b->folder);
}

}  // namespace

std::vector<SavedTerminal> ParseSavedTerminals(const std::wstring& saved,
                                               const InterfaceTexts& texts) {
  std::vector<SavedTerminal> entries;
  std::unordered_set<std::wstring> listed;
  // Asked once: a list may hold 100,000 rows. Without drives (no Wine
  // prefix) native rows are all there is.
  const bool drives = !platform::LogicalDriveStrings().empty();
  for (SavedTerminal& entry : DecodeSavedList(saved)) {
    // Only a Windows path, ".." resolved, as the Windows build reads it: a
    // list from someone else's prefix may name "/home/x" or climb out.
    const std::wstring folder = drives ? WindowsPathOrEmpty(entry.folder) : entry.folder;
    // A lone separator names no folder: it would make a row without one.
    entry.folder = RowFolderText(folder);
    if (entry.folder.empty()) continue;
    // Only the same folder counts as a repeat, not one that contains it.
    if (!listed.insert(TerminalFolderKey(folder)).second) continue;
    entry.state = RestoredState(entry.state, texts);
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<SavedTerminal> SavedTerminalsOf(const InstallerView& view) {
  return ParseSavedTerminals(BuildSavedTerminalList(view), view.Texts());
}

std::vector<SavedTerminal> MergeSavedTerminals(const std::vector<SavedTerminal>& base,
                                               const std::vector<SavedTerminal>& seen,
                                               const std::vector<SavedTerminal>& ours,
                                               const std::vector<SavedTerminal>& theirs) {
  const Index base_index = IndexOf(base), seen_index = IndexOf(seen);
  const Index ours_index = IndexOf(ours), theirs_index = IndexOf(theirs);
  std::vector<SavedTerminal> merged;
  std::unordered_set<std::wstring> done;
  auto decide = [&](const std::wstring& key) {
    if (!done.insert(key).second) return;
    const SavedTerminal* b = Find(base_index, key);
    const SavedTerminal* o = Find(ours_index, key);
    const SavedTerminal* t = Find(theirs_index, key);
    const SavedTerminal* chosen = o;
    if (!Same(t, b) && (Same(o, b) || Same(o, Find(seen_index, key)))) chosen = t;
    if (chosen) merged.push_back(*chosen);
  };
  for (const auto& entry : ours) decide(TerminalFolderKey(entry.folder));
  for (const auto& entry : theirs) decide(TerminalFolderKey(entry.folder));
  // A row the window removed that nobody changed is gone; one the file lost
  // while the window kept it unchanged is gone too (decided above). Rows in
  // base alone were removed on both sides.
  return merged;
}

// ---- SharedTerminalList

std::wstring SharedTerminalList::LockFolder() const {
  return GetPathFolder(TheConfig().config_path());
}

void SharedTerminalList::Restore(InstallerView& view) {
  DataFolderLock lock;
  // Files are replaced in one step, so a read without the lock still sees a
  // whole list; it only misses what a run in progress is about to save.
  lock.Take(LockFolder(), kSaveWaitMs);
  base_text_ = TheConfig().GetConfigValue(kKeyPath);
  RestoreTerminalList(view);
  base_ = ParseSavedTerminals(base_text_, view.Texts());
  seen_ = SavedTerminalsOf(view);
  pending_ = false;
}

platform::Status SharedTerminalList::Save(InstallerView& view, uint32_t wait_ms) {
  DataFolderLock lock;
  if (lock.Take(LockFolder(), wait_ms) == DataFolderLock::Result::kTimedOut) {
    pending_ = true;
    return platform::Status(platform::FailureKind::kHeld, TheConfig().config_path());
  }
  // kFailed: no lock file can be made there; the write will say whether the
  // folder takes the list at all.
  const std::wstring theirs_text = TheConfig().GetConfigValue(kKeyPath);
  const auto theirs = ParseSavedTerminals(theirs_text, view.Texts());
  const auto merged = MergeSavedTerminals(base_, seen_, SavedTerminalsOf(view), theirs);
  const std::wstring text = EncodeSavedList(merged);
  if (platform::Status written = TheConfig().SetConfigValue(kKeyPath, text); !written) {
    pending_ = true;
    return written;
  }
  pending_ = false;
  lock.Release();  // the rows below are the window's alone
  // While a command runs its rows must stay where they are; the merge stays
  // right as long as base and seen are kept, and the save at its end takes
  // the rows in.
  if (view.IsBusy()) return {};
  TakeIn(view, merged);
  base_ = merged;
  base_text_ = text;
  seen_ = SavedTerminalsOf(view);
  return {};
}

void SharedTerminalList::Refresh(InstallerView& view) {
  if (view.IsBusy()) return;
  if (pending_) {
    Save(view, 0);
    return;
  }
  DataFolderLock lock;
  if (lock.Take(LockFolder(), 0) == DataFolderLock::Result::kTimedOut) return;
  const std::wstring theirs_text = TheConfig().GetConfigValue(kKeyPath);
  lock.Release();
  if (theirs_text == base_text_) return;
  const auto theirs = ParseSavedTerminals(theirs_text, view.Texts());
  TakeIn(view, MergeSavedTerminals(base_, seen_, SavedTerminalsOf(view), theirs));
  base_ = theirs;
  base_text_ = theirs_text;
  seen_ = SavedTerminalsOf(view);
}

void SharedTerminalList::TakeIn(InstallerView& view, const std::vector<SavedTerminal>& merged) {
  const InterfaceTexts& texts = view.Texts();
  const Index wanted = IndexOf(merged);
  for (int i = view.RowCount() - 1; i >= 0; --i) {
    if (!Find(wanted, TerminalFolderKey(view.CellText(i, kColumnFolder)))) view.DeleteRow(i);
  }
  const CFileCtrl files;
  for (const auto& entry : merged) {
    int row = FindRow(view, entry.folder);
    if (row < 0) {
      // As at restore: a folder that is gone is not shown (and so not kept).
      if (!KeptFolder(files, entry.folder)) continue;
      row = view.AppendRow(entry.folder);
    }
    const TerminalRow now = view.Row(row);
    if (now.ticked != entry.ticked) view.SetTicked(row, entry.ticked);
    if (RowTypeOf(now.type, texts) != entry.type) {
      view.SetCellText(row, kColumnType, RowTypeText(entry.type, texts));
    }
    if (RestoredState(StoredState(now.state, texts), texts) != entry.state) {
      view.SetCellText(row, kColumnState, entry.state);
    }
  }
}

}  // namespace copyloom
