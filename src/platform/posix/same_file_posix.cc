// One folder under two spellings: a native path into a drive of the prefix
// and its drive-letter form, or two paths reaching the same inode.
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>

#include "platform/disk.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/posix/path_mapper.h"
#include "platform/test_hooks.h"

namespace copyloom::platform {
namespace {

// The path with its existing part resolved (links, "..", the real case);
// the part that does not exist yet is kept as given.
std::string Resolved(const std::string& native) {
  std::string head = native, tail;
  while (!head.empty()) {
    char buffer[PATH_MAX];
    if (realpath(head.c_str(), buffer)) {
      std::string out = buffer;
      if (!tail.empty()) out += (out.back() == '/' ? "" : "/") + tail;
      return out;
    }
    const size_t slash = head.find_last_of('/');
    if (slash == std::string::npos) break;
    const std::string last = head.substr(slash + 1);
    if (!last.empty()) tail = tail.empty() ? last : last + "/" + tail;
    head.resize(slash);
  }
  return native;
}

}  // namespace

std::wstring DriveLetterPath(const std::wstring& path) {
  // The memory store has drive-letter paths only.
  if (path.empty() || posix::IsWindowsStyle(path) || !Files().OnDisk()) return path;
  std::string native;
  if (!posix::MapPath(path, &native)) return path;
  const std::string resolved = Resolved(native);
  wchar_t best_letter = 0;
  size_t best_length = 0;
  for (const auto& [letter, folder] : posix::DriveTable()) {
    const std::string root = Resolved(folder);
    if (root.empty() || root == "/" || root.size() <= best_length) continue;
    const bool inside = resolved.compare(0, root.size(), root) == 0 &&
                        (resolved.size() == root.size() || resolved[root.size()] == '/');
    if (!inside) continue;
    best_letter = letter;
    best_length = root.size();
  }
  if (!best_letter) return path;
  std::wstring rest = posix::NativeToWide(resolved.substr(best_length));
  for (auto& c : rest) {
    if (c == L'/') c = L'\\';
  }
  if (rest.empty()) rest = L"\\";
  return std::wstring(1, best_letter) + L":" + rest;
}

bool disk::IsSameFile(const std::wstring& a, const std::wstring& b) {
  std::string native_a, native_b;
  if (!posix::MapPath(a, &native_a) || !posix::MapPath(b, &native_b)) return false;
  struct stat sa, sb;
  return stat(native_a.c_str(), &sa) == 0 && stat(native_b.c_str(), &sb) == 0 &&
         sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace copyloom::platform
