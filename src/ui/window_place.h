// Placing a dialog that has no position of its own, as the dialog framework
// did: centred on its owner, or on the work area when it has none.
#pragma once

#include <windows.h>

namespace copyloom::ui {

// Centres window on owner (nullptr: the work area of the window's monitor),
// kept inside that work area.
void CentreWindow(HWND window, HWND owner);

}  // namespace copyloom::ui
