// The command line's side of the data folder's lock: a run takes it for its
// whole duration, after checking the folders it is about to use.
#pragma once

#include <functional>
#include <string>

#include "terminals/data_lock.h"

namespace copyloom::cli {

// What a run does first: makes the data folder and the settings folder,
// takes the settings folder (waiting up to LockWaitMs) and checks its
// settings file, so that nothing is touched before the folders are known
// good and ours. False after saying why (also into *refused when given); a
// settings folder that cannot be written also gives its cause (*cause).
bool TakeLockForRun(DataFolderLock* lock, const std::wstring& settings_folder,
                    const std::wstring& data_folder,
                    const std::function<void(const std::wstring& line)>& say,
                    std::wstring* refused = nullptr, platform::Status* cause = nullptr);

}  // namespace copyloom::cli
