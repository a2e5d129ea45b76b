// The installer window (dialog template 153): the terminal list and every
// command of the installer. It is the InstallerView of the portable
// commands, over the real list view; its own code only opens, lays out and
// dispatches.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "app/text_table.h"
#include "platform/win32/handles.h"
#include "install/install_commands.h"
#include "terminals/installer_view.h"
#include "terminals/shared_terminal_list.h"
#include "ui/explorer1.h"

namespace copyloom::ui {

// Timer 1's first tick runs the automatic search; timer 2 takes in what
// other runs saved to the list.
inline constexpr UINT_PTR kSearchTimerId = 1;
inline constexpr UINT kSearchTimerPeriodMs = 100;
inline constexpr UINT_PTR kRefreshTimerId = 2;
inline constexpr UINT kRefreshTimerPeriodMs = 2000;
// Set (to "1") once "W" and "H" hold 96-DPI sizes rather than pixels.
inline constexpr wchar_t kKeySizeAt96Dpi[] = L"WH96";

// The smallest outer size the layout keeps.
inline constexpr int kMinWindowWidth = 720;
inline constexpr int kMinWindowHeight = 300;

class CDlgInstMulti : public InstallerView {
 public:
  explicit CDlgInstMulti(HWND parent = nullptr);
  virtual ~CDlgInstMulti();
  CDlgInstMulti(const CDlgInstMulti&) = delete;
  CDlgInstMulti& operator=(const CDlgInstMulti&) = delete;

  // Runs the window modally; IDCANCEL after Exit, IDOK after Enter or a
  // failed deployment of the support files.
  INT_PTR DoModal();

  HWND GetSafeHwnd() const { return m_hWnd; }
  int side() const { return m_side; }
  bool initialised() const { return m_initialised; }
  bool web_panel_shown() const { return m_webPanelShown; }
  const std::wstring& support_library_version() const { return m_session.library_version; }

  // ---- InstallerView
  int RowCount() const override;
  bool IsTicked(int row) const override;
  void SetTicked(int row, bool ticked) override;
  std::wstring CellText(int row, int column) const override;
  void SetCellText(int row, int column, const std::wstring& text) override;
  int AppendRow(const std::wstring& folder) override;
  void DeleteRow(int row) override;
  void ResetList(const std::vector<ColumnSpec>& columns) override;
  int SelectionMark() const override;
  void SetSelectionMark(int row) override;
  const InterfaceTexts& Texts() const override { return m_texts; }
  bool IsSearching() const override { return m_searching; }
  void SetSearching(bool searching) override { m_searching = searching; }
  bool IsCommandRunning() const override { return m_commandRunning; }
  void SetCommandRunning(bool running) override { m_commandRunning = running; }
  bool IsChecked(CheckBoxId box) const override;
  void SetChecked(CheckBoxId box, bool checked) override;
  void ShowBusy(bool busy) override;
  int WindowWidth() const override;
  void ShowMessage(const std::wstring& text) override;
  bool AskOkCancel(const std::wstring& text) override;
  std::wstring BrowseForFolder(const std::wstring& title) override;
  void PumpPendingMessages() override;
  void StartSearchTimer() override;
  void ShellOpen(const std::wstring& path) override;
  SharedTerminalList* SharedList() override { return &m_sharedList; }

 protected:
  // The shell's "open" of a file, folder or program with its parameters
  // (ShellExecuteW, no owner, normal window); the result is not examined.
  virtual void ShellExecuteOpen(const std::wstring& file, const std::wstring& parameters);
  // The screen's dots per inch, read once while the window opens.
  virtual int ScreenDpi() const;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  BOOL OnInitDialog();
  void InitWindowTexts();
  void ArrangeInstallButtons();
  SIZE InitialSize() const;
  void OnCommand(int id);
  void OnNotify(const NMHDR& header);
  void OnSize(UINT type);
  void OnTimer(UINT_PTR id);
  void OnExit();
  void OnHelp();
  void OnContact();
  // Places the controls for the window's size; false when the window was
  // too small and is being made larger (its size event lays it out then).
  bool LayoutControls();
  // Keeps the window's size, at 96 DPI, for the next run.
  void SaveWindowSize();
  // Three buttons aligned to the right edge, ids[0] rightmost; at their own
  // height when top is not given.
  void MoveRightAligned(const int (&ids)[3], int width, std::optional<int> top) const;
  // Saves the list, waiting for a command-line run as long as one waits for another.
  void SaveOnExit();

  // The layout's pixel rules hold at 96 dots per inch; the program is DPI
  // aware, so they grow with the system's DPI.
  int Scale(int pixels) const { return MulDiv(pixels, m_dpi, 96); }

  HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }
  HWND List() const { return Item(1009); }
  // A control's rectangle in the window's client coordinates.
  RECT ClientRectOf(int id) const;
  void MoveItem(int id, int x, int y) const;
  int ItemWidth(int id) const;
  void SetItemText(int id, const std::wstring& text) const;
  void ShowItem(int id, bool show) const;
  std::wstring MessageCaption() const;

  HWND m_parent;
  HWND m_hWnd = nullptr;
  InstallSession m_session;
  int& m_side = m_session.side;
  bool m_webPanelShown = false;
  bool m_initialised = false;
  bool m_searching = false;
  bool m_commandRunning = false;
  bool m_minimised = false;
  // Exit was chosen while a command ran: the list is saved again when it ends.
  bool m_exitChosen = false;
  bool m_sizeMarked = false;
  SharedTerminalList m_sharedList;
  int m_dpi = 96;
  InterfaceTexts m_texts;
  CExplorer1 m_webPanel;
  platform::win32::UniqueIcon m_hIcon;
  platform::win32::UniqueIcon m_hSmallIcon;
};

}  // namespace copyloom::ui
