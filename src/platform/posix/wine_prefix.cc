#include "platform/posix/wine_prefix.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <set>

#include "platform/posix/fd.h"

namespace copyloom::platform::posix {
namespace {

bool Exists(const std::string& path, bool folder, std::string* unreadable = nullptr) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    if (unreadable && errno != ENOENT && errno != ENOTDIR && unreadable->empty()) {
      *unreadable = std::strerror(errno);
    }
    return false;
  }
  return folder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode);
}

// The subfolders of a folder, sorted by name; hidden ones are skipped, unless
// hidden_prefix names the hidden ones wanted (".wine").
std::vector<std::string> Subfolders(const std::string& folder,
                                    const char* hidden_prefix = nullptr) {
  std::vector<std::string> out;
  DirHandle dir(opendir(folder.c_str()));
  if (!dir) return out;
  while (dirent* entry = readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    if (hidden_prefix ? name.rfind(hidden_prefix, 0) != 0 : name[0] == '.') continue;
    const std::string path = folder + "/" + entry->d_name;
    if (Exists(path, true)) out.push_back(path);
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace

bool IsWinePrefixFolder(const std::string& folder, std::string* unreadable) {
  std::string reason;
  if (unreadable) unreadable->clear();
  if (folder.empty()) return false;
  const bool prefix = Exists(folder + "/system.reg", false, &reason) &&
                      (Exists(folder + "/drive_c", true, &reason) ||
                       Exists(folder + "/dosdevices", true, &reason));
  if (!prefix && unreadable) *unreadable = reason;
  return prefix;
}

std::string PrefixHolding(const std::string& native) {
  std::string folder = native;
  while (!folder.empty() && folder != "/") {
    if (IsWinePrefixFolder(folder)) return folder;
    const size_t cut = folder.find_last_of('/');
    if (cut == std::string::npos) break;
    folder.resize(cut);
  }
  return "";
}

std::string WineUserName() {
  const char* user = getenv("USER");
  if (user && *user) return user;
  if (const passwd* entry = getpwuid(getuid())) {
    if (entry->pw_name && *entry->pw_name) return entry->pw_name;
  }
  return std::to_string(getuid());
}

std::string WinePrefixArch(const std::string& prefix) {
  // The line sits in the header, before the first key.
  UniqueFd fd(open((prefix + "/system.reg").c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) return "";
  struct stat st;
  if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return "";  // a FIFO would block
  char buffer[4096];
  const ssize_t n = read(fd.get(), buffer, sizeof buffer);
  if (n <= 0) return "";
  const std::string head(buffer, static_cast<size_t>(n));
  size_t at = head.find("#arch=");
  if (at == std::string::npos || (at > 0 && head[at - 1] != '\n')) return "";
  at += 6;
  const size_t end = head.find_first_of("\r\n", at);
  if (end == std::string::npos) return "";
  return head.substr(at, end - at);
}

std::vector<std::string> FindWinePrefixes(std::string home, const std::string& wineprefix_env,
                                          std::vector<UnreadablePrefix>* unreadable) {
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  std::vector<std::string> found;
  std::set<std::string> seen;
  auto consider = [&](const std::string& folder) {
    std::string reason;
    if (!IsWinePrefixFolder(folder, &reason)) {
      if (!reason.empty() && unreadable && seen.insert(folder).second) {
        unreadable->push_back({folder, reason});
      }
      return false;
    }
    char resolved[PATH_MAX];
    const std::string key = realpath(folder.c_str(), resolved) ? resolved : folder;
    if (seen.insert(key).second) found.push_back(folder);
    return true;
  };
  if (!wineprefix_env.empty()) consider(wineprefix_env);
  if (home.empty()) return found;
  consider(home + "/.wine");
  // ~/.wine64, ~/.wine-mt4: one prefix per program, named after Wine's.
  for (const auto& folder : Subfolders(home, ".wine")) consider(folder);
  consider(home + "/.mt4");
  for (const char* place :
       {"/.local/share/bottles/bottles", "/.var/app/com.usebottles.bottles/data/bottles/bottles",
        "/.PlayOnLinux/wineprefix"}) {
    for (const auto& folder : Subfolders(home + place)) consider(folder);
  }
  // Lutris: ~/Games/<game> is the prefix, or holds it one level below.
  for (const auto& game : Subfolders(home + "/Games")) {
    if (consider(game)) continue;
    for (const auto& folder : Subfolders(game)) consider(folder);
  }
  for (const auto& folder : Subfolders(home + "/.cxoffice")) consider(folder);
  return found;
}

}  // namespace copyloom::platform::posix
