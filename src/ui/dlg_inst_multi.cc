#include "ui/dlg_inst_multi.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cwchar>

#include "app/process_objects.h"
#include "app/product_profile.h"
#include "foundation/path_util.h"
#include "install/launch_commands.h"
#include "install/result_text.h"
#include "install/row_outcome.h"
#include "install/support_files.h"
#include "install/uninstall.h"
#include "platform/platform.h"
#include "terminals/data_lock.h"
#include "terminals/terminal_discovery.h"
#include "terminals/terminal_list.h"
#include "ui/dlg_about.h"
#include "ui/resource.h"
#include "ui/web_browser.h"
#include "ui/window_place.h"

namespace copyloom::ui {
namespace {

// Space kept below the list for the two rows of controls, and for the web
// panel when it is shown.
constexpr int kListBottomMargin = 145;
constexpr int kBusyBottomMargin = 135;
constexpr int kWebPanelSpace = 90;
constexpr int kListSideMargins = 30;
// The rows of check boxes and of buttons, below the list's bottom.
constexpr int kOptionsBelowList = 45;
constexpr int kButtonsBelowList = 75;
constexpr int kWebPanelGap = 10;
// A right-aligned group of three buttons: the first this far from the right
// edge, each next one this much further from its neighbour.
constexpr int kRightMargin = 20;
constexpr int kButtonGap = 5;
// The copier edition opens without the web panel's strip.
constexpr int kHiddenPanelHeight = 90;
constexpr int kExpertEditionWidth = 700;
constexpr int kExpertEditionHeight = 320;

struct Caption {
  int id;
  TextKey key;
};

constexpr Caption kCaptions[] = {
    {IDC_LAUNCH, TextKey::LaunchCaption},
    {IDC_OPEN_FOLDER, TextKey::OpenFolderCaption},
    {IDC_ADD, TextKey::AddCaption},
    {IDC_REMOVE, TextKey::RemoveCaption},
    {IDC_SEARCH_AGAIN, TextKey::SearchAgainCaption},
    {IDC_BUSY_LABEL, TextKey::BusyText},
    {IDC_SELECT_ALL, TextKey::SelectAllCaption},
    {IDC_INVERSE, TextKey::InverseCaption},
    {IDC_CLICK_TO_LAUNCH, TextKey::ClickToLaunchCaption},
    {IDC_LOAD_EA_AUTO, TextKey::LoadEaCaption},
    {IDC_INSTALL_PROVIDER, TextKey::InstallProviderCaption},
    {IDC_INSTALL_RECEIVER, TextKey::InstallReceiverCaption},
    {IDC_UNINSTALL, TextKey::UninstallCaption},
    {IDC_HELP_BUTTON, TextKey::HelpCaption},
    {IDC_CONTACT, TextKey::ContactCaption},
    {IDC_EXIT, TextKey::ExitCaption},
};

int ParseSize(const std::wstring& text) {
  return static_cast<int>(std::wcstol(text.c_str(), nullptr, 10));
}

}  // namespace

CDlgInstMulti::CDlgInstMulti(HWND parent) : m_parent(parent) {}

CDlgInstMulti::~CDlgInstMulti() = default;

INT_PTR CDlgInstMulti::DoModal() {
  const INT_PTR result =
      DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_INSTMULTI), m_parent,
                      &CDlgInstMulti::DialogProc, reinterpret_cast<LPARAM>(this));
  m_hWnd = nullptr;
  return result;
}

INT_PTR CALLBACK CDlgInstMulti::DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* self = DialogObject<CDlgInstMulti>(hwnd, message, lparam);
  if (!self) return FALSE;
  if (message == WM_INITDIALOG) self->m_hWnd = hwnd;
  return self->HandleMessage(message, wparam, lparam);
}

INT_PTR CDlgInstMulti::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED) OnCommand(LOWORD(wparam));
      return TRUE;
    case WM_NOTIFY:
      OnNotify(*reinterpret_cast<const NMHDR*>(lparam));
      return FALSE;
    case WM_SIZE:
      OnSize(static_cast<UINT>(wparam));
      return FALSE;
    case WM_TIMER:
      OnTimer(wparam);
      return FALSE;
    default:
      return FALSE;
  }
}

