// A terminal changes as a whole. The engine says what changes (files added,
// replaced, removed, bytes patched); a TerminalTransaction decides how:
// every new file is staged beside its destination, the staged files are
// made durable in one pass, then put in place keeping what they replace
// until the end. A failure before or during that puts everything back. A
// small journal, locked while its transaction runs, lets the next run
// finish or undo one that a kill or a power cut left.
//
// Durability. POSIX: only what was synced survives a power cut, and a name
// change only once its folder is synced (or its file system, syncfs).
// Windows: NTFS logs every name change but commits the log lazily;
// MoveFileExW with MOVEFILE_WRITE_THROUGH returns once the rename is on the
// disk; FlushFileBuffers makes a file's data (and, on a folder handle, the
// folder's entries) durable; ReplaceFileW promises nothing more and is not
// used. Commit places its four barriers on those calls (see transaction.cc).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/failure.h"

namespace copyloom {

enum class ChangeAction { kAdd, kReplace, kRemove, kPatch };

struct Change {
  ChangeAction action = ChangeAction::kAdd;
  std::wstring path;  // full path
};

// "add", "replace", "remove", "patch".
const char* ChangeActionName(ChangeAction action);

class TerminalTransaction {
 public:
  // The journal goes into journal_folder (the terminal's data folder). A
  // dry run plans and checks but writes nothing.
  explicit TerminalTransaction(std::wstring journal_folder, bool dry_run = false);
  ~TerminalTransaction();
  TerminalTransaction(const TerminalTransaction&) = delete;
  TerminalTransaction& operator=(const TerminalTransaction&) = delete;

  // A copy of source at destination: an add, or a replace when it exists.
  // A later step for the same destination takes the earlier one's place.
  void Copy(const std::wstring& source, const std::wstring& destination);
  void Write(const std::string& bytes, const std::wstring& destination);
  // Nothing when path does not exist.
  void Remove(const std::wstring& path);
  // Bytes written in place at their offsets (a file that a running terminal
  // holds open with sharing cannot be replaced); only bytes that differ
  // count. False when the file cannot be read or is a link.
  bool Patch(const std::wstring& path, const std::vector<std::pair<uint64_t, uint8_t>>& bytes);

  // The source of a pending copy to destination; empty when none.
  std::wstring PendingSource(const std::wstring& destination) const;
  // The bytes of a pending write to destination; nullptr when none.
  const std::string* PendingBytes(const std::wstring& destination) const;
  bool Removes(const std::wstring& path) const;

  // What the transaction changes, in its order.
  std::vector<Change> Plan() const;

  // Carries the plan out. False when it could not: the files are then as
  // before and *failed says why, of the trader's file or folder (never a
  // staged, kept or journal file of ours).
  bool Commit(platform::Status* failed);
  // What a dry run knows without writing: false with *failed set when a
  // step would be refused (a folder, a read-only or held file in the way,
  // a folder this user cannot write, a read-only mount, too little room).
  bool Check(platform::Status* failed) const;
  // Commit, or Check in a dry run: the one place that tells them apart.
  bool Finish(platform::Status* failed);
  bool dry_run() const { return dry_run_; }

 private:
  struct Step;
  platform::Status Stage(Step& step);
  // A failure said of the trader's file that a staged, kept or journal
  // file stands for.
  platform::Status TraderPath(const platform::Status& status) const;
  // The steps of Commit, each ending in its barrier; a failure is said in
  // *failed (or by the Status) and left for Commit to undo.
  bool WriteJournal(const std::wstring& tag, platform::Status* failed);
  bool StageAll(platform::Status* failed);
  platform::Status MoveAside(const std::vector<std::wstring>& touched);
  platform::Status PutInPlace(const std::vector<std::wstring>& touched);
  void RemoveKept();
  void Undo(size_t committed);
  void Discard();
  bool Append(const std::string& line);

  std::wstring journal_folder_;
  bool dry_run_ = false;
  std::vector<Step> steps_;
  std::wstring journal_path_;
  std::unique_ptr<class JournalHandle> journal_;
  std::vector<std::wstring> made_folders_;
};

// Finishes or undoes what transactions cut short left in journal_folder:
// only journals whose lock is free count. Returns how many it handled.
int RecoverCutShort(const std::wstring& journal_folder);

// What each row of a command changed (or, in a dry run, would change),
// keyed by the row's folder as given to the engine.
using RowChanges = std::map<std::wstring, std::vector<Change>>;

}  // namespace copyloom
