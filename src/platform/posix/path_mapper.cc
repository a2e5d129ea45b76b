#include "platform/disk.h"
#include "platform/file_system.h"
#include "platform/posix/path_mapper.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/path_rules.h"
#include "platform/posix/fd.h"
#include "platform/posix/prefix_state.h"
#include "platform/posix/utf8.h"
#include "platform/test_hooks.h"
#include "platform/wildcard.h"

namespace copyloom::platform::posix {
namespace {

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

wchar_t UpperLetter(wchar_t c) { return (c >= L'a' && c <= L'z') ? c - L'a' + L'A' : c; }

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

// Folder listings for the case-insensitive lookup, kept while the folder's
// change time stays the same: a run maps thousands of paths that miss in
// one folder (a long saved list of removed terminals), and listing a large
// parent again for each would take minutes.
struct ListingCache {
  struct Listing {
    struct timespec changed = {};
    bool settled = false;  // listed well after its last change
    ino_t inode = 0;
    dev_t device = 0;
    // Folded name -> the entry chosen for it.
    std::unordered_map<std::wstring, std::string> names;
  };
  std::mutex mutex;
  std::unordered_map<std::string, Listing> folders;
  size_t held_names = 0;
};

ListingCache& Listings() {
  static ListingCache* cache = new ListingCache;
  return *cache;
}

// Bounds the memory of a walk over a whole drive.
constexpr size_t kMaxHeldNames = 1 << 20;

bool ListForLookup(const std::string& folder, ListingCache::Listing* listing) {
  DirHandle dir(opendir(folder.empty() ? "." : folder.c_str()));
  if (!dir) return false;
  hooks::CountListing();
  std::unordered_map<std::wstring, std::wstring> best;
  while (dirent* entry = readdir(dir.get())) {
    const std::string raw = entry->d_name;
    if (raw == "." || raw == "..") continue;
    std::wstring candidate = NativeToWide(raw);
    std::wstring folded = FoldCase(candidate);
    auto it = best.find(folded);
    // The first in case-insensitive order wins, so the choice is stable.
    if (it == best.end() || CompareIgnoreCase(candidate, it->second) < 0) {
      best[folded] = candidate;
      listing->names[std::move(folded)] = raw;
    }
  }
  return true;
}

// The entry of folder whose name equals name ignoring case (the exact name
// has been tried already).
bool FindIgnoringCase(const std::string& folder, const std::wstring& name, std::string* found) {
  const std::string path = folder.empty() ? "." : folder;
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  ListingCache& cache = Listings();
  std::lock_guard<std::mutex> lock(cache.mutex);
  auto it = cache.folders.find(path);
  const bool fresh = it != cache.folders.end() && it->second.settled &&
                     it->second.inode == st.st_ino && it->second.device == st.st_dev &&
                     it->second.changed.tv_sec == st.st_mtim.tv_sec &&
                     it->second.changed.tv_nsec == st.st_mtim.tv_nsec;
  if (!fresh) {
    if (it != cache.folders.end()) {
      cache.held_names -= it->second.names.size();
      cache.folders.erase(it);
    }
    ListingCache::Listing listing;
    listing.changed = st.st_mtim;
    // A change within the file system's clock tick of the listing may not
    // show in the change time: such a listing is not trusted again.
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    const int64_t age_ns = (static_cast<int64_t>(now.tv_sec) - st.st_mtim.tv_sec) * 1000000000LL +
                           (now.tv_nsec - st.st_mtim.tv_nsec);
    listing.settled = age_ns > 20'000'000;
    listing.inode = st.st_ino;
    listing.device = st.st_dev;
    if (!ListForLookup(path, &listing)) return false;
    if (cache.held_names + listing.names.size() > kMaxHeldNames) {
      cache.folders.clear();
      cache.held_names = 0;
    }
    cache.held_names += listing.names.size();
    it = cache.folders.emplace(path, std::move(listing)).first;
  }
  auto hit = it->second.names.find(FoldCase(name));
  if (hit == it->second.names.end()) return false;
  *found = hit->second;
  return true;
}

}  // namespace

void ForgetFolderListings() {
  ListingCache& cache = Listings();
  std::lock_guard<std::mutex> lock(cache.mutex);
  cache.folders.clear();
  cache.held_names = 0;
}

namespace {

std::string NativeDriveFolder(const std::string& dosdevices, const std::string& entry) {
  char target[PATH_MAX];
  const std::string link = dosdevices + "/" + entry;
  ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
  if (n <= 0) return "";
  target[n] = '\0';
  std::string folder = target[0] == '/' ? std::string(target) : dosdevices + "/" + target;
  // A resolved name makes native paths comparable (in-use detection).
  char resolved[PATH_MAX];
  if (realpath(folder.c_str(), resolved)) return resolved;
  return folder;
}

}  // namespace

std::string WideToNative(std::wstring_view text) { return EncodeUtf8(text, true); }

std::wstring NativeToWide(std::string_view bytes) { return DecodeUtf8(bytes, true); }

namespace {

// The table of a prefix's dosdevices, kept with the prefix and read again
// only when the folder changed: paths are mapped very often.
const std::map<wchar_t, std::string>& DrivesOf(PrefixState& prefix) {
  const std::string dosdevices = prefix.root.empty() ? "" : prefix.root + "/dosdevices";
  struct stat st;
  if (dosdevices.empty() || stat(dosdevices.c_str(), &st) != 0) {
    prefix.drives_read = false;
    prefix.drives.clear();
    return prefix.drives;
  }
  if (prefix.drives_read && prefix.drives_stamp.tv_sec == st.st_mtim.tv_sec &&
      prefix.drives_stamp.tv_nsec == st.st_mtim.tv_nsec) {
    return prefix.drives;
  }
  prefix.drives.clear();
  DirHandle dir(opendir(dosdevices.c_str()));
  if (dir) {
    while (dirent* entry = readdir(dir.get())) {
      const std::string name = entry->d_name;
      // "c:" is a drive; "c::" is its raw device, "com1" a port.
      if (name.size() != 2 || name[1] != ':' || !IsDriveLetter(name[0])) continue;
      std::string folder = NativeDriveFolder(dosdevices, name);
      if (!folder.empty()) prefix.drives[UpperLetter(name[0])] = folder;
    }
  }
  prefix.drives_stamp = st.st_mtim;
  prefix.drives_read = true;
  return prefix.drives;
}

// The test hook's table, converted once per table: every path a test maps
// comes through here.
const std::map<wchar_t, std::string>* HookedDrives() {
  const auto* hooked = hooks::DriveTable();
  if (!hooked) return nullptr;
  thread_local std::map<wchar_t, std::wstring> converted_from;
  thread_local std::map<wchar_t, std::string> converted;
  if (*hooked != converted_from) {
    converted.clear();
    for (const auto& [letter, folder] : *hooked) {
      converted[UpperLetter(letter)] = WideToNative(folder);
    }
    converted_from = *hooked;
  }
  return &converted;
}

// The native folder of a drive letter; false when the prefix maps none.
bool DriveFolder(wchar_t letter, std::string* folder) {
  letter = UpperLetter(letter);
  if (const auto* hooked = HookedDrives()) {
    auto it = hooked->find(letter);
    if (it == hooked->end()) return false;
    *folder = it->second;
    return true;
  }
  const std::shared_ptr<PrefixState> prefix = CurrentState();
  std::lock_guard<std::mutex> lock(prefix->drives_mutex);
  const auto& drives = DrivesOf(*prefix);
  auto it = drives.find(letter);
  if (it == drives.end()) return false;
  *folder = it->second;
  return true;
}

// Where a path starts: a drive's folder, the native root, or (relative) the
// current folder; rest is what follows. False for a drive the prefix does
// not map and for UNC and device paths.
bool SplitBase(std::wstring_view path, std::string* base, std::wstring_view* rest,
               bool* relative) {
  *relative = false;
  if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == L':') {
    *rest = path.substr(2);
    return DriveFolder(path[0], base);
  }
  *rest = path;
  if (IsSeparator(path[0])) {
    // \\server\share, \\?\..., \\.\...: nothing of ours
    if (path.size() >= 2 && IsSeparator(path[1]) && (path[0] == L'\\' || path[1] == L'\\')) {
      return false;
    }
    *base = "/";
    return true;
  }
  *relative = true;
  base->clear();
  return true;
}

// The components of rest, "." and ".." resolved by text first, as Windows
// does before any lookup. Views into rest: a deep path would otherwise cost
// a string per level.
std::vector<std::wstring_view> LexicalParts(std::wstring_view rest, bool relative) {
  std::vector<std::wstring_view> parts;
  parts.reserve(16);
  size_t start = 0;
  for (size_t i = 0; i <= rest.size(); ++i) {
    if (i < rest.size() && !IsSeparator(rest[i])) continue;
    std::wstring_view part = rest.substr(start, i - start);
    start = i + 1;
    if (part.empty() || part == L".") continue;
    if (part == L"..") {
      if (!parts.empty() && parts.back() != L"..") {
        parts.pop_back();
      } else if (relative) {
        parts.emplace_back(part);
      }
      continue;
    }
    parts.emplace_back(part);
  }
  return parts;
}

// Most paths exist as spelled (a walk maps what a listing returned): one
// lookup of the whole path then stands for one per component, which at
// 1,500 levels deep is the difference between a second and minutes. True
// with *whole set when the path exists so; else *known is the deepest
// folder known to exist and *first the index of the part after it.
bool ExistsAsSpelled(const std::string& base, const std::vector<std::wstring_view>& parts,
                     std::string* whole, std::string* known, size_t* first) {
  *whole = base;
  *known = base;
  *first = 0;
  size_t parent_size = 0;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i + 1 == parts.size()) parent_size = whole->size();
    if (!whole->empty() && whole->back() != '/') *whole += '/';
    *whole += WideToNative(parts[i]);
  }
  if (whole->empty()) *whole = ".";
  struct stat st;
  if (lstat(whole->c_str(), &st) == 0) return true;
  // A new name in a folder that exists (what a create maps) needs only its
  // last part looked up.
  if (parts.size() > 1) {
    const std::string parent = whole->substr(0, parent_size);
    if (lstat(parent.c_str(), &st) == 0) {
      *known = parent;
      *first = parts.size() - 1;
    }
  }
  return false;
}