BOOL CDlgInstMulti::OnInitDialog() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  auto load_icon = [&](int width, int height) {
    return static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, width, height, 0));
  };
  // Once per object: the window may be run again.
  if (!m_hIcon.valid()) {
    m_hIcon = platform::win32::UniqueIcon(
        load_icon(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)));
  }
  if (!m_hSmallIcon.valid()) {
    m_hSmallIcon = platform::win32::UniqueIcon(
        load_icon(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)));
  }
  SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon.get()));
  SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon.get()));

  m_dpi = ScreenDpi();
  const ProductProfile& profile = TheProfile();
  m_session.library_version.clear();
  m_side = kSideNone;
  m_minimised = m_initialised = m_searching = m_exitChosen = m_sizeMarked = false;
  m_webPanelShown = !profile.side_chooser;

  m_side = DetectInstallSide(GetProgramPath(), profile.side_chooser);

  platform::Status cause;
  const std::wstring deployed = DeploySupportFiles(&cause);
  if (!IsSuccessResult(deployed)) {
    ShowMessage(cause ? deployed : deployed + L"\n" + CauseText(cause, InitTexts()));
    EndDialog(m_hWnd, IDOK);
    return TRUE;
  }

  m_texts = InitTexts();
  InitWindowTexts();
  m_sharedList.Restore(*this);
  LayoutControls();
  CentreWindow(m_hWnd, nullptr);
  SetTimer(m_hWnd, kRefreshTimerId, kRefreshTimerPeriodMs, nullptr);
  m_initialised = true;
  return TRUE;
}

