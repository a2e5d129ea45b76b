// Deploys the copier's configuration file ("vlcpy.sin") and its tag file
// into the per-user shared folder when the window opens.
#pragma once

#include <string>

namespace copyloom {

// "SUCC", or a message for the user (the window shows it and closes).
std::wstring DeploySupportFiles();

}  // namespace copyloom
