// The installation engine: installs one package (a folder laid out like a
// terminal folder) into one terminal folder, and prepares a first chart with
// the installed expert. One instance per process (TheEngine()).
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

class CMTAssist {
 public:
  CMTAssist();
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

  // Copies the plain files of one package sub-folder; the count installed, 0
  // after an error (or at once when an earlier step failed). Each installed
  // file's name without extension is appended to names as "name,", except a
  // ".mq4" whose ".ex4" is in the package too.
  int CopyFolderFiles(const std::wstring& sub, const std::wstring& root, const std::wstring& term,
                      std::wstring* names, bool overwrite);
  int CopyPackageFolder(const std::wstring& sub, const std::wstring& root,
                        const std::wstring& term);
  int CopyPackageFiles(const std::wstring& sub, const std::wstring& root, const std::wstring& term,
                       std::wstring* names);
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

  // A signed kit checked before the rows (CheckKit): its files are then
  // installed from the bytes read and checked there, never read again.
  std::shared_ptr<const KitCheck> m_Kit;
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
  std::wstring m_ExpertPattern = L"*";
  std::wstring m_LibraryPattern = L"*";
  std::wstring m_MarkerText;
  std::wstring m_LibraryVersion;
  // 0 to 19 English, 20 to 39 Chinese; read through GetMessageText.
  const std::array<std::wstring, kMessageSlotCount>& m_Messages;
  // What the last InstallToTerminal or WriteChartProfile changed (in a dry
  // run: would change); also recorded for the row (RecordRowChanges).
  std::vector<Change> m_Changes;
  // The last InstallToTerminal failed while writing and put the terminal
  // back as it was (in a dry run: would fail there).
  bool m_RolledBack = false;
  bool m_NeedReload = false;
  bool m_NeedRestart = false;
  // Set when the program's path ends with "1.exe" (exactly that case).
  bool m_Trace = false;

 private:
  // The scan of a package file, from the batch cache when still valid.
  SourceScan Source(const std::wstring& path, const std::vector<std::string>& needles);
  void Forget(std::map<std::wstring, SourceScan>::iterator it);
  void Trace(const std::wstring& line) const;
  // Where a package sub-folder goes in the terminal's layout.
  std::wstring DestinationFolder(const std::wstring& sub, const std::wstring& term) const;

  // Ends a terminal's transaction: committed, or only checked in a dry run.
  bool Finish(TerminalTransaction& txn, const std::wstring& terminal, platform::Status* failed);

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

// The process-wide engine.
CMTAssist& TheEngine();

}  // namespace copyloom
