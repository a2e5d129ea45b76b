#include "ui/dlg_about.h"

#include "app/product_profile.h"

namespace copyloom::ui {
namespace {

INT_PTR CALLBACK AboutProc(HWND dlg, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) {
    SetWindowTextW(dlg, TheProfile().display_name.c_str());
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
    EndDialog(dlg, LOWORD(wparam));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

CDlgAbout::CDlgAbout(HWND parent) : parent_(parent) {}
CDlgAbout::~CDlgAbout() = default;

INT_PTR CDlgAbout::DoModal() {
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(100), parent_, AboutProc, 0);
}

}  // namespace copyloom::ui
