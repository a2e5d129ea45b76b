// Where a terminal keeps the files this product installs. Up to build 509 an
// MT4 terminal reads them from its installation folder (classic); later
// builds from a data folder, <AppData>\MetaQuotes\Terminal\<ID>\, whose
// origin.txt names the installation; a terminal started with /portable from
// MQL4\ inside its installation folder. A terminal installed but never
// started has neither yet: it picks its data folder at its first start. A
// row always names the installation folder; everything that reads or writes
// a terminal's files asks here where.
#pragma once

#include <string>

namespace copyloom {

enum class TerminalLayoutKind { kClassic, kDataFolder, kPortable, kNotStarted };

struct TerminalLayout {
  TerminalLayoutKind kind = TerminalLayoutKind::kClassic;
  // Both end with "\". data_folder receives config, profiles and templates
  // (and MQL4\ unless classic): the installation folder unless kDataFolder.
  std::wstring installation;
  std::wstring data_folder;
  // Set when the installation's MQL4 and a data folder both exist: the one
  // not chosen. The chosen one holds the newest log; with no logs in either,
  // the data folder (logs_decided false).
  std::wstring unused_folder;
  bool logs_decided = false;

  // The folder, with "\", that receives a package folder ("experts",
  // "experts\indicators", "config", ...): "experts" becomes MQL4\Experts and
  // "experts\X" MQL4\X outside the classic layout.
  std::wstring FolderFor(const std::wstring& package_folder) const;
};

// "classic", "data folder", "portable", "not started".
const wchar_t* LayoutName(TerminalLayoutKind kind);

// The data folder whose origin.txt names the installation, or an MQL4 folder
// inside the installation folder (both: the one with the newest log), else
// not started (terminal.exe and config, no experts), else classic.
TerminalLayout ResolveTerminalLayout(const std::wstring& installation);

// The upper-case hex MD5 of the UTF-16LE bytes of the upper-cased path
// without trailing separators ("/" counts as "\").
std::wstring TerminalDataFolderId(const std::wstring& installation);

// <AppData>\MetaQuotes\Terminal\ from the shell folders; empty without one.
std::wstring TerminalDataRoot();

// The installation path an origin.txt holds: UTF-16LE with or without its
// mark, else UTF-8, else the ANSI code page. Empty unless it is an absolute
// Windows path.
std::wstring DecodeOriginText(const std::string& bytes);

// The MT4 installation a data folder stands for (the folder its origin.txt
// names, holding terminal.exe and no terminal64.exe); empty for anything
// else, an MT5 data folder (MQL5\) included.
std::wstring DataFolderInstallation(const std::wstring& data_folder);

// The folder itself, or the installation when it is a data folder.
std::wstring InstallationOfFolder(const std::wstring& folder);

// A build 600+ installation: terminal.exe, no terminal64.exe, and a data
// folder, MQL4\, or config\ of a terminal never started.
bool IsLayoutInstallation(const std::wstring& folder);

// The installations of every data folder under TerminalDataRoot(), each
// with "\" and followed by "|".
std::wstring FindDataFolderTerminals();

}  // namespace copyloom
