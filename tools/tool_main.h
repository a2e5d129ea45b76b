// Entry of a tool that takes wide arguments: entry_posix.cc (UTF-8 argv) or
// entry_win32.cc (wmain) calls it with the arguments after the program name.
#pragma once

#include <string>
#include <vector>

int ToolMain(const std::vector<std::wstring>& args);
