#include "platform/posix/path_mapper.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/posix/fd.h"
#include "platform/test_hooks.h"
#include "platform/wildcard.h"

namespace copyloom::platform::posix {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

wchar_t UpperLetter(wchar_t c) { return (c >= L'a' && c <= L'z') ? c - L'a' + L'A' : c; }

void AppendUtf8(uint32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

// The entry of folder whose name equals name ignoring case; the exact name
// wins, then the first in case-insensitive order so the choice is stable.
bool FindIgnoringCase(const std::string& folder, const std::wstring& name, std::string* found) {
  DirHandle dir(opendir(folder.empty() ? "." : folder.c_str()));
  if (!dir) return false;
  bool have = false;
  std::wstring best;
  while (dirent* entry = readdir(dir.get())) {
    std::wstring candidate = NativeToWide(entry->d_name);
    if (!EqualsIgnoreCase(candidate, name)) continue;
    if (!have || CompareIgnoreCase(candidate, best) < 0) {
      best = candidate;
      *found = entry->d_name;
      have = true;
    }
  }
  return have;
}

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

struct DriveCache {
  std::mutex mutex;
  std::string dosdevices;
  struct timespec stamp = {};
  bool valid = false;
  std::map<wchar_t, std::string> table;
};

}  // namespace

std::string WideToNative(std::wstring_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = static_cast<uint32_t>(text[i]);
    if (cp >= 0xDC80 && cp <= 0xDCFF) {
      out.push_back(static_cast<char>(cp - 0xDC00));
      continue;
    }
    // UTF-16 pairs can reach here from texts built on Windows data.
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
      uint32_t low = static_cast<uint32_t>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00), &out);
        ++i;
        continue;
      }
    }
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;
    AppendUtf8(cp, &out);
  }
  return out;
}

std::wstring NativeToWide(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    int extra = 0;
    uint32_t cp = 0, min = 0;
    if (b < 0x80) {
      out.push_back(static_cast<wchar_t>(b));
      ++i;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      extra = 1, cp = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
      extra = 2, cp = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
      extra = 3, cp = b & 0x07, min = 0x10000;
    } else {
      extra = -1;
    }
    bool ok = extra > 0;
    if (ok) {
      for (int k = 1; k <= extra; ++k) {
        if (i + k >= bytes.size()) {
          ok = false;
          break;
        }
        const unsigned char c = static_cast<unsigned char>(bytes[i + k]);
        if ((c & 0xC0) != 0x80) {
          ok = false;
          break;
        }
        cp = (cp << 6) | (c & 0x3F);
      }
    }
    if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
    if (!ok) {
      out.push_back(static_cast<wchar_t>(0xDC00 + b));
      ++i;
      continue;
    }
    out.push_back(static_cast<wchar_t>(cp));
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

std::string WinePrefix() {
  const char* prefix = getenv("WINEPREFIX");
  if (prefix && *prefix) return prefix;
  const char* home = getenv("HOME");
  if (home && *home) return std::string(home) + "/.wine";
  return "";
}

std::map<wchar_t, std::string> DriveTable() {
  if (const auto* hooked = hooks::DriveTable()) {
    std::map<wchar_t, std::string> table;
    for (const auto& [letter, folder] : *hooked) table[UpperLetter(letter)] = WideToNative(folder);
    return table;
  }
  static DriveCache* cache = new DriveCache;
  std::lock_guard<std::mutex> lock(cache->mutex);
  const std::string prefix = WinePrefix();
  const std::string dosdevices = prefix.empty() ? "" : prefix + "/dosdevices";
  struct stat st;
  if (dosdevices.empty() || stat(dosdevices.c_str(), &st) != 0) {
    cache->valid = false;
    return {};
  }
  // Re-read only when the folder changed: paths are mapped very often.
  if (cache->valid && cache->dosdevices == dosdevices && cache->stamp.tv_sec == st.st_mtim.tv_sec &&
      cache->stamp.tv_nsec == st.st_mtim.tv_nsec) {
    return cache->table;
  }
  std::map<wchar_t, std::string> table;
  DirHandle dir(opendir(dosdevices.c_str()));
  if (dir) {
    while (dirent* entry = readdir(dir.get())) {
      const std::string name = entry->d_name;
      // "c:" is a drive; "c::" is its raw device, "com1" a port.
      if (name.size() != 2 || name[1] != ':' || !IsDriveLetter(name[0])) continue;
      std::string folder = NativeDriveFolder(dosdevices, name);
      if (!folder.empty()) table[UpperLetter(name[0])] = folder;
    }
  }
  cache->dosdevices = dosdevices;
  cache->stamp = st.st_mtim;
  cache->table = table;
  cache->valid = true;
  return table;
}

bool IsWindowsStyle(std::wstring_view path) {
  if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == L':') return true;
  return !path.empty() && path[0] == L'\\';
}

bool MapPath(std::wstring_view path, std::string* native) {
  if (path.empty()) return false;
  std::string base;
  std::wstring_view rest;
  bool relative = false;
  if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == L':') {
    const auto table = DriveTable();
    auto it = table.find(UpperLetter(path[0]));
    if (it == table.end()) return false;
    base = it->second;
    rest = path.substr(2);
  } else if (IsSeparator(path[0])) {
    if (path.size() >= 2 && IsSeparator(path[1]) && (path[0] == L'\\' || path[1] == L'\\')) {
      return false;  // \\server\share, \\?\..., \\.\...: nothing of ours
    }
    base = "/";
    rest = path;
  } else {
    relative = true;
    rest = path;
  }

  // Lexical pass first, as Windows resolves "." and ".." before any lookup.
  std::vector<std::wstring> parts;
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
  const bool trailing = !rest.empty() && IsSeparator(rest.back()) && !parts.empty();

  std::string current = base;
  bool missing = false;
  for (const auto& part : parts) {
    const std::string exact = WideToNative(part);
    std::string candidate = Join(current, exact);
    if (!missing && part != L"..") {
      struct stat st;
      if (lstat(candidate.c_str(), &st) != 0) {
        std::string found;
        if (errno == ENOENT && FindIgnoringCase(current, part, &found)) {
          candidate = Join(current, found);
        } else {
          missing = true;
        }
      }
    }
    current = std::move(candidate);
  }
  if (current.empty()) current = ".";
  if (trailing) current += '/';
  *native = std::move(current);
  return true;
}

}  // namespace copyloom::platform::posix
