#include "terminals/terminal_discovery.h"

#include <vector>

#include "foundation/file_ctrl.h"
#include "foundation/path_util.h"
#include "foundation/reg_ctrl.h"
#include "platform/path_rules.h"
#include "platform/platform.h"
#include "terminals/terminal_layout.h"
#include "terminals/terminal_list.h"

namespace copyloom {
namespace {

constexpr wchar_t kMetaTraderKey[] = L"Software\\MetaQuotes Software\\MetaTrader 4";
constexpr wchar_t kInstallPathValue[] = L"InstallPath";
constexpr wchar_t kProgramRecordKey[] = L"Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache";

// Folders below a drive root whose immediate subfolders are searched.
constexpr const wchar_t* kSearchedFolders[] = {L"", L"Program Files", L"Program Files (x86)",
                                               L"Program Files\\Finance"};

std::wstring WithBackslash(std::wstring folder) {
  if (folder.empty() || !IsSeparator(folder.back())) folder += L'\\';
  return folder;
}

// Whether a folder's entries hold "config" and "experts", letter case
// ignored the way Windows matches names, also on a case-sensitive file system.
bool HoldsTerminalNames(const std::vector<platform::DirEntry>& entries) {
  bool config = false, experts = false;
  for (const auto& entry : entries) {
    const std::wstring name = ToLower(entry.name);
    config = config || name == L"config";
    experts = experts || name == L"experts";
  }
  return config && experts;
}

bool HoldsEntry(const std::vector<platform::DirEntry>& entries, const std::wstring& name,
                bool folder) {
  const std::wstring wanted = ToLower(name);
  for (const auto& entry : entries) {
    if (entry.is_folder == folder && ToLower(entry.name) == wanted) return true;
  }
  return false;
}

bool HoldsFolder(const std::vector<platform::DirEntry>& entries, const std::wstring& name) {
  return HoldsEntry(entries, name, true);
}

}  // namespace

std::wstring ProbedTerminalFolder(std::wstring path) {
  path = TrimWhite(path);
  // The suffix tests ignore case; the probes keep the path's own case so
  // that a case-sensitive file system still finds it.
  if (EndsWith(ToLower(path), L"experts")) path.resize(path.size() - 7);
  if (EndsWith(ToLower(path), L".exe")) path = GetPathFolder(path);
  return path.empty() ? path : WithBackslash(path);
}

bool IsTerminalFolder(std::wstring path) {
  path = ProbedTerminalFolder(path);
  if (path.empty()) return false;
  // One listing answers both names.
  std::vector<platform::DirEntry> entries;
  if (!platform::ListEntries(path, L"*", &entries)) return false;
  if (HoldsTerminalNames(entries)) return true;
  // Build 600 and later: only a folder with the program can be one.
  return HoldsEntry(entries, L"terminal.exe", false) && IsLayoutInstallation(path);
}

std::wstring ListFixedDrives() {
  const std::wstring drives = platform::LogicalDriveStrings();
  std::wstring letters;
  for (size_t i = 1; i < drives.size(); ++i) {
    if (drives[i] != L':' || drives[i - 1] == L'\0') continue;
    const wchar_t letter = drives[i - 1];
    if (platform::DriveType(std::wstring(1, letter) + L":") != platform::kDriveFixed) continue;
    if (!letters.empty()) letters += L'|';
    letters += letter;
  }
  return TrimChars(letters, L"|");
}

std::wstring FindTerminalFolders(TextList* unusable) {
  CFileCtrl files;
  CRegCtrl registry;
  std::wstring candidates;

  // 1. The terminal's own registry entry, untested.
  std::wstring install_path;
  registry.ReadString(RegRoot::kCurrentUser, kMetaTraderKey, kInstallPathValue, &install_path);
  // A prefix's registry may name a native folder: not one Windows has.
  const std::wstring usable = FolderFromOthers(install_path);
  if (usable.empty() == install_path.empty()) candidates += WithBackslash(usable) + L"|";

  // 2. The fixed drives: the root, and one level below four fixed folders.
  TextList drives;
  SplitText(ListFixedDrives(), L"|", &drives, true);
  for (const auto& letter : drives) {
    const std::wstring root = letter + L":\\";
    // One listing of the root serves its own test, its subfolders and
    // whether the fixed folders are there at all.
    std::vector<platform::DirEntry> top;
    if (!platform::ListEntries(root, L"*", &top)) top.clear();
    if (HoldsTerminalNames(top)) candidates += root + L"|";
    for (const wchar_t* below : kSearchedFolders) {
      TextList subfolders;
      const std::wstring inner = below;
      if (inner.empty()) {
        for (const auto& entry : top) {
          if (!entry.is_folder) continue;
          if (IsWindowsFileName(entry.name)) {
            subfolders.push_back(root + entry.name);
          } else if (unusable && IsTerminalFolder(root + entry.name + L"\\")) {
            unusable->push_back(root + entry.name);
          }
        }
      } else if (HoldsFolder(top, inner.substr(0, inner.find(L'\\')))) {
        TextList odd;
        files.ListFolder(root + inner, &subfolders, false, false, L"", &odd);
        for (const auto& folder : odd) {
          if (unusable && IsTerminalFolder(folder + L"\\")) unusable->push_back(folder);
        }
      }
      for (const auto& folder : subfolders) {
        // Tested with its separator, so that the "experts" folder of a
        // terminal at a drive root is not taken for a terminal of its own.
        if (IsTerminalFolder(WithBackslash(folder))) candidates += WithBackslash(folder) + L"|";
      }
    }
  }

  // 3. Programs the shell has recorded; a folder already found is skipped.
  auto key = registry.OpenKey(RegRoot::kCurrentUser, kProgramRecordKey, true);
  if (key) {
    TextList names;
    registry.EnumValueNames(std::move(key), &names);
    TextList earlier;
    SplitText(candidates, L"|", &earlier, true);
    for (const auto& name : names) {
      const std::wstring folder = GetPathFolder(FolderFromOthers(name));
      if (folder.empty() || !IsTerminalFolder(folder)) continue;
      bool known = false;
      for (const auto& seen : earlier) known = known || SameFolder(seen, folder);
      if (known) continue;
      candidates += folder + L"|";
      earlier.push_back(folder);
    }
  }

  // 4. Terminals of build 600 and later, through their data folders.
  candidates += FindDataFolderTerminals();
  return candidates;
}

void SearchTerminals(InstallerView& view, bool show_done_message) {
  view.SetSearching(true);
  view.ShowBusy(true);
  view.PumpPendingMessages();
  platform::SleepMs(1);

  TextList unusable;
  const std::wstring found = FindTerminalFolders(&unusable);
  MergeFoundTerminals(view, found, unusable);
  SaveTerminalList(view);
  if (show_done_message) view.ShowMessage(view.Text(TextKey::DoneText));

  view.ShowBusy(false);
  view.SetSearching(false);
}

bool OnSearchAgain(InstallerView& view) {
  if (view.IsBusy()) {
    view.ShowMessage(view.Text(TextKey::BusyText));
    return false;
  }
  SearchTerminals(view, true);
  return true;
}

void OnSearchTimer(InstallerView& view) {
  // A command started in the first moments keeps the list; search after it.
  if (view.IsBusy()) {
    view.StartSearchTimer();
    return;
  }
  SearchTerminals(view, false);
}

}  // namespace copyloom
