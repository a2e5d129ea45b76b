// Whether a terminal runs, decided from its files alone.
#pragma once

#include "terminals/terminal_layout.h"

namespace copyloom {

// True while a program holds the terminal's terminal.exe or the newest log in
// its data folder's logs\ (a running terminal writes its log of the day
// without sharing; under Wine that is the sign that shows). A program file or
// log that merely cannot be written is no sign.
bool IsTerminalRunning(const TerminalLayout& layout);

}  // namespace copyloom
