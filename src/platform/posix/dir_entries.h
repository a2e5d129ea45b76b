// Reading a folder's entries through its descriptor, shared by the listing
// by path and the walk by handle. Internal to posix/.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace copyloom::platform::posix {

struct NativeEntry {
  DirEntry entry;
  std::string raw;  // the name as the file system holds it
};

// The entries of the open folder dir_fd whose names match pattern, sorted
// as ListEntries sorts them; dir_fd stays open. Counts as one listing.
// False when the folder cannot be read.
bool ReadDirEntries(int dir_fd, const std::wstring& pattern, std::vector<NativeEntry>* entries);

}  // namespace copyloom::platform::posix
