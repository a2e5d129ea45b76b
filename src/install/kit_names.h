// Which names of a kit may reach a terminal. The folders a kit comes in
// carry files no vendor put there (Explorer's Thumbs.db and desktop.ini,
// macOS's .DS_Store, __MACOSX\ and "._" forks, Office's "~$" lock files),
// and an archive unpacked on Linux may hold names Windows cannot: those
// are never copied, never listed in a manifest, never removed by name.
#pragma once

#include <string>

#include "foundation/path_util.h"

namespace copyloom {

enum class KitNameKind {
  kUsable,
  kJunk,      // left out without a word
  kUnusable,  // left out and named (the "Skipped a file" message)
};

// One name (no separator). Junk: Thumbs.db, desktop.ini, .DS_Store (in any
// letter case), __MACOSX, "._*", "~$*". Unusable: what IsWindowsFileName
// refuses, a trailing space or dot, and the device names CON, PRN, AUX,
// NUL, COM1-COM9, LPT1-LPT9, with or without an extension.
KitNameKind ClassifyKitName(const std::wstring& name);

// The plain files of one package folder that may be copied, as full paths
// (CFileCtrl::ListFolder's, pattern included). Names left out as unusable
// are appended to *unusable when given. False when the folder exists and
// could not be listed.
bool ListKitFolder(const std::wstring& folder, const std::wstring& pattern, TextList* files,
                   TextList* unusable = nullptr);

}  // namespace copyloom
