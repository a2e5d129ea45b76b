// Wine prefixes as folders on disk: what makes one, where Linux traders keep
// them, and the architecture a prefix was made for. Internal to posix/:
// others reach them through platform/prefix.h.
#pragma once

#include <string>
#include <vector>

namespace copyloom::platform::posix {

// A folder holding system.reg and drive_c (or dosdevices). When the folder
// cannot be read (a prefix made by "sudo wine": root's, mode 700), false with
// *unreadable set to the reason ("Permission denied"); a missing part is no
// such error.
bool IsWinePrefixFolder(const std::string& folder, std::string* unreadable = nullptr);

// The prefix that holds this native path (the path itself or one of its
// parents); empty when none does.
std::string PrefixHolding(const std::string& native);

// The user name Wine gives the running user: $USER, else the account's
// name, else the uid (Wine 8 makes the profile C:\users\<it> and expands
// every shell folder from it, whoever made the prefix).
std::string WineUserName();

// "win32" or "win64" from the "#arch=" line of system.reg; empty when the
// file has none.
std::string WinePrefixArch(const std::string& prefix);

// The prefixes in the places Wine front ends keep them, in this order:
// wineprefix_env ($WINEPREFIX, may be empty), ~/.wine, the other ~/.wine*
// (~/.wine64, ~/.wine-mt4), ~/.mt4 (MetaQuotes' Linux script), Bottles (native and Flatpak), PlayOnLinux, Lutris (~/Games/*
// and one level below), CrossOver. The folders of one place are sorted by
// name; a folder reached twice (a link) is listed once. Prefixes that cannot
// be read go to *unreadable (folder, reason) when given.
struct UnreadablePrefix {
  std::string folder;
  std::string reason;
};
std::vector<std::string> FindWinePrefixes(std::string home, const std::string& wineprefix_env,
                                          std::vector<UnreadablePrefix>* unreadable = nullptr);

}  // namespace copyloom::platform::posix
