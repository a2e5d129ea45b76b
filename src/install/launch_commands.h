// Starting a terminal or opening its folder from the list (buttons 4 and 3,
// double-click).
#pragma once

#include "terminals/installer_view.h"

namespace copyloom {

// The row with the selection mark, else the first ticked row, else -1.
int SelectedTerminalRow(const InstallerView& view);

void LaunchTerminal(InstallerView& view);
void OpenTerminalFolder(InstallerView& view);
void OnListDoubleClick(InstallerView& view);

}  // namespace copyloom
