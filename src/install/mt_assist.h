// The installation engine: installs one package (a folder laid out like a
// terminal folder) into one terminal folder, and prepares a first chart with
// the installed expert. Each command builds its own from what it needs.
#pragma once

#include "platform/failure.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/path_util.h"
#include "install/kit_manifest.h"
#include "install/result_text.h"
#include "install/source_scan.h"
#include "install/transaction.h"
#include "terminals/terminal_layout.h"

namespace copyloom {

// The six package sub-folders an install copies from, in its order:
// "config" first, so that a package's own experts.ini is in place before it
// is patched.
inline constexpr const wchar_t* kPackageSubfolders[] = {L"config",
                                                        L"profiles",
                                                        L"templates",
                                                        L"experts",
                                                        L"experts\\indicators",
                                                        L"experts\\libraries"};

// What one command installs with. An engine is made from it per command, so
// nothing one command chose (a side's marker, a pattern) stays for the next.
struct EngineSetup {
  std::wstring expert_pattern = L"*";
  std::wstring library_pattern = L"*";
  // Texts every changed compiled file must hold; empty: not checked.
  std::wstring marker_text;
  std::wstring library_version;
  // A signed kit checked before the rows: its files are then installed from
  // the bytes read and checked there, never read again.
  std::shared_ptr<const KitCheck> kit;
  // Plans and checks, writes nothing (log included).
  bool dry_run = false;
};

class CMTAssist {
 public:
  explicit CMTAssist(EngineSetup setup = {});
  virtual ~CMTAssist() = default;
  CMTAssist(const CMTAssist&) = delete;
  CMTAssist& operator=(const CMTAssist&) = delete;

  // "SUCC", "SUCC - {RERUN}", "SUCC - {RELOAD}" or an engine message with
  // its detail ("\n" or "#" before it). Identical files are not rewritten.
  // The terminal is its installation folder; the files go where its layout
  // says (term is passed as such to the copy functions below too).
  // A package file that cannot be read fails like a copy would.
  std::wstring InstallToTerminal(const std::wstring& package_root, const std::wstring& terminal);

  // Writes chart00.chr and one order.wnd line in the terminal's last profile
  // (in its data folder).
  // "SUCC" when the profile already has a chart00.chr, else empty (also on
  // success).
  // check_only: reads what the chart is made from and writes nothing, so
  // that a broken file (m_BrokenFile) is found before an install changes
  // the terminal.
  std::wstring WriteChartProfile(const std::wstring& terminal, const std::wstring& expert_name,
                                 bool check_only = false);

  // Backs config\experts.ini up once (experts.vlm) and marks bytes 20, 24
  // (libraries) and 36 (experts) of a file longer than 200 bytes. A terminal
  // without the file gets the program folder's copy, unpatched. False when
  // the file is a link or cannot be read, or (outside InstallToTerminal,
  // which commits it with the rest) when the changes could not be written.
  bool PatchExpertsIni(const std::wstring& term, bool experts_installed, bool libraries_installed);

  // Package content is read once per command, not once per terminal: the
  // install commands open a batch around their rows. Within a batch a
  // package file's digest (or its bytes, up to a bounded total) and marker
  // checks are reused while its path, size and last-write time stay the
  // same. Results are those of a plain run.
  void BeginBatch();
  void EndBatch();

  // From the command's set-up (EngineSetup), fixed for the engine's life.
  const std::shared_ptr<const KitCheck> m_Kit;
  const std::wstring m_ExpertPattern;
  const std::wstring m_LibraryPattern;
  const std::wstring m_MarkerText;
  const std::wstring m_LibraryVersion;
  std::wstring m_ErrorText;
  // A terminal file that InstallToTerminal or WriteChartProfile found not
  // plain or over its cap (left as it is); empty when none.
  std::wstring m_BrokenFile;
  // Why the last InstallToTerminal, PatchExpertsIni or WriteChartProfile
  // failed writing, when a write failed; ok otherwise.
  platform::Status m_Failure;
  // Package files skipped since the batch began because Windows could not
  // hold their names (they would be read as paths), each once.
  TextList m_SkippedNames;
  // 0 to 19 English, 20 to 39 Chinese; read through GetMessageText.
  const std::array<std::wstring, kMessageSlotCount>& m_Messages;
  // What the last InstallToTerminal or WriteChartProfile changed (in a dry
  // run: would change); also kept for the row (row_changes).
  std::vector<Change> m_Changes;
  // The last InstallToTerminal failed while writing and put the terminal
  // back as it was (in a dry run: would fail there).
  bool m_RolledBack = false;
  bool m_NeedReload = false;
  bool m_NeedRestart = false;
  // Set when the program's path ends with "1.exe" (exactly that case).
  bool m_Trace = false;

