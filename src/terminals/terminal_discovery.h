// Finding the MetaTrader 4 terminals of the machine: the terminal-folder
// test, the fixed drives, the three sources of candidates, and the search
// command of the window.
#pragma once

#include <string>

#include "foundation/path_util.h"
#include "terminals/installer_view.h"

namespace copyloom {

// A folder holding entries named "config" and "experts" (letter case
// ignored), or an installation of build 600 and later (terminal.exe with a
// data folder or MQL4\). The path may also name its "experts" folder or an
// executable in it, with white space around.
bool IsTerminalFolder(std::wstring path);

// The folder IsTerminalFolder looks into for a path: trimmed, without an
// "experts" or executable name at its end, ending with "\"; empty when
// nothing is left.
std::wstring ProbedTerminalFolder(std::wstring path);

// Letters of the fixed drives joined by "|" ("C|D"); empty when the drive
// list cannot be read.
std::wstring ListFixedDrives();

// Candidates from the registry, the fixed drives, the shell's program record
// and the data folders of newer terminals, in that order, each followed by "|".
// A folder of the drives whose name Windows could not hold ("|" would split
// the list) is left out, and added to *unusable when given.
std::wstring FindTerminalFolders(TextList* unusable = nullptr);

// The search command: sets the searching flag, shows the busy label, finds
// and merges the terminals, saves the list, optionally shows DoneText.
void SearchTerminals(InstallerView& view, bool show_done_message);

// "Search Again": refused with BusyText while busy (false then).
bool OnSearchAgain(InstallerView& view);

// The first tick of timer 1 after opening without a saved list.
void OnSearchTimer(InstallerView& view);

}  // namespace copyloom
