// Deploys the copier's configuration file ("vlcpy.sin") and its tag file
// into the per-user shared folder when the window opens.
#pragma once

#include <string>

#include "platform/failure.h"

namespace copyloom {

// "SUCC", or a message for the user (the window shows it and closes);
// *cause (when given) gets why a write failed, ok otherwise.
std::wstring DeploySupportFiles(platform::Status* cause = nullptr);

}  // namespace copyloom
