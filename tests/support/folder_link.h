// A link to a folder, as wineboot makes drive_c/users/<user>/Documents a link
// to $HOME/Documents.
#pragma once

#include <string>

namespace copyloom::test {

// Makes link (native path) point at target (native path, an existing
// folder). Windows: a folder of its own (the Windows build under Wine meets
// the real links in scripts/test-interop.sh).
bool MakeFolderLink(const std::wstring& link, const std::wstring& target);

// Makes link (native path) a symbolic link to the file target (native path):
// a reparse point on Windows, where the system may refuse it.
bool MakeFileLink(const std::wstring& link, const std::wstring& target);

// Whether path (native) is a link rather than the file it names.
bool IsLink(const std::wstring& path);

}  // namespace copyloom::test
