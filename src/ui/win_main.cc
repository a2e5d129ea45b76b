// Entry of copyloom-setup.exe, the Windows program a trader double-clicks.
#include <windows.h>

#include "ui/copyloom_app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return copyloom::ui::RunCopyloomSetup(); }
