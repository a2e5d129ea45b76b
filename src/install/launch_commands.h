// Starting a terminal or opening its folder from the list (buttons 4 and 3,
// double-click).
#pragma once

#include "install/command_result.h"
#include "terminals/installer_view.h"

namespace copyloom {

// The row with the selection mark, else the first ticked row, else -1.
int SelectedTerminalRow(const InstallerView& view);

// kFileMissing when the terminal's program is not there, kBusy during a
// search or a command.
CommandRefusal LaunchTerminal(InstallerView& view);
void OpenTerminalFolder(InstallerView& view);
void OnListDoubleClick(InstallerView& view);

}  // namespace copyloom
