// CExplorer1: the web panel, the system's web-browser control (by its class
// identifier) hosted in place in a plain child window.
#pragma once

#include <windows.h>

#include <string>

namespace copyloom::ui {

class BrowserSite;

class CExplorer1 {
 public:
  CExplorer1();
  virtual ~CExplorer1();
  CExplorer1(const CExplorer1&) = delete;
  CExplorer1& operator=(const CExplorer1&) = delete;

  // Hosts the web-browser control in `host` (control 1008 of template 153: a
  // plain child window, e.g. a static), filling its client area. False when
  // no browser can be made; the host then stays an empty panel. Never shows a
  // dialog.
  bool Attach(HWND host);
  // Navigates through the control's dispatch method 104 with the optional
  // arguments absent. No-op without a browser.
  void Navigate(const std::wstring& url);
  // Fits the browser to the host after the host moved or was resized.
  void Resize();
  HWND Host() const { return host_; }
  // True while a browser is hosted.
  bool HasBrowser() const { return site_ != nullptr; }

 private:
  void Release();

  HWND host_ = nullptr;
  BrowserSite* site_ = nullptr;
  bool ole_initialised_ = false;
};

}  // namespace copyloom::ui
