// The installation engine: installs one package (a folder laid out like a
// terminal folder) into one terminal folder, and prepares a first chart with
// the installed expert. One instance per process (TheEngine()).
#pragma once

#include <map>
#include <memory>
#include <string>

#include "foundation/path_util.h"

namespace copyloom {

class CMTAssist {
 public:
  CMTAssist();
  virtual ~CMTAssist() = default;

  // "SUCC", "SUCC - {RERUN}", "SUCC - {RELOAD}" or an engine message with
  // its detail. Identical files are not rewritten.
  std::wstring InstallToTerminal(const std::wstring& package_root, const std::wstring& terminal);

  // Writes chart00.chr and one order.wnd line in the terminal's last profile.
  // "SUCC" when the profile already has a chart00.chr, else empty.
  std::wstring WriteChartProfile(const std::wstring& terminal, const std::wstring& expert_name);

  // Copies the plain files of one package sub-folder; the count installed, 0
  // after an error.
  int CopyFolderFiles(const std::wstring& sub, const std::wstring& root, const std::wstring& term,
                      std::wstring* names, bool overwrite);
  int CopyPackageFolder(const std::wstring& sub, const std::wstring& root,
                        const std::wstring& term);
  int CopyPackageFiles(const std::wstring& sub, const std::wstring& root, const std::wstring& term,
                       std::wstring* names);
  void PatchExpertsIni(const std::wstring& term, bool experts_installed, bool libraries_installed);

  // Package content is read once per command, not once per terminal: the
  // install commands open a batch around their rows.
  void BeginBatch();
  void EndBatch();

  std::wstring m_ErrorText;
  std::wstring m_ExpertPattern = L"*";
  std::wstring m_LibraryPattern = L"*";
  std::wstring m_MarkerText;
  std::wstring m_LibraryVersion;
  bool m_NeedReload = false;
  bool m_NeedRestart = false;
  bool m_Trace = false;

 private:
  struct SourceInfo;
  // Digest and marker checks of a package file, cached for the batch.
  const SourceInfo& Source(const std::wstring& path);

  bool batch_ = false;
  std::map<std::wstring, std::shared_ptr<SourceInfo>> sources_;
};

// The process-wide engine.
CMTAssist& TheEngine();

}  // namespace copyloom
