// The program that opens web addresses. Under Wine, Internet Explorer is a
// blank window or a prompt to download a web engine; Wine's winebrowser
// hands the address to the desktop's browser (xdg-open) instead.
#pragma once

namespace copyloom::ui {

// True when the program runs under Wine (ntdll exports wine_get_version).
bool RunningUnderWine();

// "IEXPLORE" on Windows, "winebrowser" under Wine.
const wchar_t* WebBrowserProgram();

}  // namespace copyloom::ui