void CDlgInstMulti::InitWindowTexts() {
  const ProductProfile& profile = TheProfile();
  BindInstallerSettings();

  const std::wstring version = FindSupportLibraryVersion();
  if (!version.empty()) {
    m_session.library_version = version;
    SetProfileVersionText(version);
  }
  SetWindowTextW(m_hWnd, profile.title_text.c_str());

  SetItemText(IDC_TERMINALS_LABEL, m_texts[TextKey::TerminalsLabel] + L":");
  for (const Caption& caption : kCaptions) SetItemText(caption.id, m_texts[caption.key]);

  ArrangeInstallButtons();
  RestoreCheckBoxes(*this);
  const SIZE size = InitialSize();

  if (profile.IsExpertAdvisorEdition()) {
    ShowItem(IDC_HELP_BUTTON, false);
    ShowItem(IDC_CONTACT, false);
    ShowItem(IDC_LOAD_EA_AUTO, false);
  }
  ShowItem(IDC_WEB_PANEL, m_webPanelShown);
  if (m_webPanelShown) {
    m_webPanel.Attach(Item(IDC_WEB_PANEL));
    m_webPanel.Navigate(profile.web_panel_address);
  }
  SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CDlgInstMulti::ArrangeInstallButtons() {
  const RECT provider = ClientRectOf(IDC_INSTALL_PROVIDER);
  const RECT receiver = ClientRectOf(IDC_INSTALL_RECEIVER);
  if (m_side == kSideProvider) {
    ShowItem(IDC_INSTALL_RECEIVER, false);
    MoveItem(IDC_UNINSTALL, receiver.left, receiver.top);
  } else if (m_side == kSideReceiver) {
    ShowItem(IDC_INSTALL_PROVIDER, false);
    MoveItem(IDC_INSTALL_RECEIVER, provider.left, provider.top);
    MoveItem(IDC_UNINSTALL, receiver.left, receiver.top);
    ShowItem(IDC_HELP_BUTTON, false);
    ShowItem(IDC_CONTACT, false);
    SetWindowTextW(m_hWnd, TheProfile().title_text.c_str());
  }
}

SIZE CDlgInstMulti::InitialSize() const {
  RECT window;
  GetWindowRect(m_hWnd, &window);
  const bool expert = TheProfile().IsExpertAdvisorEdition();
  const std::wstring width = TheConfig().GetConfigValue(kKeyWidth);
  const std::wstring height = TheConfig().GetConfigValue(kKeyHeight);
  // Sizes saved before they were kept at 96 DPI are pixels of an unknown
  // DPI: they are taken as they stand, as they always were.
  const bool at_96_dpi = !TheConfig().GetConfigValue(kKeySizeAt96Dpi).empty();
  auto stored = [&](const std::wstring& text) {
    return at_96_dpi ? Scale(ParseSize(text)) : ParseSize(text);
  };
  SIZE size;
  size.cx = width.empty() ? (expert ? Scale(kExpertEditionWidth) : window.right - window.left)
                          : stored(width);
  if (height.empty()) {
    size.cy = expert ? Scale(kExpertEditionHeight) : window.bottom - window.top;
    if (!m_webPanelShown) size.cy -= Scale(kHiddenPanelHeight);
  } else {
    size.cy = stored(height);
  }
  return size;
}

void CDlgInstMulti::OnCommand(int id) {
  switch (id) {
    case IDC_INSTALL_PROVIDER:
      OnInstallProvider(*this, m_session);
      if (m_exitChosen) SaveOnExit();
      break;
    case IDC_INSTALL_RECEIVER:
      OnInstallReceiver(*this, m_session);
      if (m_exitChosen) SaveOnExit();
      break;
    case IDC_UNINSTALL:
      OnUninstall(*this);
      if (m_exitChosen) SaveOnExit();
      break;
    case IDC_HELP_BUTTON:
      OnHelp();
      break;
    case IDC_CONTACT:
      OnContact();
      break;
    case IDC_SEARCH_AGAIN:
      OnSearchAgain(*this);
      break;
    case IDC_ADD:
      OnAddTerminal(*this);
      break;
    case IDC_REMOVE:
      OnRemoveTerminals(*this);
      break;
    case IDC_EXIT:  // also the close box and Escape
      OnExit();
      break;
    case IDOK:
      // Enter with no push button focused: closes without saving the list.
      EndDialog(m_hWnd, IDOK);
      break;
    case IDC_LAUNCH:
      LaunchTerminal(*this);
      break;
    case IDC_OPEN_FOLDER:
      OpenTerminalFolder(*this);
      break;
    case IDC_SELECT_ALL:
      OnSelectAll(*this);
      break;
    case IDC_INVERSE:
      OnInverse(*this);
      break;
    case IDC_CLICK_TO_LAUNCH:
      OnCheckBoxClicked(*this, kCheckClickToLaunch);
      break;
    case IDC_LOAD_EA_AUTO:
      OnCheckBoxClicked(*this, kCheckLoadEaAuto);
      break;
    default:
      break;
  }
}

void CDlgInstMulti::OnNotify(const NMHDR& header) {
  if (header.idFrom != IDC_TERMINAL_LIST) return;
  if (header.code == NM_CLICK) OnRowClicked(*this, SelectionMark());
  if (header.code == NM_DBLCLK) OnListDoubleClick(*this);
}

void CDlgInstMulti::OnSize(UINT type) {
  // The first size event after a minimise (the restore) only clears the flag.
  if (type == SIZE_MINIMIZED || m_minimised) {
    m_minimised = type == SIZE_MINIMIZED;
    return;
  }
  // The size the trader chose is the next run's.
  if (LayoutControls()) SaveWindowSize();
}

void CDlgInstMulti::OnTimer(UINT_PTR id) {
  if (id == kRefreshTimerId && m_initialised) m_sharedList.Refresh(*this);
  if (id != kSearchTimerId) return;
  KillTimer(m_hWnd, kSearchTimerId);
  OnSearchTimer(*this);
}

void CDlgInstMulti::OnExit() {
  // During an install the rows still change: saved now and again at its end
  // (OnCommand), so the file ends with every row's outcome.
  m_exitChosen = true;
  SaveOnExit();
  KillTimer(m_hWnd, kRefreshTimerId);
  EndDialog(m_hWnd, IDCANCEL);
}

int CDlgInstMulti::ScreenDpi() const {
  const platform::win32::WindowDC screen(nullptr);
  return screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
}

void CDlgInstMulti::SaveOnExit() {
  // The last chance to save: a list left unsaved now is lost, so it is said.
  const platform::Status saved = m_sharedList.Save(*this, LockWaitMs());
  if (!saved) ShowMessage(ListNotSavedText(saved, m_texts));
}

void CDlgInstMulti::OnHelp() {
  ShellExecuteOpen(WebBrowserProgram(), TheProfile().help_page_address);
}

void CDlgInstMulti::OnContact() { CDlgAbout(m_hWnd).DoModal(); }

void CDlgInstMulti::MoveRightAligned(const int (&ids)[3], int width,
                                     std::optional<int> top) const {
  // ids[0] at the right edge, each next one to its left with a wider gap.
  int right = width;
  for (int i = 0; i < 3; ++i) {
    right -= ItemWidth(ids[i]);
    MoveItem(ids[i], right - Scale(kRightMargin + i * kButtonGap),
             top ? *top : ClientRectOf(ids[i]).top);
  }
}

bool CDlgInstMulti::LayoutControls() {
  RECT window;
  GetWindowRect(m_hWnd, &window);
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  const int min_width = Scale(kMinWindowWidth), min_height = Scale(kMinWindowHeight);
  if (width < min_width || height < min_height) {
    // The size event this causes lays the window out.
    SetWindowPos(m_hWnd, nullptr, 0, 0, std::max(width, min_width), std::max(height, min_height),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return false;
  }
  const int panel = m_webPanelShown ? Scale(kWebPanelSpace) : 0;

  const RECT list = ClientRectOf(IDC_TERMINAL_LIST);
  const int list_width = width - Scale(kListSideMargins);
  const int list_height = height - Scale(kListBottomMargin) - panel;
  SetWindowPos(List(), nullptr, list.left, list.top, list_width, list_height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(Item(IDC_BUSY_LABEL), nullptr, list.left, list.top, list_width,
               height - Scale(kBusyBottomMargin) - panel, SWP_NOZORDER | SWP_NOACTIVATE);
  MoveRightAligned({IDC_SEARCH_AGAIN, IDC_REMOVE, IDC_ADD}, width, std::nullopt);

  const int options_top = list_height + Scale(kOptionsBelowList);
  const int buttons_top = list_height + Scale(kButtonsBelowList);
  for (int id : {IDC_SELECT_ALL, IDC_INVERSE, IDC_CLICK_TO_LAUNCH, IDC_LOAD_EA_AUTO}) {
    MoveItem(id, ClientRectOf(id).left, options_top);
  }
  for (int id : {IDC_INSTALL_PROVIDER, IDC_INSTALL_RECEIVER, IDC_UNINSTALL}) {
    MoveItem(id, ClientRectOf(id).left, buttons_top);
  }
  MoveRightAligned({IDC_EXIT, IDC_CONTACT, IDC_HELP_BUTTON}, width, buttons_top);

  if (HWND web = Item(IDC_WEB_PANEL)) {
    const RECT exit_rect = ClientRectOf(IDC_EXIT);
    const RECT own = ClientRectOf(IDC_WEB_PANEL);
    SetWindowPos(web, nullptr, list.left, exit_rect.bottom + Scale(kWebPanelGap), list_width,
                 own.bottom - own.top, SWP_NOZORDER | SWP_NOACTIVATE);
    m_webPanel.Resize();
    m_webPanel.Navigate(TheProfile().web_panel_address);
  }

  RedrawWindow(m_hWnd, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  return true;
}

void CDlgInstMulti::SaveWindowSize() {
  RECT window;
  if (!m_initialised || !GetWindowRect(m_hWnd, &window)) return;
  // At 96 DPI, as the layout rules: the size stays the same on a screen of
  // another scale.
  const int width = window.right - window.left, height = window.bottom - window.top;
  TheConfig().SetConfigValue(kKeyWidth, std::to_wstring(MulDiv(width, 96, m_dpi)));
  TheConfig().SetConfigValue(kKeyHeight, std::to_wstring(MulDiv(height, 96, m_dpi)));
  if (!m_sizeMarked) m_sizeMarked = TheConfig().SetConfigValue(kKeySizeAt96Dpi, L"1").ok();
}

// ---- InstallerView over the list view

int CDlgInstMulti::RowCount() const {
  return static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0));
}

bool CDlgInstMulti::IsTicked(int row) const { return ListView_GetCheckState(List(), row) != 0; }

void CDlgInstMulti::SetTicked(int row, bool ticked) {
  ListView_SetCheckState(List(), row, ticked ? TRUE : FALSE);
}

std::wstring CDlgInstMulti::CellText(int row, int column) const {
  std::wstring text(256, L'\0');
  for (;;) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    const int length = static_cast<int>(
        SendMessageW(List(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)));
    if (length < static_cast<int>(text.size()) - 1) {
      text.resize(length);
      return text;
    }
    text.resize(text.size() * 2);
  }
}

void CDlgInstMulti::SetCellText(int row, int column, const std::wstring& text) {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(List(), LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

int CDlgInstMulti::AppendRow(const std::wstring& folder) {
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = RowCount();
  item.pszText = const_cast<wchar_t*>(L"");
  const int row =
      static_cast<int>(SendMessageW(List(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  if (row >= 0) SetCellText(row, kColumnFolder, folder);
  return row;
}

void CDlgInstMulti::DeleteRow(int row) { ListView_DeleteItem(List(), row); }

void CDlgInstMulti::ResetList(const std::vector<ColumnSpec>& columns) {
  const HWND list = List();
  const DWORD styles = LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
  ListView_SetExtendedListViewStyleEx(list, styles, styles);
  ListView_DeleteAllItems(list);
  while (ListView_DeleteColumn(list, 0)) {
  }
  for (size_t i = 0; i < columns.size(); ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = LVCFMT_LEFT;
    column.cx = Scale(columns[i].width);
    column.pszText = const_cast<wchar_t*>(columns[i].header.c_str());
    SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
  }
}

int CDlgInstMulti::SelectionMark() const { return ListView_GetSelectionMark(List()); }

void CDlgInstMulti::SetSelectionMark(int row) {
  const HWND list = List();
  if (row >= 0) {
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  } else {
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
  }
  ListView_SetSelectionMark(list, row);
}

bool CDlgInstMulti::IsChecked(CheckBoxId box) const {
  return IsDlgButtonChecked(m_hWnd, box) == BST_CHECKED;
}

void CDlgInstMulti::SetChecked(CheckBoxId box, bool checked) {
  CheckDlgButton(m_hWnd, box, checked ? BST_CHECKED : BST_UNCHECKED);
}

void CDlgInstMulti::ShowBusy(bool busy) {
  ShowItem(IDC_TERMINAL_LIST, !busy);
  ShowItem(IDC_BUSY_LABEL, busy);
  UpdateWindow(m_hWnd);
}

int CDlgInstMulti::WindowWidth() const {
  // In the 96-DPI pixels of the column rules; ResetList scales them back.
  RECT window;
  GetWindowRect(m_hWnd, &window);
  return MulDiv(window.right - window.left, 96, m_dpi);
}

std::wstring CDlgInstMulti::MessageCaption() const {
  // The program's name, as message boxes of a dialog program have it.
  return GetPathFileName(GetProgramPath(), false);
}

void CDlgInstMulti::ShowMessage(const std::wstring& text) {
  MessageBoxW(m_hWnd, text.c_str(), MessageCaption().c_str(), MB_OK);
}

bool CDlgInstMulti::AskOkCancel(const std::wstring& text) {
  return MessageBoxW(m_hWnd, text.c_str(), MessageCaption().c_str(), MB_OKCANCEL) == IDOK;
}

std::wstring CDlgInstMulti::BrowseForFolder(const std::wstring& title) {
  BROWSEINFOW info{};
  info.hwndOwner = m_hWnd;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  if (!chosen) return L"";
  std::wstring folder(MAX_PATH * 8, L'\0');
  const bool ok = SHGetPathFromIDListEx(chosen, folder.data(), static_cast<DWORD>(folder.size()),
                                        GPFIDL_DEFAULT) != FALSE;
  CoTaskMemFree(chosen);
  if (!ok) return L"";
  folder.resize(std::wcslen(folder.c_str()));
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder;
}

void CDlgInstMulti::PumpPendingMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave it for the loop that owns it.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (m_hWnd && IsDialogMessageW(m_hWnd, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void CDlgInstMulti::StartSearchTimer() {
  SetTimer(m_hWnd, kSearchTimerId, kSearchTimerPeriodMs, nullptr);
}

void CDlgInstMulti::ShellOpen(const std::wstring& path) { ShellExecuteOpen(path, L""); }

void CDlgInstMulti::ShellExecuteOpen(const std::wstring& file, const std::wstring& parameters) {
  if (parameters.empty()) {
    platform::ShellOpen(file);
    return;
  }
  ShellExecuteW(nullptr, L"open", file.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

// ---- control helpers

RECT CDlgInstMulti::ClientRectOf(int id) const {
  RECT rect{};
  const HWND item = Item(id);
  if (!item) return rect;
  GetWindowRect(item, &rect);
  MapWindowPoints(HWND_DESKTOP, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void CDlgInstMulti::MoveItem(int id, int x, int y) const {
  SetWindowPos(Item(id), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int CDlgInstMulti::ItemWidth(int id) const {
  const RECT rect = ClientRectOf(id);
  return rect.right - rect.left;
}

void CDlgInstMulti::SetItemText(int id, const std::wstring& text) const {
  SetDlgItemTextW(m_hWnd, id, text.c_str());
}

void CDlgInstMulti::ShowItem(int id, bool show) const {
  ShowWindow(Item(id), show ? SW_SHOW : SW_HIDE);
}

}  // namespace copyloom::ui
