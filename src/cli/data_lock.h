// A command-line run holds the data folder's lock from start to end.
#pragma once

#include <functional>
#include <string>

#include "terminals/data_lock.h"

namespace copyloom::cli {

using copyloom::kLockFileName;
using copyloom::LockWaitMs;

class DataFolderLock : public copyloom::DataFolderLock {
 public:
  // What a run does first: makes the data folder, takes it (waiting up to
  // LockWaitMs) and checks its settings file, so that nothing is touched
  // before the folder is known good and ours. False after saying why.
  bool TakeForRun(const std::wstring& folder,
                  const std::function<void(const std::wstring& line)>& say);
};

}  // namespace copyloom::cli
