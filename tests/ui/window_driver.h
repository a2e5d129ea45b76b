// Drives the real installer window in process, as a user would: runs it
// modally, starts the test's script once it shows, clicks buttons and list
// rows, and answers the message boxes it opens.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/dlg_inst_multi.h"

namespace copyloom::test {

// The window with the shell and the folder picker recorded instead of used.
class TestWindow : public ui::CDlgInstMulti {
 public:
  std::vector<std::wstring> shell;  // "file" or "file parameters"
  std::deque<std::wstring> picked_folders;
  int dpi = 0;  // the screen's when 0

  std::wstring BrowseForFolder(const std::wstring& title) override;

 protected:
  void ShellExecuteOpen(const std::wstring& file, const std::wstring& parameters) override;
  int ScreenDpi() const override { return dpi ? dpi : ui::CDlgInstMulti::ScreenDpi(); }
};

class WindowDriver {
 public:
  explicit WindowDriver(TestWindow& window) : window_(window) {}

  // Runs the window until it closes and returns how it closed. The script
  // runs once the window is shown; when it returns, Exit is clicked unless
  // the script closed the window itself (PressKey, CloseBox, Click(2)).
  INT_PTR Run(const std::function<void()>& script = {});
  bool script_ran() const { return script_ran_; }

  // ---- message boxes: their texts in order; answers for the coming ones
  // (IDOK or IDCANCEL; OK when none is left).
  std::vector<std::wstring> boxes;
  std::vector<RECT> box_places;  // where each box showed, in screen pixels
  std::deque<int> answers;

  // ---- a user's actions
  void Click(int id);
  // Posts a click for the window to take at its next look at its queue
  // (during a long command, when it pumps messages).
  void PostClick(int id);
  void TickRow(int row);  // a click on the row's check box
  void ClickRow(int row);
  void DoubleClickRow(int row);
  void PressKey(int virtual_key);  // to the focused control; the window's loop takes it
  void CloseBox();
  void Resize(int width, int height);
  // Dispatches what is queued; WaitUntil keeps doing so until `done` holds
  // (false after the timeout).
  void Pump();
  bool WaitUntil(const std::function<bool()>& done, int timeout_ms = 10000);

  // ---- reading back
  HWND hwnd() const { return window_.GetSafeHwnd(); }
  HWND Item(int id) const { return GetDlgItem(hwnd(), id); }
  RECT ClientRect(int id) const;
  bool Visible(int id) const;
  std::wstring Caption(int id) const;  // 0: the window title
  SIZE WindowSize() const;
  // Dialog units of the window's template in pixels.
  int DialogX(int units) const;

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
  void Tick();
  HWND FindBox() const;
  POINT RowPoint(int row, bool check_box) const;
  void PostMouse(POINT at, bool double_click);

  TestWindow& window_;
  std::function<void()> script_;
  bool script_started_ = false;
  bool script_ran_ = false;
  bool closing_ = false;
  HWND last_box_ = nullptr;
};

}  // namespace copyloom::test
