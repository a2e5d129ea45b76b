// How far a terminal holds a package, read without changing anything: what
// the command line's status reports.
#pragma once

#include <string>

#include "foundation/path_util.h"
#include "install/install_commands.h"
#include "terminals/terminal_layout.h"

namespace copyloom {

enum class InstalledState { kNone, kCurrent, kOutdated };

// "none", "current", "outdated".
const wchar_t* InstalledStateName(InstalledState state);

struct TerminalStatus {
  TerminalLayout layout;
  bool running = false;  // its terminal.exe is in use
  InstalledState installed = InstalledState::kNone;
  // Package files missing from the terminal or different there, relative to
  // the folder that receives them ("MQL4\Experts\x.ex4"); only when outdated.
  TextList differs;
};

// None while none of the package's compiled experts is in the terminal (an
// uninstall removes them); current when every file the install would copy
// is there with the same content; outdated otherwise. The terminal's own
// config\experts.ini does not count: an install never replaces it.
TerminalStatus ReadTerminalStatus(const std::wstring& installation, const PackageChoice& package);

}  // namespace copyloom