// From parts[first] on, each part that does not exist with its exact case
// is matched ignoring case; from the first that does not exist at all, the
// rest is kept as given.
std::string ResolveIgnoringCase(std::string current, const std::vector<std::wstring_view>& parts,
                                size_t first) {
  bool missing = false;
  for (size_t i = first; i < parts.size(); ++i) {
    const std::wstring_view part = parts[i];
    std::string candidate = Join(current, WideToNative(part));
    if (!missing && part != L"..") {
      struct stat st;
      if (lstat(candidate.c_str(), &st) != 0) {
        std::string found;
        if (errno == ENOENT && FindIgnoringCase(current, std::wstring(part), &found)) {
          candidate = Join(current, found);
        } else {
          missing = true;
        }
      }
    }
    current = std::move(candidate);
  }
  return current.empty() ? std::string(".") : current;
}

}  // namespace

std::map<wchar_t, std::string> DriveTable() {
  if (const auto* hooked = HookedDrives()) return *hooked;
  const std::shared_ptr<PrefixState> prefix = CurrentState();
  std::lock_guard<std::mutex> lock(prefix->drives_mutex);
  return DrivesOf(*prefix);
}

bool IsWindowsStyle(std::wstring_view path) {
  if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == L':') return true;
  return !path.empty() && path[0] == L'\\';
}

bool MapPath(std::wstring_view path, std::string* native) {
  if (!Files().OnDisk()) hooks::NotOnDisk("a file primitive");
  if (path.empty()) return false;
  std::string base;
  std::wstring_view rest;
  bool relative = false;
  if (!SplitBase(path, &base, &rest, &relative)) return false;
  const std::vector<std::wstring_view> parts = LexicalParts(rest, relative);
  const bool trailing = !rest.empty() && IsSeparator(rest.back()) && !parts.empty();
  hooks::CountPathComponents(parts.size());
  std::string whole, known;
  size_t first = 0;
  std::string mapped = ExistsAsSpelled(base, parts, &whole, &known, &first)
                           ? std::move(whole)
                           : ResolveIgnoringCase(std::move(known), parts, first);
  if (trailing) mapped += '/';
  *native = std::move(mapped);
  return true;
}

}  // namespace copyloom::platform::posix
