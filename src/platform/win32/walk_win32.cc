// FindFirstFileW takes full paths at no cost per level, so the walk lists
// each folder by its path.
#include "platform/disk.h"
#include "platform/platform.h"
#include "platform/walk_listing.h"

namespace copyloom::platform {

bool disk::WalkFolder(const std::wstring& folder, const std::wstring& pattern, const WalkVisitor& visit) {
  return WalkByListing(folder, pattern, visit);
}

}  // namespace copyloom::platform
