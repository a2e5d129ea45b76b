#include "ui/web_browser.h"

#include <windows.h>

namespace copyloom::ui {

bool RunningUnderWine() {
  static const bool wine = [] {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return wine;
}

const wchar_t* WebBrowserProgram() { return RunningUnderWine() ? L"winebrowser" : L"IEXPLORE"; }

}  // namespace copyloom::ui
