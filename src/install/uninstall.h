// The Uninstall command (button 1020): removes the copier's built-in libraries
// and experts, every file the kit's package folders would install (from the
// folders the install put them in) and the first chart, by name.
#pragma once

#include "install/command_result.h"
#include "terminals/installer_view.h"

namespace copyloom {

CommandResult OnUninstall(InstallerView& view, const CommandOptions& options = {});

}  // namespace copyloom
