// The walk by handle: the walked folder's path is mapped once, and every
// folder below is opened relative to its parent's descriptor, so a tree
// 1,500 levels deep costs 1,500 lookups rather than a million, and paths
// longer than the system takes are still walked.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/dir_entries.h"
#include "platform/posix/fd.h"
#include "platform/posix/path_mapper.h"
#include "platform/disk.h"
#include "platform/test_hooks.h"
#include "platform/wildcard.h"

namespace copyloom::platform {
namespace posix {

bool ReadDirEntries(int dir_fd, const std::wstring& pattern, std::vector<NativeEntry>* entries) {
  entries->clear();
  // fdopendir takes the descriptor it is given: hand it a copy.
  const int copy = fcntl(dir_fd, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return false;
  DirHandle dir(fdopendir(copy));
  if (!dir) {
    close(copy);
    return false;
  }
  // A copy shares the position of the original: start from the top.
  rewinddir(dir.get());
  hooks::CountListing();
  while (dirent* found = readdir(dir.get())) {
    const std::string name = found->d_name;
    if (name == "." || name == "..") continue;
    NativeEntry out;
    out.entry.name = NativeToWide(name);
    if (!MatchesWildcard(out.entry.name, pattern)) continue;
    // The listing's own type spares a probe per entry where it is known.
    struct stat st;
    if (found->d_type == DT_DIR || found->d_type == DT_REG) {
      out.entry.is_folder = found->d_type == DT_DIR;
    } else if (fstatat(dir_fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
      out.entry.is_link = S_ISLNK(st.st_mode);
      if (out.entry.is_link) {
        struct stat target;
        out.entry.is_folder =
            fstatat(dir_fd, name.c_str(), &target, 0) == 0 && S_ISDIR(target.st_mode);
      } else {
        out.entry.is_folder = S_ISDIR(st.st_mode);
      }
    }
    out.raw = name;
    entries->push_back(std::move(out));
  }
  std::sort(entries->begin(), entries->end(), [](const NativeEntry& a, const NativeEntry& b) {
    return CompareIgnoreCase(a.entry.name, b.entry.name) < 0;
  });
  return true;
}

}  // namespace posix

namespace {

using posix::NativeEntry;
using posix::UniqueFd;

constexpr int kOpenFolder = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// One folder on the way down from the walked one.
struct Level {
  std::vector<NativeEntry> entries;
  size_t next = 0;
  std::wstring below;  // "" for the walked folder
  std::string raw;     // its name in its parent
  dev_t device = 0;
  ino_t inode = 0;
};

bool ReadLevel(int fd, const std::wstring& pattern, Level* level) {
  struct stat st;
  if (fstat(fd, &st) != 0) return false;
  level->device = st.st_dev;
  level->inode = st.st_ino;
  return posix::ReadDirEntries(fd, pattern, &level->entries);
}

bool IsLevel(int fd, const Level& level) {
  struct stat st;
  return fd >= 0 && fstat(fd, &st) == 0 && st.st_dev == level.device && st.st_ino == level.inode;
}

// A descriptor of the folder at the top of the stack again, after its child
// was walked: one descriptor is held at a time (a deep tree would run out
// of them otherwise). ".." of the child is that folder unless something was
// moved meanwhile; then the way down from the walked folder is taken again.
UniqueFd Regain(const UniqueFd& child, int root_fd, const std::vector<Level>& stack) {
  if (child) {
    UniqueFd parent(openat(child.get(), "..", kOpenFolder));
    if (IsLevel(parent.get(), stack.back())) return parent;
  }
  UniqueFd fd(fcntl(root_fd, F_DUPFD_CLOEXEC, 0));
  for (size_t i = 1; fd && i < stack.size(); ++i) {
    fd = UniqueFd(openat(fd.get(), stack[i].raw.c_str(), kOpenFolder | O_NOFOLLOW));
    if (!IsLevel(fd.get(), stack[i])) return UniqueFd();
  }
  return fd;
}

}  // namespace

namespace disk {

bool WalkFolder(const std::wstring& folder, const std::wstring& pattern, const WalkVisitor& visit) {
  if (Fails(InnerStep::kList)) return false;
  std::string native;
  if (!posix::MapPath(folder.empty() ? L"\\" : folder, &native)) return false;
  const UniqueFd root(open(native.c_str(), kOpenFolder));
  if (!root) return false;
  std::vector<Level> stack(1);
  if (!ReadLevel(root.get(), pattern, &stack.back())) return false;

  bool complete = true;
  UniqueFd current(fcntl(root.get(), F_DUPFD_CLOEXEC, 0));
  while (!stack.empty()) {
    Level& top = stack.back();
    if (top.next == top.entries.size()) {
      stack.pop_back();
      // Lost for good: what is left of the folder is still visited, but
      // nothing in it entered.
      if (!stack.empty()) current = Regain(current, root.get(), stack);
      continue;
    }
    const NativeEntry& next = top.entries[top.next++];
    const std::wstring below =
        top.below.empty() ? next.entry.name : top.below + L"\\" + next.entry.name;
    if (!visit(below, next.entry) || !next.entry.is_folder || next.entry.is_link) continue;
    if (Fails(InnerStep::kList)) {
      complete = false;
      continue;
    }
    // Not through a link, should the folder have been swapped for one.
    UniqueFd child(current ? openat(current.get(), next.raw.c_str(), kOpenFolder | O_NOFOLLOW)
                           : -1);
    Level level;
    if (!child || !ReadLevel(child.get(), pattern, &level)) {
      complete = false;
      continue;
    }
    level.below = below;
    level.raw = next.raw;
    current = std::move(child);
    stack.push_back(std::move(level));  // top is not used past here
  }
  return complete;
}

}  // namespace disk

}  // namespace copyloom::platform
