// Checks of what a command line names before the run changes anything, so
// that bad input ends with a clear message instead of a run that quietly
// keeps nothing. Each returns the message, empty when all is well.
#pragma once

#include <string>

namespace copyloom::cli {

// --kit must name an existing folder.
std::wstring KitFolderProblem(const std::wstring& kit);

// Makes the data folder (ending with a separator) when missing; a file in
// its place or a folder that cannot be made is a problem, named with its
// native path and the system's reason.
std::wstring DataFolderProblem(const std::wstring& folder);

// The settings file, when present, must be a text file: not a folder, and
// no zero bytes unless it is UTF-16 with a byte-order mark.
std::wstring SettingsFileProblem(const std::wstring& path);

}  // namespace copyloom::cli
