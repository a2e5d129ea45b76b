// The Uninstall command (button 1020): removes the copier's libraries,
// experts, templates and first chart from the chosen terminals by name.
#pragma once

#include "terminals/installer_view.h"

namespace copyloom {

void OnUninstall(InstallerView& view);

}  // namespace copyloom
