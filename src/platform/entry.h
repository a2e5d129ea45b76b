// The one entry of every command-line program: main (POSIX, UTF-8 argv) or
// wmain (Windows) sets up the console and calls WideMain with the arguments
// after the program's name. Link copyloom_entry and define WideMain.
#pragma once

#include <string>
#include <vector>

int WideMain(const std::vector<std::wstring>& args);
