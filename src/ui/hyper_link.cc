#include "ui/hyper_link.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cwctype>
#include <utility>
#include <vector>

#include "app/language.h"
#include "app/product_profile.h"
#include "app/text_table.h"
#include "foundation/path_util.h"
#include "platform/platform.h"
#include "platform/win32/handles.h"
#include "platform/win32/shell.h"
#include "ui/web_browser.h"

namespace copyloom::ui {
namespace {

constexpr UINT_PTR kToolId = 1;
// The help program carries the classic pointing-hand cursor under this id.
constexpr WORD kHelpHandCursor = 106;

// The default value of a key of the classes root, which merges the user's
// classes over the machine's.
bool ReadClassesRootDefault(const std::wstring& key, std::wstring* value) {
  for (auto root : {platform::RegRoot::kCurrentUser, platform::RegRoot::kLocalMachine}) {
    auto opened = platform::OpenRegKey(root, L"Software\\Classes\\" + key, false);
    if (opened && opened->QueryValue(L"", value)) {
      // A string value read whole may carry its terminator.
      while (!value->empty() && value->back() == L'\0') value->pop_back();
      return true;
    }
  }
  return false;
}

std::wstring Lower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return text;
}

std::wstring WindowText(HWND hwnd) {
  int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), length + 1)));
  return text;
}

// The text of each shell result number that has one.
struct ResultText {
  int result;
  TextKey key;
};
constexpr ResultText kResultTexts[] = {
    {0, TextKey::LinkOutOfResources},
    {SE_ERR_FNF, TextKey::LinkFileNotFound},
    {SE_ERR_PNF, TextKey::LinkPathNotFound},
    {SE_ERR_ACCESSDENIED, TextKey::LinkAccessDenied},
    {SE_ERR_OOM, TextKey::LinkOutOfMemory},
    {ERROR_BAD_FORMAT, TextKey::LinkBadExe},
    {SE_ERR_SHARE, TextKey::LinkSharingViolation},
    {SE_ERR_ASSOCINCOMPLETE, TextKey::LinkAssociationIncomplete},
    {SE_ERR_DDETIMEOUT, TextKey::LinkDdeTimeout},
    {SE_ERR_DDEFAIL, TextKey::LinkDdeFailed},
    {SE_ERR_DDEBUSY, TextKey::LinkDdeBusy},
    {SE_ERR_NOASSOC, TextKey::LinkNoAssociation},
    {SE_ERR_DLLNOTFOUND, TextKey::LinkDllNotFound},
};

}  // namespace

CHyperLink::CHyperLink() = default;

CHyperLink::~CHyperLink() { Detach(); }

bool CHyperLink::Attach(HWND control) {
  if (hwnd_ || !IsWindow(control)) return false;
  hwnd_ = control;
  parent_ = GetParent(control);
  if (!SetWindowSubclass(hwnd_, ControlProc, reinterpret_cast<UINT_PTR>(this),
                         reinterpret_cast<DWORD_PTR>(this)) ||
      !SetWindowSubclass(parent_, ParentProc, reinterpret_cast<UINT_PTR>(this),
                         reinterpret_cast<DWORD_PTR>(this))) {
    Detach();
    return false;
  }
  SetWindowLongPtrW(hwnd_, GWL_STYLE, GetWindowLongPtrW(hwnd_, GWL_STYLE) | SS_NOTIFY);

  std::wstring text = WindowText(hwnd_);
  if (url_.empty()) url_ = text;
  if (text.empty()) SetWindowTextW(hwnd_, url_.c_str());

  HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
  // A control that was never given a font draws with the system font.
  if (!font) font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  LOGFONTW log_font = {};
  if (GetObjectW(font, sizeof(log_font), &log_font)) {
    log_font.lfUnderline = underline_ ? TRUE : FALSE;
    link_font_ = CreateFontIndirectW(&log_font);
    if (link_font_) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(link_font_), FALSE);
  }

  PositionWindow();
  LoadLinkCursor();
  CreateToolTip();
  return true;
}

