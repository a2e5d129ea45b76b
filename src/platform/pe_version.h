// A bounds-checked reader of the version resource of a PE image (an .exe or
// .dll held in memory). Portable: the POSIX build reads version resources
// with it, and its tests run on both builds.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace copyloom::platform {

// The FileVersion string of each entry of \VarFileInfo\Translation, in its
// order, looked up as \StringFileInfo\<lang><cp>\FileVersion (names compared
// ignoring case, as VerQueryValueW does); a missing string gives an empty
// text, and no translation table gives no entries, as on Windows. False
// when the image is not a PE file or has no version resource (type 16,
// name 1). Any input, however damaged, is read without going out of bounds.
bool ReadPeFileVersions(std::string_view image, std::vector<std::wstring>* versions);

}  // namespace copyloom::platform
