// A link to a folder, as wineboot makes drive_c/users/<user>/Documents a link
// to $HOME/Documents.
#pragma once

#include <string>

namespace copyloom::test {

// Makes link (native path) point at target (native path, an existing
// folder). Windows: a folder of its own (the Windows build under Wine meets
// the real links in scripts/test-interop.sh).
bool MakeFolderLink(const std::wstring& link, const std::wstring& target);

}  // namespace copyloom::test
