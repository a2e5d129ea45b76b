#include "platform/walk_listing.h"

#include <vector>

namespace copyloom::platform {
namespace {

struct Walk {
  const std::wstring& pattern;
  const WalkVisitor& visit;
  bool complete = true;

  // Recursion is bounded by the longest path a listing by full path takes.
  void Into(const std::wstring& full, const std::wstring& below) {
    std::vector<DirEntry> entries;
    if (!ListEntries(full.empty() ? L"\\" : full, pattern, &entries)) {
      complete = false;
      return;
    }
    for (const DirEntry& entry : entries) {
      const std::wstring name_below = below.empty() ? entry.name : below + L"\\" + entry.name;
      if (visit(name_below, entry) && entry.is_folder && !entry.is_link) {
        Into(full + L"\\" + entry.name, name_below);
      }
    }
  }
};

}  // namespace

bool WalkByListing(const std::wstring& folder, const std::wstring& pattern,
                   const WalkVisitor& visit) {
  // "C:\x\" and "\" are joined to as "C:\x" and "".
  std::wstring full = folder;
  while (!full.empty() && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
  Walk walk{pattern, visit};
  walk.Into(full, L"");
  return walk.complete;
}

}  // namespace copyloom::platform
