// A link to a folder, as wineboot makes drive_c/users/<user>/Documents a link
// to $HOME/Documents.
#pragma once

#include <string>

namespace copyloom::test {

// Makes link (native path) point at target (native path, an existing
// folder). Windows: a directory symbolic link where the system allows one,
// else a folder of its own (Windows without Wine has no such links).
bool MakeFolderLink(const std::wstring& link, const std::wstring& target);

}  // namespace copyloom::test
