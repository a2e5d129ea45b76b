// Placing a dialog that has no position of its own, as the dialog framework
// did: centred on its owner, or on the work area when it has none; and
// finding the object a dialog runs for.
#pragma once

#include <windows.h>

namespace copyloom::ui {

// Centres window on owner (nullptr: the work area of the window's monitor),
// kept inside that work area.
void CentreWindow(HWND window, HWND owner);

// The object a dialog was started for (DialogBoxParamW's last argument),
// kept with the dialog from WM_INITDIALOG on; null for the messages before.
template <typename Dialog>
Dialog* DialogObject(HWND dialog, UINT message, LPARAM lparam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lparam);
  return reinterpret_cast<Dialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

}  // namespace copyloom::ui
