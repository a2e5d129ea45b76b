// Files that Wine's programs hold. Internal to posix/.
#pragma once

#include <string>

namespace copyloom::platform::posix {

// True when a program of the Wine prefix (posix::WinePrefix) holds the file
// open or mapped, the way Windows would refuse to replace or delete it.
// Wine keeps that to itself: its server holds a descriptor for every file
// its programs have open or mapped, so the server of the prefix is found in
// /proc and its descriptors are compared by device and inode. A symbolic
// link is never held itself. Looked up at each call, or once while a
// HeldFilesSnapshot lives.
bool IsHeldByWine(const std::string& native);

}  // namespace copyloom::platform::posix
