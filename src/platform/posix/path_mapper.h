// Wine-compatible mapping of Windows-style and native paths to native file
// names, and the drive table of the Wine prefix. Internal to posix/.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace copyloom::platform::posix {

// File names are UTF-8 on the native side, as Wine writes them. Bytes that
// are not UTF-8 survive a round trip as U+DC80..U+DCFF.
std::string WideToNative(std::wstring_view text);
std::wstring NativeToWide(std::string_view bytes);

// Drive letter (upper case) -> native folder: the test hook's table when one
// is installed, else the "x:" links of the current prefix's dosdevices.
std::map<wchar_t, std::string> DriveTable();

// Maps a path to the native file name it stands for:
// - "X:\a\b" through the current prefix's drives (false when X is not
//   mapped);
// - "/a/b" and "\a\b" from the native root, "a\b" from the current folder;
// - "\" and "/" both separate; "." and ".." are resolved by text first, and
//   ".." never climbs above the drive or the root;
// - each component that does not exist with its exact case is matched
//   ignoring case against the folder's entries; from the first component
//   that does not exist at all, the rest is kept as given.
// False for an empty path and for UNC or device paths ("\\server\share",
// "\\?\C:\x", "\\.\pipe").
bool MapPath(std::wstring_view path, std::string* native);

// Drops the folder listings kept for the lookups ignoring case, so a fuzz
// run leaves the heap as it found it and libFuzzer's leak check stays rare.
void ForgetFolderListings();

// A Windows-style path ("C:\..." or "\\...") rather than a native one.
bool IsWindowsStyle(std::wstring_view path);

}  // namespace copyloom::platform::posix