void CHyperLink::Detach() {
  if (tool_tip_) DestroyWindow(tool_tip_);
  tool_tip_ = nullptr;
  if (hwnd_) {
    if (hovering_ && GetCapture() == hwnd_) ReleaseCapture();
    RemoveWindowSubclass(hwnd_, ControlProc, reinterpret_cast<UINT_PTR>(this));
    if (IsWindow(hwnd_) && link_font_ &&
        reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)) == link_font_) {
      SendMessageW(hwnd_, WM_SETFONT, 0, FALSE);
    }
  }
  if (parent_) RemoveWindowSubclass(parent_, ParentProc, reinterpret_cast<UINT_PTR>(this));
  hwnd_ = nullptr;
  parent_ = nullptr;
  hovering_ = false;
  if (link_font_) DeleteObject(link_font_);
  link_font_ = nullptr;
  if (owns_cursor_ && link_cursor_) DestroyCursor(link_cursor_);
  link_cursor_ = nullptr;
  owns_cursor_ = false;
}

void CHyperLink::SetURL(const std::wstring& url) {
  url_ = url;
  if (!hwnd_) return;
  PositionWindow();
  UpdateToolTip();
}

COLORREF CHyperLink::TextColour() const {
  if (hovering_) return hover_colour_;
  return visited_ ? visited_colour_ : link_colour_;
}

void CHyperLink::PositionWindow() {
  if (!adjust_to_fit_ || !hwnd_) return;
  RECT rect;
  GetWindowRect(hwnd_, &rect);
  MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&rect), 2);

  std::wstring text = WindowText(hwnd_);
  SIZE extent = {};
  {
    const platform::win32::WindowDC dc(hwnd_);
    HGDIOBJ font = link_font_;
    if (!font) font = reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd_, WM_GETFONT, 0, 0));
    if (!font) font = GetStockObject(SYSTEM_FONT);
    HGDIOBJ old_font = SelectObject(dc.get(), font);
    GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc.get(), old_font);
  }

  LONG style = static_cast<LONG>(GetWindowLongPtrW(hwnd_, GWL_STYLE));
  if (style & SS_CENTERIMAGE) {
    LONG grow = extent.cy - (rect.bottom - rect.top);
    rect.top -= grow / 2;
    rect.bottom = rect.top + extent.cy;
  } else {
    rect.bottom = rect.top + extent.cy;
  }
  switch (style & SS_TYPEMASK) {
    case SS_CENTER: {
      LONG grow = extent.cx - (rect.right - rect.left);
      rect.left -= grow / 2;
      rect.right = rect.left + extent.cx;
      break;
    }
    case SS_RIGHT:
      rect.left = rect.right - extent.cx;
      break;
    default:
      rect.right = rect.left + extent.cx;
      break;
  }
  SetWindowPos(hwnd_, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  UpdateToolTip();
}

