#include "ui/window_place.h"

#include <algorithm>

namespace copyloom::ui {

void CentreWindow(HWND window, HWND owner) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(owner ? owner : window, MONITOR_DEFAULTTONEAREST),
                       &monitor)) {
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &monitor.rcWork, 0);
  }
  const RECT work = monitor.rcWork;
  RECT around = work;
  // A minimised or hidden owner has no useful place: use the work area.
  if (owner && IsWindowVisible(owner) && !IsIconic(owner)) GetWindowRect(owner, &around);
  RECT own;
  GetWindowRect(window, &own);
  const int width = own.right - own.left, height = own.bottom - own.top;
  int x = around.left + (around.right - around.left - width) / 2;
  int y = around.top + (around.bottom - around.top - height) / 2;
  // Keep the caption reachable on the work area.
  x = std::max<int>(work.left, std::min<int>(x, work.right - width));
  y = std::max<int>(work.top, std::min<int>(y, work.bottom - height));
  SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace copyloom::ui
