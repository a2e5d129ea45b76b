// The window's terminal list when other runs (the command line, a second
// window) save the same clinst.cfg. Each save re-reads "PATH" under the data
// folder's lock and merges, row by row (a row is its folder):
//  - a row only one side changed since the window last read the file keeps
//    that side's change (added, changed or removed);
//  - a row both sides changed keeps the window's change when it was made
//    since the window last took in the file, else the file's (made later).
// Between saves the window takes in what others saved (Refresh), so "later"
// is exact to one refresh period.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "terminals/installer_view.h"
#include "terminals/saved_list_codec.h"

namespace copyloom {

// The entries of a "PATH" text as restore takes them: a folder listed twice
// counts once (the first), unusable folders are dropped, a completed state
// loses its details and "nothing to uninstall" reads as empty. Existence is
// not checked.
std::vector<SavedTerminal> ParseSavedTerminals(const std::wstring& saved,
                                               const InterfaceTexts& texts);

// The entries of the rows, as a save would write them.
std::vector<SavedTerminal> SavedTerminalsOf(const InstallerView& view);

// The three-way merge described above. base: the file as the window last
// read it; seen: the window's rows at that moment; ours: its rows now;
// theirs: the file now. Ours' order, then rows new in theirs.
std::vector<SavedTerminal> MergeSavedTerminals(const std::vector<SavedTerminal>& base,
                                               const std::vector<SavedTerminal>& seen,
                                               const std::vector<SavedTerminal>& ours,
                                               const std::vector<SavedTerminal>& theirs);

class SharedTerminalList {
 public:
  // How long an ordinary save waits for a command-line run to finish before
  // leaving the save for the next refresh.
  static constexpr uint32_t kSaveWaitMs = 2000;

  // RestoreTerminalList, reading under the lock when it can be had soon.
  void Restore(InstallerView& view);
  // Merges and writes "PATH" under the lock, waiting up to wait_ms for it;
  // a failure (and the save kept pending) when it is not had in time (kHeld,
  // naming the settings file) or the write fails (its cause). While a
  // command runs the rows are left as they are.
  platform::Status Save(InstallerView& view, uint32_t wait_ms = kSaveWaitMs);
  // Takes in what others saved; a pending save is made instead. Does nothing
  // while a command runs or another run holds the lock.
  void Refresh(InstallerView& view);
  bool save_pending() const { return pending_; }

 private:
  void TakeIn(InstallerView& view, const std::vector<SavedTerminal>& merged);
  std::wstring LockFolder() const;

  std::vector<SavedTerminal> base_;
  std::vector<SavedTerminal> seen_;
  std::wstring base_text_;
  bool pending_ = false;
};

}  // namespace copyloom