void CHyperLink::LoadLinkCursor() {
  if (link_cursor_) return;
  std::wstring windows = platform::WindowsFolder();
  if (!windows.empty()) {
    if (windows.back() == L'\\') windows.pop_back();
    // Only its resources are wanted: no code of it is mapped to run.
    HMODULE help =
        LoadLibraryExW((windows + L"\\winhlp32.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (help) {
      HCURSOR cursor = LoadCursorW(help, MAKEINTRESOURCEW(kHelpHandCursor));
      if (cursor) {
        link_cursor_ = CopyCursor(cursor);
        owns_cursor_ = link_cursor_ != nullptr;
      }
      FreeLibrary(help);
    }
  }
  // Current systems have no help program; their own hand is the same pointer.
  if (!link_cursor_) link_cursor_ = LoadCursorW(nullptr, IDC_HAND);
}

void CHyperLink::CreateToolTip() {
  if (tool_tip_) return;
  tool_tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!tool_tip_) return;
  TOOLINFOW tool = {};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  // The tooltip relays the control's mouse messages itself: a plain dialog
  // loop has no pre-translation step to do it.
  tool.uFlags = TTF_SUBCLASS;
  tool.hwnd = hwnd_;
  tool.uId = kToolId;
  GetClientRect(hwnd_, &tool.rect);
  tool.lpszText = const_cast<wchar_t*>(url_.c_str());
  SendMessageW(tool_tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CHyperLink::UpdateToolTip() {
  if (!tool_tip_) return;
  TOOLINFOW tool = {};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = hwnd_;
  tool.uId = kToolId;
  GetClientRect(hwnd_, &tool.rect);
  SendMessageW(tool_tip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
  tool.lpszText = const_cast<wchar_t*>(url_.c_str());
  SendMessageW(tool_tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CHyperLink::Redraw() {
  // The text is drawn without a background, so the parent repaints beneath it.
  RECT rect;
  GetWindowRect(hwnd_, &rect);
  MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT*>(&rect), 2);
  RedrawWindow(parent_, &rect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CHyperLink::OnMouseMove(LPARAM lp) {
  if (!hovering_) {
    hovering_ = true;
    Redraw();
    SetCapture(hwnd_);
    return;
  }
  RECT client;
  GetClientRect(hwnd_, &client);
  POINT point = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  if (!PtInRect(&client, point)) {
    hovering_ = false;
    ReleaseCapture();
    Redraw();
  }
}

int CHyperLink::Follow() {
  int result = OpenLink(url_);
  visited_ = result > 32;
  if (hwnd_) Redraw();
  if (!visited_) {
    MessageBeep(MB_ICONEXCLAMATION);
    // Captioned with the program's name, as every other box of the program.
    const std::wstring caption = GetPathFileName(GetProgramPath(), false);
    MessageBoxW(parent_, ErrorMessage(result).c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
  }
  return result;
}

int CHyperLink::OpenLink(const std::wstring& target) {
  std::wstring lower = Lower(target);
  int result = (lower.find(L"http://") != std::wstring::npos ||
                lower.find(L"https://") != std::wstring::npos)
                   ? platform::ShellOpenNumber(WebBrowserProgram(), target)
                   : platform::ShellOpenNumber(target, L"");
  if (result > 32) return result;

  std::wstring page_class;
  std::wstring command;
  if (!ReadClassesRootDefault(L".htm", &page_class) ||
      !ReadClassesRootDefault(page_class + L"\\shell\\open\\command", &command)) {
    return result;
  }
  size_t cut = command.find(L"\"%1\"");
  if (cut == std::wstring::npos) cut = command.find(L"%1");
  if (cut != std::wstring::npos) command.resize(cut);
  return platform::RunCommandNumber(command + L"   " + target);
}

std::wstring CHyperLink::ErrorMessage(int result) {
  const int language = languageIndex();
  std::wstring message(TableText(TextKey::LinkOpenFailed, language));
  for (const ResultText& known : kResultTexts) {
    if (known.result == result) return message + std::wstring(TableText(known.key, language));
  }
  return message + FillPlaceholder(std::wstring(TableText(TextKey::LinkUnknownError, language)),
                                   std::to_wstring(result));
}

LRESULT CHyperLink::OnControlMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_MOUSEMOVE:
      OnMouseMove(lp);
      break;
    case WM_CAPTURECHANGED:
      // A message box or another window took the mouse: no longer over us.
      if (hovering_ && reinterpret_cast<HWND>(lp) != hwnd_) {
        hovering_ = false;
        Redraw();
      }
      break;
    case WM_SETCURSOR:
      if (link_cursor_) {
        SetCursor(link_cursor_);
        return TRUE;
      }
      break;
    case WM_SETTEXT: {
      // A new text gets a new size, so the link never clips its text.
      LRESULT done = DefSubclassProc(hwnd_, msg, wp, lp);
      PositionWindow();
      return done;
    }
    default:
      break;
  }
  return DefSubclassProc(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK CHyperLink::ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                         DWORD_PTR data) {
  auto* link = reinterpret_cast<CHyperLink*>(data);
  if (msg == WM_NCDESTROY) {
    LRESULT done = DefSubclassProc(hwnd, msg, wp, lp);
    link->Detach();
    return done;
  }
  return link->OnControlMessage(msg, wp, lp);
}

// The parent's notifications about the control, reflected back to it.
LRESULT CALLBACK CHyperLink::ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                        DWORD_PTR data) {
  auto* link = reinterpret_cast<CHyperLink*>(data);
  if (msg == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lp) == link->hwnd_) {
    HDC dc = reinterpret_cast<HDC>(wp);
    SetTextColor(dc, link->TextColour());
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
  }
  if (msg == WM_COMMAND && reinterpret_cast<HWND>(lp) == link->hwnd_ && HIWORD(wp) == STN_CLICKED) {
    link->Follow();
    return 0;
  }
  if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, ParentProc, reinterpret_cast<UINT_PTR>(link));
    link->parent_ = nullptr;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace copyloom::ui
