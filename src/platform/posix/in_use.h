// Whether a program file is running. Internal to posix/.
#pragma once

#include <string>

namespace copyloom::platform::posix {

// True when native names a ".exe" (any case) that a running process runs,
// names in its command line (natively or as a Windows path of the drive
// table), or, for Wine's processes, maps. Wine's own sharing is invisible to a native
// open, so this is how a terminal running under Wine is seen. Processes
// whose /proc entries cannot be read are skipped.
bool IsExecutableRunning(const std::string& native);

}  // namespace copyloom::platform::posix
