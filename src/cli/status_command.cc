#include "cli/status_command.h"

#include <algorithm>

#include "app/process_objects.h"
#include "app/product_profile.h"
#include "app/run_texts.h"
#include "platform/platform.h"
#include "terminals/terminal_discovery.h"
#include "terminals/terminal_layout.h"
#include "terminals/terminal_list.h"

namespace copyloom::cli {
namespace {

std::string Utf8(const std::wstring& text) { return platform::WideToUtf8(text); }

nlohmann::ordered_json RowJsonWith(const TerminalRow& row, const TerminalLayout& layout) {
  nlohmann::ordered_json r;
  r["ticked"] = row.ticked;
  r["folder"] = Utf8(row.folder);
  r["type"] = Utf8(row.type);
  r["state"] = Utf8(row.state);
  r["layout"] = Utf8(LayoutName(layout.kind));
  r["data_folder"] = Utf8(RowFolderText(layout.data_folder));
  if (!layout.unused_folder.empty()) r["unused_folder"] = Utf8(RowFolderText(layout.unused_folder));
  return r;
}

// The kit's side; a kit that names no side is compared by the row's Type,
// else by the side that is there (the provider when neither is).
StatusEntry ReadEntry(const InterfaceTexts& texts, const TerminalRow& row,
                      const InstallSession& session) {
  StatusEntry entry;
  entry.row = row;
  if (TheProfile().IsExpertAdvisorEdition()) {
    entry.side = L"EA";
    entry.status = ReadTerminalStatus(row.folder, ChoosePackage(session, kSideNone));
    return entry;
  }
  auto read = [&](int side) {
    entry.side = texts[side == kSideReceiver ? TextKey::TypeReceiver : TextKey::TypeProvider];
    entry.status = ReadTerminalStatus(row.folder, ChoosePackage(session, side));
    return entry.status.installed != InstalledState::kNone;
  };
  int side = session.side;
  if (side == kSideNone) {
    if (row.type == texts[TextKey::TypeReceiver]) {
      side = kSideReceiver;
    } else if (row.type == texts[TextKey::TypeProvider]) {
      side = kSideProvider;
    } else {
      if (read(kSideProvider) || read(kSideReceiver)) return entry;
      side = kSideProvider;
    }
  }
  read(side);
  return entry;
}

}  // namespace

void RestoreListReadOnly(ConsoleView& view) {
  // Bound without making the folder: a missing file reads as no list, or
  // as the rows a first run would take from the shared one.
  const std::wstring taken = SharedListToTake();
  TheConfig().SetConfigFile(TheProfile().settings_folder + kSettingsFileName);
  RestoreTerminalList(view, taken.empty() ? nullptr : &taken);
  RestoreCheckBoxes(view);
  if (view.search_timer_started()) {
    view.ClearSearchTimer();
    MergeFoundTerminals(view, FindTerminalFolders());
  }
}

std::vector<StatusEntry> CollectStatus(ConsoleView& view, const std::vector<std::wstring>& dirs,
                                       const InstallSession& session, bool* refused) {
  const InterfaceTexts& texts = view.Texts();
  std::vector<TerminalRow> rows;
  if (dirs.empty()) rows = view.rows();
  for (const std::wstring& dir : dirs) {
    int row = FindRow(view, dir);
    const std::wstring installation = InstallationOfFolder(dir);
    if (row < 0) row = FindRow(view, installation);
    if (row >= 0) {
      rows.push_back(view.Row(row));
    } else if (IsTerminalFolder(installation)) {
      rows.push_back({false, RowFolderText(installation), L"", L""});
    } else {
      view.ShowMessage(texts[TextKey::InvalidTerminalFolder]);
      *refused = true;
    }
  }
  std::vector<StatusEntry> entries;
  for (const TerminalRow& row : rows) entries.push_back(ReadEntry(texts, row, session));
  return entries;
}

std::wstring StatusText(const StatusEntry& entry) {
  const TerminalStatus& status = entry.status;
  std::wstring text = entry.row.folder + L"\n";
  text += std::wstring(L"  layout:    ") + LayoutName(status.layout.kind) + L"\n";
  text += L"  files in:  " + RowFolderText(status.layout.data_folder) + L"\n";
  if (!status.layout.unused_folder.empty()) {
    const std::wstring unused = RowFolderText(status.layout.unused_folder);
    text += L"  also:      " +
            RunMessage(status.layout.logs_decided ? RunText::OlderFolderNotUsed
                                                  : RunText::UnloggedFolderNotUsed,
                       {unused}) +
            L"\n";
  }
  text += std::wstring(L"  running:   ") + (status.running ? L"yes" : L"no") + L"\n";
  std::wstring side = entry.side + L":";
  side.resize(std::max<size_t>(side.size() + 1, 11), L' ');
  text += L"  " + side + InstalledStateText(status);
  for (const std::wstring& file : status.differs) text += L"\n             " + file;
  return text;
}

nlohmann::ordered_json RowJson(const TerminalRow& row) {
  return RowJsonWith(row, ResolveTerminalLayout(row.folder));
}

nlohmann::ordered_json StatusJson(const StatusEntry& entry) {
  nlohmann::ordered_json r = RowJsonWith(entry.row, entry.status.layout);
  r["running"] = entry.status.running;
  r["side"] = Utf8(entry.side);
  r["installed"] = Utf8(InstalledStateName(entry.status.installed));
  r["differs"] = nlohmann::json::array();
  for (const auto& file : entry.status.differs) r["differs"].push_back(Utf8(file));
  // The signed kit the terminal records, the one beside the program, and
  // the files that differ from the record.
  r["kit_version"] = entry.status.kit_version;
  r["package_version"] = entry.status.package_version;
  r["modified"] = nlohmann::json::array();
  for (const auto& file : entry.status.modified) r["modified"].push_back(Utf8(file));
  return r;
}

}  // namespace copyloom::cli
