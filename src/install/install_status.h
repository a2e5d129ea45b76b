// How far a terminal holds a package, read without changing anything: what
// the command line's status reports.
#pragma once

#include <string>

#include "foundation/path_util.h"
#include "install/install_commands.h"
#include "terminals/terminal_layout.h"

namespace copyloom {

enum class InstalledState { kNone, kCurrent, kOutdated, kModified, kNewer };

// "none", "current", "outdated", "modified", "newer".
const wchar_t* InstalledStateName(InstalledState state);

struct TerminalStatus {
  TerminalLayout layout;
  bool running = false;  // its terminal.exe is in use
  InstalledState installed = InstalledState::kNone;
  // Package files missing from the terminal or different there, relative to
  // the folder that receives them ("MQL4\Experts\x.ex4"); only when outdated.
  TextList differs;
  // The signed kit the terminal records (empty without a record) and the
  // signed kit beside the program (empty when unsigned).
  std::string kit_version;
  std::string package_version;
  // Modified: files differing from the record (tampering or a hand edit).
  TextList modified;
};

// None while none of the package's compiled experts is in the terminal (an
// uninstall removes them); current when every file the install would copy
// is there with the same content; outdated otherwise. The terminal's own
// config\experts.ini does not count: an install never replaces it.
// With a record of a signed kit (of the package's name, or any when the
// package is unsigned): modified when a file differs from it; else outdated
// or newer when its version is older or newer than the package's.
TerminalStatus ReadTerminalStatus(const std::wstring& installation, const PackageChoice& package);

// The state with its versions: "current (1.4.0.7)", "outdated (1.4.0.5
// installed, kit 1.4.0.7)", "modified: MQL4\Libraries\vlcpy.dll" (one
// line per file).
std::wstring InstalledStateText(const TerminalStatus& status);

}  // namespace copyloom
