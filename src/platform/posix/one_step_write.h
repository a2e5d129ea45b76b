// Writes that cannot tear, for the POSIX primitives. Internal to posix/.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "platform/posix/fd.h"

namespace copyloom::platform::posix {

// Puts a new file in place of target (a native path) in one step: fill
// writes the content into a temporary file in target's folder (it gets the
// descriptor; a new file follows the umask, a replacement keeps the mode of
// the file it replaces), which is synced and renamed over target, or, with
// no_replace, put there only while target does not exist. A link as target
// is replaced itself, as MoveFileEx does, never written through. Refused,
// target untouched, when target is a folder, read-only, held by a Wine
// program or by an exclusive lock (a handle open without sharing). The temporary file is
// removed on any failure; what a killed run left in the folder is removed
// the first time this process writes there.
bool WriteInOneStep(const std::string& target, bool no_replace,
                    const std::function<bool(int fd)>& fill);

// Writes the file a transaction puts in place of target later: staged (a
// new native path beside it) gets the content, unsynced, under the same
// checks and mode rules as WriteInOneStep. Nothing is left on failure.
bool StageBeside(const std::string& target, const std::string& staged,
                 const std::function<bool(int fd)>& fill);

// The checks a replacement of target passes (see WriteInOneStep); a
// regular file's mode goes to *kept_mode (-1 for none). With held given, the
// lock that keeps others out is handed over to the caller.
bool CheckReplaceable(const std::string& target, bool no_replace, int* kept_mode, UniqueFd* held);

// write() of the whole buffer. An injected kWrite fault makes it stop after
// half of the data, as a full disk would.
bool WriteAllOrFail(int fd, const void* data, size_t size);

}  // namespace copyloom::platform::posix
