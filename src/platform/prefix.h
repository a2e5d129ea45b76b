// The Wine prefix a run works in, as one value. On Linux the file
// primitives map "C:\..." through its drives, the registry is its user.reg
// and system.reg, its users' shell folders and its ANSI code page are the
// ones Wine gives it; nothing of one prefix is kept for the next. The
// Windows build runs on the machine itself: it has no prefix, and the
// discovery functions find none.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace copyloom::platform {

// What the seam keeps of one prefix (drives, registry, code page), read on
// first use and kept with the value. Defined by each platform.
struct PrefixState;

class WinePrefix {
 public:
  // No prefix: no drives, an empty registry (on Windows: the machine).
  WinePrefix();
  // The prefix in the native folder root, for the user Wine names the
  // running one (user_name; Wine expands every shell folder from it).
  WinePrefix(const std::wstring& root, const std::wstring& user_name);

  // Native; empty for no prefix.
  const std::wstring& root() const;
  const std::wstring& user_name() const;
  bool empty() const { return root().empty(); }

  // For the seam's own files.
  explicit WinePrefix(std::shared_ptr<PrefixState> state) : state_(std::move(state)) {}
  const std::shared_ptr<PrefixState>& state() const { return state_; }

 private:
  std::shared_ptr<PrefixState> state_;
};

// The default of a process, made from its environment once at the edge:
// $WINEPREFIX, else $HOME/.wine (none without either), for $USER (else the
// account's name). None on Windows.
WinePrefix PrefixFromEnvironment();

// Makes prefix the one the seam works in until the scope ends, then the one
// before again. Scopes nest; a program sets one per run.
class PrefixScope {
 public:
  explicit PrefixScope(const WinePrefix& prefix);
  ~PrefixScope();
  PrefixScope(const PrefixScope&) = delete;
  PrefixScope& operator=(const PrefixScope&) = delete;

 private:
  std::shared_ptr<PrefixState> previous_;
};

// The innermost scope's prefix; outside any scope, the environment's (made
// again when the environment names another: tests and benches set it).
WinePrefix CurrentPrefix();

// ------------------------------------------------------- finding prefixes ---

// A folder holding system.reg and drive_c (or dosdevices). When the folder
// cannot be read (a prefix made by "sudo wine": root's, mode 700), false with
// *unreadable set to the reason ("Permission denied"); a missing part is no
// such error.
bool IsWinePrefixFolder(const std::wstring& folder, std::wstring* unreadable = nullptr);

// "win32" or "win64" from the "#arch=" line of the prefix's system.reg;
// empty when the file has none.
std::wstring WinePrefixArch(const std::wstring& folder);

// The prefixes in the places Wine front ends keep them, in this order:
// wineprefix_env ($WINEPREFIX, may be empty), ~/.wine, the other ~/.wine*
// (~/.wine64, ~/.wine-mt4), ~/.mt4 (MetaQuotes' Linux script), Bottles
// (native and Flatpak), PlayOnLinux, Lutris (~/Games/* and one level below),
// CrossOver. The folders of one place are sorted by name; a folder reached
// twice (a link) is listed once. Prefixes that cannot be read go to
// *unreadable when given.
struct UnreadablePrefix {
  std::wstring folder;
  std::wstring reason;
};
std::vector<std::wstring> FindWinePrefixes(const std::wstring& home,
                                           const std::wstring& wineprefix_env,
                                           std::vector<UnreadablePrefix>* unreadable = nullptr);

// A path on one of a prefix's drives ("C:\..." or "\..."), not a native one.
bool IsPrefixPath(const std::wstring& path);

// A file name as the native file system holds it and back: UTF-8, with the
// bytes of a name that is not UTF-8 kept through U+DC80..U+DCFF.
std::string NativeFileName(const std::wstring& name);
std::wstring FromNativeFileName(const std::string& name);

}  // namespace copyloom::platform
