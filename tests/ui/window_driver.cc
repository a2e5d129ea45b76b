#include "ui/window_driver.h"

#include <commctrl.h>

#include "ui/resource.h"

namespace copyloom::test {
namespace {

// One window runs at a time; the timer callback finds its driver here.
WindowDriver* g_driver = nullptr;

constexpr UINT kTickMs = 20;

}  // namespace

std::wstring TestWindow::BrowseForFolder(const std::wstring&) {
  if (picked_folders.empty()) return L"";
  std::wstring folder = picked_folders.front();
  picked_folders.pop_front();
  return folder;
}

void TestWindow::ShellExecuteOpen(const std::wstring& file, const std::wstring& parameters) {
  shell.push_back(parameters.empty() ? file : file + L" " + parameters);
}

INT_PTR WindowDriver::Run(const std::function<void()>& script) {
  script_ = script;
  script_started_ = script_ran_ = closing_ = false;
  g_driver = this;
  const UINT_PTR timer = SetTimer(nullptr, 0, kTickMs, &WindowDriver::OnTimer);
  const INT_PTR result = window_.DoModal();
  KillTimer(nullptr, timer);
  g_driver = nullptr;
  return result;
}

void CALLBACK WindowDriver::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (g_driver) g_driver->Tick();
}

// Runs inside the window's loops, the message boxes' loops included.
void WindowDriver::Tick() {
  const HWND box = FindBox();
  if (box && box != last_box_) {
    last_box_ = box;
    wchar_t text[4096] = L"";
    GetDlgItemTextW(box, 0xFFFF, text, static_cast<int>(std::size(text)));
    boxes.emplace_back(text);
    RECT place{};
    GetWindowRect(box, &place);
    box_places.push_back(place);
    int answer = IDOK;
    if (!answers.empty()) {
      answer = answers.front();
      answers.pop_front();
    }
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, answer)));
    return;
  }
  if (!box) last_box_ = nullptr;
  const HWND dlg = hwnd();
  // Not from inside a long command's pump: the script would wait on the
  // command it interrupted.
  if (script_started_ || !dlg || !window_.initialised() || !IsWindowVisible(dlg) ||
      window_.IsBusy()) {
    return;
  }
  script_started_ = true;
  if (script_) script_();
  script_ran_ = true;
  if (!closing_) PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_EXIT, BN_CLICKED), 0);
}

// A dialog of this thread other than the window: a message box, the about box.
HWND WindowDriver::FindBox() const {
  struct Search {
    HWND window;
    HWND found;
  } search{hwnd(), nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND candidate, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        wchar_t name[16] = L"";
        GetClassNameW(candidate, name, static_cast<int>(std::size(name)));
        if (candidate != s->window && IsWindowVisible(candidate) &&
            std::wstring(name) == L"#32770") {
          s->found = candidate;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void WindowDriver::Click(int id) { SendMessageW(Item(id), BM_CLICK, 0, 0); }

void WindowDriver::PostClick(int id) { PostMessageW(Item(id), BM_CLICK, 0, 0); }

POINT WindowDriver::RowPoint(int row, bool check_box) const {
  const HWND list = Item(IDC_TERMINAL_LIST);
  RECT bounds{};
  bounds.left = LVIR_BOUNDS;
  SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
  POINT at{bounds.left + 60, (bounds.top + bounds.bottom) / 2};
  if (!check_box) return at;
  for (int x = bounds.left; x < bounds.left + 40; ++x) {
    LVHITTESTINFO hit{};
    hit.pt = {x, at.y};
    SendMessageW(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    if (hit.iItem == row && (hit.flags & LVHT_ONITEMSTATEICON)) return hit.pt;
  }
  return {bounds.left + 8, at.y};
}

void WindowDriver::PostMouse(POINT at, bool double_click) {
  const HWND list = Item(IDC_TERMINAL_LIST);
  const LPARAM where = MAKELPARAM(at.x, at.y);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, where);
  PostMessageW(list, WM_LBUTTONUP, 0, where);
  if (double_click) {
    PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
    PostMessageW(list, WM_LBUTTONUP, 0, where);
  }
  Pump();
}

void WindowDriver::TickRow(int row) { PostMouse(RowPoint(row, true), false); }
void WindowDriver::ClickRow(int row) { PostMouse(RowPoint(row, false), false); }
void WindowDriver::DoubleClickRow(int row) { PostMouse(RowPoint(row, false), true); }

void WindowDriver::PressKey(int virtual_key) {
  closing_ = closing_ || virtual_key == VK_ESCAPE || virtual_key == VK_RETURN;
  HWND focus = GetFocus();
  if (!focus) focus = Item(IDC_TERMINAL_LIST);
  PostMessageW(focus, WM_KEYDOWN, virtual_key, 1);
  PostMessageW(focus, WM_KEYUP, virtual_key, 0xC0000001);
}

void WindowDriver::CloseBox() {
  closing_ = true;
  PostMessageW(hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
}

void WindowDriver::Resize(int width, int height) {
  SetWindowPos(hwnd(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

void WindowDriver::Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (hwnd() && IsDialogMessageW(hwnd(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool WindowDriver::WaitUntil(const std::function<bool()>& done, int timeout_ms) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (static_cast<int>(GetTickCount() - start) > timeout_ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    Pump();
  }
  return true;
}

RECT WindowDriver::ClientRect(int id) const {
  RECT rect{};
  GetWindowRect(Item(id), &rect);
  MapWindowPoints(HWND_DESKTOP, hwnd(), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool WindowDriver::Visible(int id) const {
  return (GetWindowLongW(Item(id), GWL_STYLE) & WS_VISIBLE) != 0;
}

std::wstring WindowDriver::Caption(int id) const {
  const HWND target = id == 0 ? hwnd() : Item(id);
  wchar_t text[1024] = L"";
  GetWindowTextW(target, text, static_cast<int>(std::size(text)));
  return text;
}

SIZE WindowDriver::WindowSize() const {
  RECT rect{};
  GetWindowRect(hwnd(), &rect);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

int WindowDriver::DialogX(int units) const {
  RECT rect{units, 0, 0, 0};
  MapDialogRect(hwnd(), &rect);
  return rect.left;
}

}  // namespace copyloom::test
