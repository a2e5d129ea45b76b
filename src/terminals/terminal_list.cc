#include "terminals/terminal_list.h"

#include "app/cause_text.h"

#include <algorithm>
#include <unordered_set>

#include "app/process_objects.h"
#include "app/product_profile.h"
#include "foundation/file_ctrl.h"
#include "foundation/path_util.h"
#include "platform/path_rules.h"
#include "platform/platform.h"
#include "terminals/shared_terminal_list.h"
#include "terminals/terminal_discovery.h"
#include "terminals/terminal_layout.h"

namespace copyloom {
namespace {

bool AnyRowIs(const InstallerView& view, const std::wstring& folder) {
  return FindRow(view, folder) >= 0;
}

// Column 1's folder for a row that is added (trailing separators go unless it
// is a drive root).
int AppendFolderRow(InstallerView& view, const std::wstring& folder) {
  return view.AppendRow(RowFolderText(folder));
}

}  // namespace

RowType RowTypeOf(const std::wstring& type, const InterfaceTexts& texts) {
  if (type == texts[TextKey::TypeProvider]) return RowType::kProvider;
  if (type == texts[TextKey::TypeReceiver]) return RowType::kReceiver;
  return RowType::kOther;
}

std::wstring RowTypeText(RowType type, const InterfaceTexts& texts) {
  if (type == RowType::kProvider) return texts[TextKey::TypeProvider];
  if (type == RowType::kReceiver) return texts[TextKey::TypeReceiver];
  return L"";
}

bool KeptFolder(const CFileCtrl& files, const std::wstring& folder) {
  if (files.FolderExists(folder)) return true;
  // A drive not mapped now (a disk unplugged, a prefix without D:) says
  // nothing of the terminal on it: its row waits for the drive.
  constexpr int kNoRootDir = 1;
  return folder.size() >= 3 && folder[1] == L':' && IsSeparator(folder[2]) &&
         platform::DriveType(folder.substr(0, 3)) == kNoRootDir;
}

std::wstring TerminalFolderKey(const std::wstring& folder) {
  std::wstring key = ToLower(TrimWhite(folder));
  for (auto& c : key) {
    if (c == L'/') c = L'\\';
  }
  while (!key.empty() && key.back() == L'\\') key.pop_back();
  return key;
}

std::wstring StoredState(std::wstring state, const InterfaceTexts& texts) {
  ReplaceAll(&state, L"\r\n", L"#");
  ReplaceAll(&state, L"\n", L"#");
  ReplaceAll(&state, L"\r", L"#");
  if (StartsWith(state, texts[TextKey::InstallCanceled])) state.clear();
  return state;
}

void BindInstallerSettings() {
  const std::wstring folder = TheProfile().settings_folder;
  if (!folder.empty()) CFileCtrl().CreateFolderTree(folder);
  const std::wstring taken = SharedListToTake();
  TheConfig().SetConfigFile(folder + kSettingsFileName);
  if (!taken.empty()) TheConfig().SetConfigValue(kKeyPath, taken);
}

std::wstring SharedListToTake() {
  const ProductProfile& profile = TheProfile();
  if (SameFolder(profile.settings_folder, profile.data_folder)) return {};
  const std::wstring own = profile.settings_folder + kSettingsFileName;
  if (platform::QueryAttributes(own).exists) return {};
  CConfig shared;
  shared.SetConfigFile(profile.data_folder + kSettingsFileName);
  std::vector<SavedTerminal> taken;
  std::unordered_set<std::wstring> listed;
  const CFileCtrl files;
  for (const SavedTerminal& entry : DecodeSavedList(shared.GetConfigValue(kKeyPath))) {
    if (!listed.insert(TerminalFolderKey(entry.folder)).second ||
        !files.FolderExists(entry.folder)) {
      continue;
    }
    taken.push_back({entry.ticked, RowType::kOther, entry.folder, L""});
  }
  return EncodeSavedList(taken);
}

bool SameFolder(const std::wstring& a, const std::wstring& b) {
  const std::wstring ka = TerminalFolderKey(a);
  if (ka.empty()) return false;
  if (ka == TerminalFolderKey(b)) return true;
  // A native path ("/home/me/.wine/drive_c/MT4", through links or not) may
  // be another spelling of the same folder. Rows are drive-letter paths as a
  // rule, so long lists compare as texts only.
  auto native = [](const std::wstring& p) {
    return !(p.size() >= 2 && p[1] == L':') &&
           !(p.size() >= 2 && IsSeparator(p[0]) && IsSeparator(p[1]));
  };
  return (native(a) || native(b)) && platform::IsSameFile(a, b);
}

bool IsDriveRoot(const std::wstring& folder) {
  return folder.size() == 3 && folder[1] == L':' && IsSeparator(folder[2]);
}

std::wstring RowFolderText(const std::wstring& folder) {
  if (IsDriveRoot(folder)) return folder;
  std::wstring text = folder;
  // Only the trailing separators go: a leading "\\" of a network path stays.
  while (text.size() > 1 && IsSeparator(text.back())) text.pop_back();
  if (text == L"\\") text.clear();
  return text;
}

int FindRow(const InstallerView& view, const std::wstring& folder) {
  for (int i = 0; i < view.RowCount(); ++i) {
    if (SameFolder(view.CellText(i, kColumnFolder), folder)) return i;
  }
  return -1;
}

std::vector<ColumnSpec> TerminalColumns(const InterfaceTexts& texts, int window_width,
                                        bool expert_advisor_edition) {
  return {
      {L"", 30},
      {texts[TextKey::ColumnDirectory], 340},
      {texts[TextKey::ColumnType], expert_advisor_edition ? 0 : 80},
      {texts[TextKey::ColumnState], window_width - (expert_advisor_edition ? 420 : 500)},
  };
}

void RestoreTerminalList(InstallerView& view, const std::wstring* given) {
  const InterfaceTexts& texts = view.Texts();
  view.ResetList(TerminalColumns(texts, view.WindowWidth(), TheProfile().IsExpertAdvisorEdition()));

  const std::wstring saved = given ? *given : TheConfig().GetConfigValue(kKeyPath);
  if (saved.empty()) {
    view.StartSearchTimer();
    return;
  }

  const CFileCtrl files;
  for (const SavedTerminal& entry : ParseSavedTerminals(saved, texts)) {
    if (!KeptFolder(files, entry.folder)) continue;
    const int row = AppendFolderRow(view, entry.folder);
    view.SetTicked(row, entry.ticked);
    if (entry.type != RowType::kOther) {
      view.SetCellText(row, kColumnType, RowTypeText(entry.type, texts));
    }
    view.SetCellText(row, kColumnState, entry.state);
  }
}

std::wstring BuildSavedTerminalList(const InstallerView& view) {
  const InterfaceTexts& texts = view.Texts();
  std::vector<SavedTerminal> entries;
  for (int i = 0; i < view.RowCount(); ++i) {
    const TerminalRow row = view.Row(i);
    if (row.folder == texts[TextKey::BusyText]) continue;
    entries.push_back(
        {row.ticked, RowTypeOf(row.type, texts), row.folder, StoredState(row.state, texts)});
  }
  return EncodeSavedList(entries);
}

platform::Status SaveTerminalList(InstallerView& view) {
  SharedTerminalList* shared = view.SharedList();
  const platform::Status saved = shared ? shared->Save(view)
                                        : TheConfig().SetConfigValue(kKeyPath,
                                                                     BuildSavedTerminalList(view));
  if (!saved && !(shared && saved.kind() == platform::FailureKind::kHeld)) {
    view.ShowMessage(ListNotSavedText(saved, view.Texts()));
  }
  return saved;
}

std::wstring ListNotSavedText(const platform::Status& cause, const InterfaceTexts& texts) {
  std::wstring text = texts[TextKey::ListNotSaved] + L"\n" + FailureText(cause, texts);
  if (!cause.system().empty()) text += L" (" + cause.system() + L")";
  return text;
}

bool FitsSavedList(const std::wstring& folder) {
  return folder.find_first_of(L"|*") == std::wstring::npos;
}

void ShowUnusableFolders(InstallerView& view, const TextList& folders) {
  if (folders.empty()) return;
  std::wstring names;
  for (const std::wstring& folder : folders) names += L"\n" + folder;
  view.ShowMessage(FillPlaceholder(view.Text(TextKey::UnusableFolderName), names));
}

int MergeFoundTerminals(InstallerView& view, const std::wstring& found, const TextList& unusable) {
  TextList folders;
  SplitText(found, L"|", &folders, true);
  int added = 0;
  for (const auto& found_folder : folders) {
    const std::wstring folder = RowFolderText(found_folder);
    // The rows added in this pass count too: a folder found twice is listed once.
    if (folder.empty() || AnyRowIs(view, folder)) continue;
    view.AppendRow(folder);
    ++added;
  }
  ShowUnusableFolders(view, unusable);
  return added;
}

int AddTerminalFolder(InstallerView& view, const std::wstring& picked) {
  // A data folder stands for its installation: rows name installations.
  const std::wstring folder = InstallationOfFolder(picked);
  // "|" and "*" separate the saved list: such a row would come back split.
  if (!FitsSavedList(folder)) {
    ShowUnusableFolders(view, {folder});
    return -1;
  }
  if (!IsTerminalFolder(folder)) {
    view.ShowMessage(view.Text(TextKey::InvalidTerminalFolder));
    return -1;
  }
  int row = FindRow(view, folder);
  if (row >= 0) {
    view.SetSelectionMark(row);
    return row;
  }
  row = AppendFolderRow(view, folder);
  SaveTerminalList(view);
  return row;
}

int OnAddTerminal(InstallerView& view) {
  if (view.IsBusy()) {
    view.ShowMessage(view.Text(TextKey::BusyText));
    return -1;
  }
  const std::wstring picked = view.BrowseForFolder(view.Text(TextKey::SelectFolderPrompt));
  if (picked.empty()) return -1;
  return AddTerminalFolder(view, picked);
}

bool OnRemoveTerminals(InstallerView& view) {
  if (view.IsBusy()) {
    view.ShowMessage(view.Text(TextKey::BusyText));
    return false;
  }
  bool removed = false;
  for (int i = view.RowCount() - 1; i >= 0; --i) {
    if (view.IsTicked(i)) {
      view.DeleteRow(i);
      removed = true;
    }
  }
  if (!removed) {
    const int mark = view.SelectionMark();
    if (mark < 0 || mark >= view.RowCount()) {
      view.ShowMessage(view.Text(TextKey::SelectRemovePrompt));
      return true;
    }
    view.DeleteRow(mark);
  }
  view.ShowMessage(view.Text(TextKey::DoneText));
  SaveTerminalList(view);
  return true;
}

std::wstring StateDetailsText(const std::wstring& state) {
  std::wstring text = state;
  ReplaceAll(&text, L"#", L"\n");
  ReplaceAll(&text, L" - ", L":\n");
  ReplaceAll(&text, L"{", L"");
  ReplaceAll(&text, L"}", L"");
  return text;
}

void OnRowClicked(InstallerView& view, int row) {
  if (row < 0 || row >= view.RowCount()) return;
  const std::wstring state = view.CellText(row, kColumnState);
  if (state.empty() || StartsWith(state, view.Text(TextKey::InstallCompleted)) ||
      state == view.Text(TextKey::UninstallCompleted) ||
      state == view.Text(TextKey::UninstallNothing)) {
    return;
  }
  view.ShowMessage(StateDetailsText(state));
}

void OnSelectAll(InstallerView& view) {
  for (int i = 0; i < view.RowCount(); ++i) view.SetTicked(i, true);
}

void OnInverse(InstallerView& view) {
  for (int i = 0; i < view.RowCount(); ++i) view.SetTicked(i, !view.IsTicked(i));
}

void RestoreCheckBoxes(InstallerView& view) {
  view.SetChecked(kCheckClickToLaunch, TheConfig().GetConfigValue(kKeyClickToLaunch).empty());
  view.SetChecked(kCheckLoadEaAuto, TheConfig().GetConfigValue(kKeyLoadEaAuto).empty());
}

void OnCheckBoxClicked(InstallerView& view, CheckBoxId box) {
  const wchar_t* key = box == kCheckClickToLaunch ? kKeyClickToLaunch : kKeyLoadEaAuto;
  TheConfig().SetConfigValue(key, view.IsChecked(box) ? L"" : L"0");
}

}  // namespace copyloom
