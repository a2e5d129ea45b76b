// The window seam: everything the portable commands (search, list, install,
// uninstall, launch, deploy) may touch of the installer window. The Win32
// window implements it over the real list view, the command line over an
// in-memory table, tests with a fake that records every message box.
#pragma once

#include <string>
#include <vector>

#include "app/text_table.h"

namespace copyloom {

class SharedTerminalList;

// Columns of the terminal list.
enum TerminalColumn { kColumnTick = 0, kColumnFolder = 1, kColumnType = 2, kColumnState = 3 };

// Check boxes of the window.
enum CheckBoxId { kCheckClickToLaunch = 1086, kCheckLoadEaAuto = 1089 };

// One row of the terminal list.
struct TerminalRow {
  bool ticked = false;
  std::wstring folder;  // no trailing separator unless a drive root such as "C:\"
  std::wstring type;    // TypeProvider, TypeReceiver, "EA" or empty
  std::wstring state;   // line breaks written as "#"
};

struct ColumnSpec {
  std::wstring header;
  int width = 0;
};

class InstallerView {
 public:
  virtual ~InstallerView() = default;

  // ---- rows
  virtual int RowCount() const = 0;
  virtual bool IsTicked(int row) const = 0;
  virtual void SetTicked(int row, bool ticked) = 0;
  // column is kColumnFolder, kColumnType or kColumnState.
  virtual std::wstring CellText(int row, int column) const = 0;
  virtual void SetCellText(int row, int column, const std::wstring& text) = 0;
  // Appends a row with only the folder set (not ticked); returns its index.
  virtual int AppendRow(const std::wstring& folder) = 0;
  virtual void DeleteRow(int row) = 0;
  // Removes every row and replaces the columns.
  virtual void ResetList(const std::vector<ColumnSpec>& columns) = 0;
  // The row with the selection mark, or -1.
  virtual int SelectionMark() const = 0;
  virtual void SetSelectionMark(int row) = 0;

  // ---- window state
  // The window's interface texts (filled once while it opens).
  virtual const InterfaceTexts& Texts() const = 0;
  virtual bool IsSearching() const = 0;
  virtual void SetSearching(bool searching) = 0;
  // Set while an install or uninstall runs, so that the commands dispatched
  // by PumpPendingMessages are refused as during a search.
  virtual bool IsCommandRunning() const = 0;
  virtual void SetCommandRunning(bool running) = 0;
  virtual bool IsChecked(CheckBoxId box) const = 0;
  virtual void SetChecked(CheckBoxId box, bool checked) = 0;
  // Shows the busy label and hides the list, or the reverse.
  virtual void ShowBusy(bool busy) = 0;
  // Client width of the window when the columns are made.
  virtual int WindowWidth() const = 0;

  // ---- interaction
  // A message box with an OK button.
  virtual void ShowMessage(const std::wstring& text) = 0;
  // A message box with OK and Cancel; true for OK.
  virtual bool AskOkCancel(const std::wstring& text) = 0;
  // The folder picker; the chosen folder with a trailing "\", empty when
  // cancelled.
  virtual std::wstring BrowseForFolder(const std::wstring& title) = 0;
  // Dispatches the window messages already queued.
  virtual void PumpPendingMessages() = 0;
  // Starts timer 1 (100 ms) whose first tick runs the automatic search.
  virtual void StartSearchTimer() = 0;
  // Opens a file or folder with the shell ("open").
  virtual void ShellOpen(const std::wstring& path) = 0;

  // The window shares its saved list with other runs and merges its saves;
  // nullptr: a save writes the rows as they are (one run holds the lock).
  virtual SharedTerminalList* SharedList() { return nullptr; }

  // ---- helpers built on the above
  TerminalRow Row(int row) const {
    return TerminalRow{IsTicked(row), CellText(row, kColumnFolder), CellText(row, kColumnType),
                       CellText(row, kColumnState)};
  }
  // True when a search or a long command runs.
  bool IsBusy() const { return IsSearching() || IsCommandRunning(); }
  const std::wstring& Text(TextKey key) const { return Texts().Get(key); }
};

}  // namespace copyloom
