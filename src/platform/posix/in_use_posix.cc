#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/fd.h"
#include "platform/posix/in_use.h"
#include "platform/posix/path_mapper.h"

namespace copyloom::platform::posix {
namespace {

bool EndsWithExe(const std::string& name) {
  if (name.size() < 4) return false;
  std::string tail = name.substr(name.size() - 4);
  for (auto& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".exe";
}

// The whole of a small /proc file; empty when it cannot be read.
std::string ReadProcFile(const std::string& path) {
  UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  std::string out;
  if (!fd) return out;
  char buffer[16384];
  while (true) {
    ssize_t n = read(fd.get(), buffer, sizeof buffer);
    if (n <= 0) break;
    out.append(buffer, static_cast<size_t>(n));
  }
  return out;
}

struct Target {
  dev_t dev;
  ino_t ino;
  std::string resolved;  // no links, as /proc shows paths
};

bool SameFile(const std::string& path, const Target& target) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && st.st_dev == target.dev && st.st_ino == target.ino;
}

// A line of /proc/<pid>/maps ends with the mapped file's path.
bool MapsName(const std::string& maps, const Target& target) {
  const std::string& path = target.resolved;
  for (size_t at = maps.find(path); at != std::string::npos; at = maps.find(path, at + 1)) {
    const size_t after = at + path.size();
    const bool starts = at > 0 && maps[at - 1] == ' ';
    const bool ends = after == maps.size() || maps[after] == '\n';
    if (starts && ends) return true;
  }
  return false;
}

bool CommandLineNames(const std::string& pid_folder, const Target& target) {
  const std::string cmdline = ReadProcFile(pid_folder + "/cmdline");
  std::string cwd;
  size_t start = 0;
  while (start < cmdline.size()) {
    size_t end = cmdline.find('\0', start);
    if (end == std::string::npos) end = cmdline.size();
    const std::string arg = cmdline.substr(start, end - start);
    start = end + 1;
    if (!EndsWithExe(arg)) continue;
    std::string native;
    const std::wstring wide = NativeToWide(arg);
    if (IsWindowsStyle(wide)) {
      if (!MapPath(wide, &native)) continue;
    } else if (arg[0] == '/') {
      native = arg;
    } else {
      if (cwd.empty()) {
        char buffer[PATH_MAX];
        ssize_t n = readlink((pid_folder + "/cwd").c_str(), buffer, sizeof buffer - 1);
        if (n <= 0) continue;
        cwd.assign(buffer, static_cast<size_t>(n));
      }
      native = cwd + "/" + arg;
    }
    if (SameFile(native, target)) return true;
  }
  return false;
}

}  // namespace

bool IsExecutableRunning(const std::string& native) {
  if (!EndsWithExe(native)) return false;
  Target target;
  struct stat st;
  if (stat(native.c_str(), &st) != 0) return false;
  target.dev = st.st_dev;
  target.ino = st.st_ino;
  char resolved[PATH_MAX];
  target.resolved = realpath(native.c_str(), resolved) ? resolved : native;

  DirHandle proc(opendir("/proc"));
  if (!proc) return false;
  // Our own command line may name the file (a path given as an argument).
  const std::string self = std::to_string(getpid());
  while (dirent* entry = readdir(proc.get())) {
    if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0])) || entry->d_name == self) {
      continue;
    }
    const std::string folder = std::string("/proc/") + entry->d_name;
    // The program itself, run natively (directly or through a link).
    char exe[PATH_MAX];
    const ssize_t n = readlink((folder + "/exe").c_str(), exe, sizeof exe - 1);
    const std::string exe_path = n > 0 ? std::string(exe, static_cast<size_t>(n)) : "";
    if (!exe_path.empty() && SameFile(exe_path, target)) return true;
    if (CommandLineNames(folder, target)) return true;
    // Wine maps the program file into its own process. Reading maps is the
    // costly part, so only Wine's processes are asked.
    const size_t slash = exe_path.rfind('/');
    if (exe_path.find("wine", slash == std::string::npos ? 0 : slash) != std::string::npos &&
        MapsName(ReadProcFile(folder + "/maps"), target)) {
      return true;
    }
  }
  return false;
}

}  // namespace copyloom::platform::posix
