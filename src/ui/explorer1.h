// The web panel: hosts the web-browser control in a plain child window.
#pragma once

#include <windows.h>

#include <string>

namespace copyloom::ui {

class CExplorer1 {
 public:
  CExplorer1();
  virtual ~CExplorer1();
  // Hosts the browser in `host`, filling its client area. False when no
  // browser can be made; the host then stays an empty panel. Never shows a
  // dialog.
  bool Attach(HWND host);
  void Navigate(const std::wstring& url);  // no-op without a browser
  void Resize();                           // fit the browser to the host after the host moved
  HWND Host() const { return host_; }

 private:
  HWND host_ = nullptr;
};

}  // namespace copyloom::ui
