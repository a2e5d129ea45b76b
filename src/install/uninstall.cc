#include "install/uninstall.h"

#include <algorithm>
#include <vector>

#include "app/product_profile.h"
#include "foundation/file_ctrl.h"
#include "foundation/path_util.h"
#include "install/command_guard.h"
#include "install/install_commands.h"
#include "install/kit_manifest.h"
#include "install/installed_kit.h"
#include "install/kit_names.h"
#include "install/result_text.h"
#include "install/row_outcome.h"
#include "platform/platform.h"
#include "terminals/terminal_layout.h"

namespace copyloom {
namespace {

constexpr wchar_t kBuiltInLibraries[] = L"vlcpy.dll*vlcpyw.dll";
constexpr wchar_t kBuiltInChineseExperts[] =
    L"_Velmora喊单系统.ex4*_Velmora喊单EA.ex4*_Velmora跟单系统.ex4*_Velmora跟单EA.ex4*";
constexpr wchar_t kBuiltInEnglishExperts[] =
    L"_Velmora Signal Provider.ex4*_Velmora Signal Receiver.ex4*";

struct UninstallNames {
  TextList libraries;  // built in, from experts\libraries
  TextList experts;    // built in, from experts; with the kit's, for the chart test
  // The kit's own names per package sub-folder, removed from the folder the
  // install put that sub-folder in.
  std::vector<std::pair<std::wstring, TextList>> kit;
};

// The built-in names, then the names of what an install from this program
// would copy: the plain files of the six package sub-folders of its package
// roots, less junk and names Windows cannot hold (an install never copies
// them, so a trader's file of that name is not ours). Nothing else beside
// the program counts: a kit unpacked into Downloads or the home folder must
// not make the trader's own experts look like ours.
std::wstring AsFolderPath(std::wstring path) {
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
  return path;
}

UninstallNames BuildNames() {
  UninstallNames names;
  SplitText(kBuiltInLibraries, L"*", &names.libraries, true);
  SplitText(std::wstring(kBuiltInChineseExperts) + kBuiltInEnglishExperts, L"*", &names.experts,
            true);
  const InstallSession session{DetectInstallSide(GetProgramPath(), TheProfile().side_chooser)};
  for (const wchar_t* sub : kPackageSubfolders) {
    TextList found;
    for (const std::wstring& root : PackageRoots(session)) {
      TextList shipped;
      ListKitFolder(root + sub, L"", &shipped);
      for (const std::wstring& path : shipped) {
        const std::wstring name = GetPathFileName(path, true);
        // The terminal's own settings: an install patches it, never owns it.
        if (std::wstring(sub) == L"config" && ToLower(name) == L"experts.ini") continue;
        if (std::find(found.begin(), found.end(), name) == found.end()) found.push_back(name);
        if (EndsWith(ToLower(name), L".ex4")) names.experts.push_back(name);
      }
    }
    names.kit.emplace_back(sub, std::move(found));
  }
  return names;
}

// True when the chart attaches one of the copier's experts: its <expert>
// block names one of them. A trader's own chart must survive an uninstall.
bool AttachesCopierExpert(const std::string& bytes, const TextList& experts) {
  const std::wstring text = FromAnsi(bytes);
  TextList lines;
  SplitText(text, L"\n", &lines, true);
  bool in_expert = false;
  for (const std::wstring& raw : lines) {
    const std::wstring line = TrimWhite(TrimChars(raw, L"\r"));
    const std::wstring lower = ToLower(line);
    if (lower == L"<expert>") in_expert = true;
    if (lower == L"</expert>") in_expert = false;
    if (!in_expert || !StartsWith(lower, L"name=")) continue;
    const std::wstring attached = lower.substr(5);
    for (const std::wstring& expert : experts) {
      std::wstring stem = ToLower(expert);
      if (!EndsWith(stem, L".ex4")) continue;
      stem.resize(stem.size() - 4);
      if (!stem.empty() && attached == stem) return true;
    }
  }
  return false;
}

// The first "chart00.chr" under the terminal that attaches a copier expert.
// Returns a chart that is no plain file or is past its cap, left as it is.
std::wstring RemoveCopierChart(const CFileCtrl& files, const std::wstring& terminal,
                               const TextList& experts, TerminalTransaction& txn) {
  TextList all;
  files.ListFolder(terminal, &all, true, true, L"");
  for (const std::wstring& path : all) {
    if (!EndsWith(ToLower(path), L"chart00.chr")) continue;
    std::string bytes;
    const auto read = platform::ReadCappedFile(path, platform::kProfileFileCap, &bytes);
    if (platform::FoundBroken(read)) return path;
    if (!AttachesCopierExpert(bytes, experts)) continue;
    txn.Remove(path);
    break;
  }
  return {};
}

using KitNames = std::vector<std::pair<std::wstring, TextList>>;

// What a signed kit's install recorded it put in, per package sub-folder;
// the record itself goes too. Empty without a readable record.
KitNames RecordedKitNames(const std::wstring& data_folder, TerminalTransaction& txn) {
  KitNames recorded;
  const std::wstring record = AsFolderPath(data_folder) + kInstalledKitRecord;
  std::string record_text;
  KitManifest manifest;
  std::string why;
  if (!platform::ReadCappedFile(record, kManifestCap, &record_text) ||
      !ParseManifest(record_text, &manifest, &why)) {
    return recorded;
  }
  for (const ManifestFile& file : manifest.files) {
    const size_t slash = file.path.rfind(L'\\');
    const std::wstring sub = ToLower(file.path.substr(0, slash));
    auto it = std::find_if(recorded.begin(), recorded.end(),
                           [&](const auto& entry) { return entry.first == sub; });
    if (it == recorded.end()) it = recorded.insert(recorded.end(), {sub, {}});
    it->second.push_back(file.path.substr(slash + 1));
  }
  txn.Remove(record);
  return recorded;
}

// Puts the removal of the copier's files into the terminal's transaction;
// true when an expert goes.
bool PlanRemovals(const TerminalLayout& layout, const UninstallNames& names,
                  TerminalTransaction& txn) {
  const CFileCtrl files;
  const std::wstring libraries = layout.FolderFor(L"experts\\libraries");
  const std::wstring experts = layout.FolderFor(L"experts");
  for (const std::wstring& name : names.libraries) txn.Remove(libraries + name);
  bool removed = false;
  for (const std::wstring& name : names.experts) {
    if (!files.FileExists(experts + name)) continue;
    txn.Remove(experts + name);
    removed = true;
  }
  // Each of the kit's names from the folder it went to: indicators too.
  // A signed kit's install left its manifest: exactly its files go, then.
  TextList kit_libraries;
  const KitNames recorded = RecordedKitNames(layout.data_folder, txn);
  for (const auto& [sub, kit_names] : recorded.empty() ? names.kit : recorded) {
    const std::wstring destination = layout.FolderFor(sub);
    for (const std::wstring& name : kit_names) {
      if (!files.FileExists(destination + name)) continue;
      txn.Remove(destination + name);
      if (EndsWith(ToLower(name), L".ex4")) removed = true;
      if (sub == L"experts\\libraries") kit_libraries.push_back(name);
    }
  }
  // A library's settings beside it go with it.
  kit_libraries.insert(kit_libraries.end(), names.libraries.begin(), names.libraries.end());
  for (std::wstring name : kit_libraries) {
    if (!EndsWith(name, L".dll")) continue;
    ReplaceAll(&name, L".dll", L".cfg");
    txn.Remove(libraries + name);
  }
  return removed;
}

// A held file is left for the retry after the terminal is closed; any other
// cause is named.
std::wstring UninstallFailedText(const platform::Status& failed, const InterfaceTexts& texts) {
  std::wstring text = texts[TextKey::UninstallFailed];
  if (failed.kind() != platform::FailureKind::kHeld) {
    text = text.substr(0, text.find(L" - {")) + L"#" + CauseText(failed, texts);
  }
  return text + texts[TextKey::NothingChanged];
}

// False when the row failed (its State says why).
bool UninstallRow(InstallerView& view, int row, const UninstallNames& names,
                  const CommandOptions& options, CommandResult* done) {
  const InterfaceTexts& texts = view.Texts();
  const platform::HeldFilesSnapshot held;  // looked up once per terminal
  // The files are where the terminal's layout put them.
  const std::wstring folder = view.CellText(row, kColumnFolder);
  const TerminalLayout layout = ResolveTerminalLayout(folder);

  // All of it goes, or none of it: a terminal left with experts but without
  // their library would fail in every chart.
  TerminalTransaction txn(layout.data_folder, options.dry_run);
  const bool removed = PlanRemovals(layout, names, txn);
  const std::wstring broken =
      RemoveCopierChart(CFileCtrl(), layout.data_folder, names.experts, txn);
  if (!broken.empty()) {
    // Nothing is removed: the row fails naming the chart, which stays.
    done->changes.try_emplace(folder);
    view.SetCellText(row, kColumnState, BrokenFileText(texts, broken));
    done->NoteRowFailure(folder, platform::Status(platform::FailureKind::kNotRegularFile, broken));
    return false;
  }

  platform::Status failed;
  const bool ok = txn.Finish(&failed);
  std::vector<Change>& row_changes = done->changes[folder];
  if (ok || txn.dry_run()) {
    const std::vector<Change> plan = txn.Plan();
    row_changes.insert(row_changes.end(), plan.begin(), plan.end());
  }
  if (!ok) {
    done->NoteRowFailure(folder, failed);
    view.SetCellText(row, kColumnState, UninstallFailedText(failed, texts));
    return false;
  }
  view.SetCellText(row, kColumnType, L"");
  view.SetCellText(row, kColumnState,
                   texts[removed ? TextKey::UninstallCompleted : TextKey::UninstallNothing]);
  return true;
}

}  // namespace

CommandResult OnUninstall(InstallerView& view, const CommandOptions& options) {
  if (view.IsBusy()) {
    view.ShowMessage(view.Text(TextKey::BusyText));
    return Refused(CommandRefusal::kBusy);
  }
  CommandResult done;
  bool chosen_any = false;
  std::vector<InstalledRow> outcomes;
  {
    RunningCommand running(view);
    const platform::HeldFilesSnapshot held;  // one look-up for all the rows
    const UninstallNames names = BuildNames();

    std::vector<bool> chosen(view.RowCount(), false);
    for (int i = 0; i < view.RowCount(); ++i) {
      if (view.IsTicked(i)) chosen[i] = chosen_any = true;
    }
    const int mark = view.SelectionMark();
    if (!chosen_any && mark >= 0 && mark < view.RowCount()) chosen[mark] = chosen_any = true;

    for (int i = 0; i < view.RowCount() && i < static_cast<int>(chosen.size()); ++i) {
      if (!chosen[i]) continue;
      // A stop asked for by a signal: the terminals done so far stay done.
      if (platform::StopRequested() != 0) break;
      view.SetCellText(i, kColumnState, view.Text(TextKey::Uninstalling));
      view.PumpPendingMessages();
      if (i >= view.RowCount()) break;
      const bool succeeded = UninstallRow(view, i, names, options, &done);
      outcomes.push_back({succeeded, view.CellText(i, kColumnState), view.CellText(i, kColumnFolder)});
    }
  }
  if (!chosen_any) view.ShowMessage(view.Text(TextKey::SelectUninstallPrompt));
  // A failed row is said once the rows are done, as after an install; a
  // run where every row went well ends without a message.
  const std::wstring failed =
      FailedRowsText(outcomes, TextKey::FailedUninstallsHeader, view.Texts());
  if (!failed.empty()) view.ShowMessage(failed);
  return done;
}

}  // namespace copyloom
