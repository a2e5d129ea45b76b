// DIR arguments of the command line, turned into folders as the terminal
// list knows them, so that one terminal never becomes two rows.
#pragma once

#include <string>

namespace copyloom::cli {

// dir as an absolute path: "C:\x", "\\server\x" and "/x" are kept; anything
// else is taken relative to the current folder.
std::wstring AbsoluteFolder(const std::wstring& dir, const std::wstring& current);

// A DIR argument as the list stores its terminal: trimmed of white space,
// absolute, a native path inside a drive of the Wine prefix in its
// drive-letter form, and a terminal's "experts" folder or program file
// replaced by the terminal folder. A path that names no terminal stays as
// given (trimmed and absolute), for rows whose folder has gone.
std::wstring TerminalFolderArgument(const std::wstring& dir, const std::wstring& current);

}  // namespace copyloom::cli
