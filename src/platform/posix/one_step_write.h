// Writes that cannot tear, for the POSIX primitives. Internal to posix/.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace copyloom::platform::posix {

// Puts a new file in place of target (a native path) in one step: fill
// writes the content into a temporary file in target's folder (it gets the
// descriptor; the file starts with target's permission bits), which is
// synced and renamed over target, or, with no_replace, put there only while
// target does not exist. A link as target is resolved and its file replaced.
// Refused, target untouched, when target is a folder, read-only or held by
// an exclusive lock (a handle open without sharing). The temporary file is
// removed on any failure; what a killed run left in the folder is removed
// the first time this process writes there.
bool WriteInOneStep(const std::string& target, bool no_replace,
                    const std::function<bool(int fd)>& fill);

// write() of the whole buffer. An injected kWrite fault makes it stop after
// half of the data, as a full disk would.
bool WriteAllOrFail(int fd, const void* data, size_t size);

}  // namespace copyloom::platform::posix
