#include "install/launch_commands.h"

#include <string>

#include "foundation/file_ctrl.h"
#include "terminals/terminal_layout.h"
#include "terminals/terminal_list.h"

namespace copyloom {
namespace {

constexpr wchar_t kTerminalProgram[] = L"terminal.exe";

std::wstring TerminalProgramPath(std::wstring folder) {
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  return folder + kTerminalProgram;
}

// The folder that receives the terminal's files, as the terminal's own "Open
// Data Folder" shows it; a classic terminal's is the row's folder as it is.
std::wstring ReceivingFolder(const std::wstring& row_folder) {
  const TerminalLayout layout = ResolveTerminalLayout(row_folder);
  if (layout.kind == TerminalLayoutKind::kClassic) return row_folder;
  return RowFolderText(layout.data_folder);
}

// A file or a folder.
bool PathExists(const std::wstring& path) {
  const CFileCtrl files;
  return files.FileExists(path) || files.FolderExists(path);
}

CommandRefusal OpenIfPresent(InstallerView& view, const std::wstring& path) {
  if (!PathExists(path)) {
    view.ShowMessage(path + L" not found!");
    return CommandRefusal::kFileMissing;
  }
  view.ShellOpen(path);
  return CommandRefusal::kNone;
}

// The row to act on, or -1 after the refusal (*busy set) or prompt was shown.
int RowForCommand(InstallerView& view, bool* busy = nullptr) {
  if (view.IsBusy()) {
    // No search runs during an install: say what does.
    view.ShowMessage(
        view.Text(view.IsSearching() ? TextKey::BusyText : TextKey::CommandRunningText));
    if (busy) *busy = true;
    return -1;
  }
  const int row = SelectedTerminalRow(view);
  if (row < 0) view.ShowMessage(view.Text(TextKey::SelectFolderPrompt));
  return row;
}

}  // namespace

int SelectedTerminalRow(const InstallerView& view) {
  const int mark = view.SelectionMark();
  if (mark >= 0 && mark < view.RowCount()) return mark;
  for (int i = 0; i < view.RowCount(); ++i) {
    if (view.IsTicked(i)) return i;
  }
  return -1;
}

CommandRefusal LaunchTerminal(InstallerView& view) {
  bool busy = false;
  const int row = RowForCommand(view, &busy);
  if (row < 0) return busy ? CommandRefusal::kBusy : CommandRefusal::kNone;
  return OpenIfPresent(view, TerminalProgramPath(view.CellText(row, kColumnFolder)));
}

void OpenTerminalFolder(InstallerView& view) {
  const int row = RowForCommand(view);
  if (row < 0) return;
  // No existence test: the path goes to the shell as it is.
  view.ShellOpen(ReceivingFolder(view.CellText(row, kColumnFolder)));
}

void OnListDoubleClick(InstallerView& view) {
  const int mark = view.SelectionMark();
  if (mark < 0 || mark >= view.RowCount()) return;
  const std::wstring folder = view.CellText(mark, kColumnFolder);
  OpenIfPresent(view, view.IsChecked(kCheckClickToLaunch) ? TerminalProgramPath(folder)
                                                          : ReceivingFolder(folder));
}

}  // namespace copyloom
