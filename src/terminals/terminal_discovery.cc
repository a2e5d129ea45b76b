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

namespace {

// The terminal's own registry entry, untested, as "folder\|".
std::wstring RegisteredTerminal(const CRegCtrl& registry) {
  std::wstring install_path;
  registry.ReadString(RegRoot::kCurrentUser, kMetaTraderKey, kInstallPathValue, &install_path);
  // A prefix's registry may name a native folder: not one Windows has.
  const std::wstring usable = FolderFromOthers(install_path);
  return usable.empty() == install_path.empty() ? WithBackslash(usable) + L"|" : L"";
}

// The folders of one searched place below a drive root (its listing top)
// that may be terminals; a terminal whose name Windows cannot hold goes to
// *unusable when given.
TextList FoldersToTest(const std::wstring& root, const std::wstring& below,
                       const std::vector<platform::DirEntry>& top, TextList* unusable) {
  TextList subfolders;
  if (below.empty()) {
    for (const auto& entry : top) {
      if (!entry.is_folder) continue;
      if (IsWindowsFileName(entry.name)) {
        subfolders.push_back(root + entry.name);
      } else if (unusable && IsTerminalFolder(root + entry.name + L"\\")) {
        unusable->push_back(root + entry.name);
      }
    }
  } else if (HoldsFolder(top, below.substr(0, below.find(L'\\')))) {
    TextList odd;
    CFileCtrl().ListFolder(root + below, &subfolders, false, false, L"", &odd);
    for (const auto& folder : odd) {
      if (unusable && IsTerminalFolder(folder + L"\\")) unusable->push_back(folder);
    }
  }
  return subfolders;
}

// A fixed drive: the root, and one level below four fixed folders.
std::wstring DriveTerminals(const std::wstring& letter, TextList* unusable) {
  std::wstring candidates;
  const std::wstring root = letter + L":\\";
  // One listing of the root serves its own test, its subfolders and
  // whether the fixed folders are there at all.
  std::vector<platform::DirEntry> top;
  if (!platform::ListEntries(root, L"*", &top)) top.clear();
  if (HoldsTerminalNames(top)) candidates += root + L"|";
  for (const wchar_t* below : kSearchedFolders) {
    for (const auto& folder : FoldersToTest(root, below, top, unusable)) {
      // Tested with its separator, so that the "experts" folder of a
      // terminal at a drive root is not taken for a terminal of its own.
      if (IsTerminalFolder(WithBackslash(folder))) candidates += WithBackslash(folder) + L"|";
    }
  }
  return candidates;
}

// Programs the shell has recorded; a folder already among the candidates is
// skipped.
std::wstring RecordedTerminals(CRegCtrl& registry, const std::wstring& candidates) {
  std::wstring found;
  auto key = registry.OpenKey(RegRoot::kCurrentUser, kProgramRecordKey, true);
  if (!key) return found;
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
    found += folder + L"|";
    earlier.push_back(folder);
  }
  return found;
}

}  // namespace

std::wstring FindTerminalFolders(TextList* unusable) {
  CRegCtrl registry;
  std::wstring candidates = RegisteredTerminal(registry);
  TextList drives;
  SplitText(ListFixedDrives(), L"|", &drives, true);
  for (const auto& letter : drives) candidates += DriveTerminals(letter, unusable);
  candidates += RecordedTerminals(registry, candidates);
  // Terminals of build 600 and later, through their data folders.
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
