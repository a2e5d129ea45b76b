#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "platform/disk.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/posix/fd.h"
#include "platform/posix/held_files.h"
#include "platform/posix/path_mapper.h"
#include "platform/posix/prefix_state.h"
#include "platform/test_hooks.h"

namespace copyloom::platform {
namespace {

using FileId = std::pair<dev_t, ino_t>;
using HeldSet = std::set<FileId>;

std::shared_ptr<const HeldSet>& Snapshot() {
  static std::shared_ptr<const HeldSet> snapshot;
  return snapshot;
}

std::string ReadLink(const std::string& path) {
  char buffer[PATH_MAX];
  const ssize_t n = readlink(path.c_str(), buffer, sizeof buffer);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

// The Wine server of a prefix works in "<tmp>/server-<dev>-<ino>", named
// after the prefix folder's device and inode; that tells which prefix a
// running server belongs to, whatever its environment says.
std::string ServerFolderName() {
  const std::string prefix = posix::CurrentState()->root;
  struct stat st;
  if (prefix.empty() || stat(prefix.c_str(), &st) != 0) return std::string();
  char name[64];
  std::snprintf(name, sizeof name, "/server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  return name;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

void AddDescriptorsOf(const std::string& pid_folder, HeldSet* held) {
  const std::string fd_folder = pid_folder + "/fd";
  posix::DirHandle fds(opendir(fd_folder.c_str()));
  if (!fds) return;
  while (dirent* entry = readdir(fds.get())) {
    if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0]))) continue;
    struct stat st;
    // stat follows the descriptor to the file itself.
    if (stat((fd_folder + "/" + entry->d_name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      held->emplace(st.st_dev, st.st_ino);
    }
  }
}

HeldSet LookUpHeldFiles() {
  HeldSet held;
  const std::string server_folder = ServerFolderName();
  if (server_folder.empty()) return held;
  posix::DirHandle proc(opendir("/proc"));
  if (!proc) return held;
  while (dirent* entry = readdir(proc.get())) {
    if (!std::isdigit(static_cast<unsigned char>(entry->d_name[0]))) continue;
    const std::string folder = std::string("/proc/") + entry->d_name;
    const std::string exe = ReadLink(folder + "/exe");
    const size_t slash = exe.rfind('/');
    if (exe.compare(slash == std::string::npos ? 0 : slash + 1, 10, "wineserver") != 0) continue;
    if (!EndsWith(ReadLink(folder + "/cwd"), server_folder)) continue;
    AddDescriptorsOf(folder, &held);
  }
  return held;
}

}  // namespace

namespace posix {

bool IsHeldByWine(const std::string& native) {
  struct stat st;
  if (lstat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const FileId id(st.st_dev, st.st_ino);
  if (const auto& snapshot = Snapshot()) return snapshot->count(id) > 0;
  return LookUpHeldFiles().count(id) > 0;
}

}  // namespace posix

HeldFilesSnapshot::HeldFilesSnapshot() : previous_(Snapshot()) {
  // Within a command's snapshot a terminal's own one reuses it: one look-up
  // per command, not one per terminal.
  // The memory store has no Wine programs holding its files.
  if (!previous_) {
    Snapshot() = std::make_shared<const HeldSet>(!Files().OnDisk() ? HeldSet()
                                                                               : LookUpHeldFiles());
  }
}

HeldFilesSnapshot::~HeldFilesSnapshot() {
  Snapshot() = std::static_pointer_cast<const HeldSet>(previous_);
}

}  // namespace copyloom::platform