  bool dry_run() const { return dry_run_; }
  // What each terminal this engine worked on changed (in a dry run: would
  // change), keyed by the terminal as given; one that failed early has an
  // empty list.
  const RowChanges& row_changes() const { return row_changes_; }

 private:
  // Copies the plain files of one package sub-folder into the transaction;
  // the count installed, 0 after an error (or at once when an earlier step
  // failed). With names, each installed file's name without extension is
  // appended as "name,", except a ".mq4" whose ".ex4" is in the package too.
  int CopyFolderFiles(const std::wstring& sub, const std::wstring& root, const std::wstring& term,
                      std::wstring* names);
  // One package file of sub into the transaction, its name added to names
  // as above; false, with m_ErrorText set, when the row cannot complete.
  bool CopyPackageFile(const std::wstring& sub, const std::wstring& source,
                       const std::wstring& destination_folder,
                       const std::vector<std::string>& needles, std::wstring* names);
  // Identical, or put into the transaction (from the checked bytes when
  // given); false for a file that cannot be read. A changed compiled file
  // without every needle sets m_ErrorText.
  bool PutPackageFile(const std::wstring& source, const std::wstring& destination,
                      const std::shared_ptr<const std::string>& checked,
                      const std::vector<std::string>& needles);
  // The six package sub-folders in their order; the count installed.
  int CopyPackage(const std::wstring& root, const std::wstring& term, std::wstring* expert_names,
                  std::wstring* library_names);
  // What one terminal's install reports starts empty.
  void ResetForTerminal();
  // The engine's text when term is no terminal or the package no package.
  std::wstring RefusedTerminalOrPackage(const std::wstring& root, const std::wstring& term) const;
  void RecordRowChanges(const std::wstring& terminal, const std::vector<Change>& changes);

  // The scan of a package file, from the batch cache when still valid.
  SourceScan Source(const std::wstring& path, const std::vector<std::string>& needles);
  void Forget(std::map<std::wstring, SourceScan>::iterator it);
  void Trace(const std::wstring& line) const;
  // Where a package sub-folder goes in the terminal's layout.
  std::wstring DestinationFolder(const std::wstring& sub, const std::wstring& term) const;

  // "SUCC", or what the running terminal must do to see the new files.
  std::wstring SuccessResult() const;
  // The signed kit's record of what the terminal received, or an old record
  // removed.
  void RecordInstalledKit(TerminalTransaction& txn, const std::wstring& data_folder);
  // Ends a terminal's transaction: committed, or only checked in a dry run.
  bool Finish(TerminalTransaction& txn, const std::wstring& terminal, platform::Status* failed);

  const bool dry_run_;
  RowChanges row_changes_;
  bool batch_ = false;
  // The transaction of the terminal InstallToTerminal works on, while it does.
  TerminalTransaction* txn_ = nullptr;
  std::map<std::wstring, SourceScan> sources_;
  // The layout of the terminal InstallToTerminal works on, while it does.
  std::optional<TerminalLayout> layout_;
  uint64_t held_bytes_ = 0;  // package bytes the batch keeps in memory
  // The signed kit's files the terminal InstallToTerminal works on received
  // (or held already), as the manifest names them, lower case.
  std::vector<std::wstring> kit_files_;
};

// Opens a batch on an engine for the life of the object.
class ScopedInstallBatch {
 public:
  explicit ScopedInstallBatch(CMTAssist& engine) : engine_(engine) { engine_.BeginBatch(); }
  ~ScopedInstallBatch() { engine_.EndBatch(); }
  ScopedInstallBatch(const ScopedInstallBatch&) = delete;
  ScopedInstallBatch& operator=(const ScopedInstallBatch&) = delete;

 private:
  CMTAssist& engine_;
};

}  // namespace copyloom
