// The user's special folders, read once at start-up from the shell-folder
// list of the registry, with the platform's fallbacks.
#pragma once

#include <string>

namespace copyloom {

struct SpecialFolders {
  std::wstring app_data;
  std::wstring local_app_data;
  std::wstring personal;
  std::wstring temporary;
};

// HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders,
// values "AppData", "Local AppData" and "Personal". A missing or empty value
// takes the platform's fallback folder (Windows: "C:\Windows\"; POSIX without
// a Wine prefix: the XDG folders). Personal falls back to the application-data
// folder, then the local one. Every folder ends with a separator.
SpecialFolders ReadSpecialFolders();
// The "AppData" one alone, as ReadSpecialFolders gives it: what the
// terminals' data folders hang from, asked for on every terminal.
std::wstring ReadAppDataFolder();

// Appends "\" unless the text is empty or already ends with a separator
// ("/" counts: the POSIX fallbacks are native paths).
std::wstring WithTrailingSeparator(const std::wstring& folder);

}  // namespace copyloom
