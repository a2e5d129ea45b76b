// One command-line run at a time per data folder: two runs that each read
// clinst.cfg at the start and write it at the end would lose each other's
// rows. A run holds a lock file in the data folder for its whole duration;
// a second run waits for it, saying so, up to a bound.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace copyloom::cli {

inline constexpr wchar_t kLockFileName[] = L"copyloom.lock";

class DataFolderLock {
 public:
  enum class Result { kTaken, kTimedOut, kFailed };

  // Takes the lock file in folder (which ends with a separator). While
  // another run holds it, calls waiting once and retries until wait_ms have
  // passed. kFailed: the lock file cannot be created there.
  Result Take(const std::wstring& folder, uint32_t wait_ms, const std::function<void()>& waiting);

  // What a run does first: makes the data folder and the settings folder,
  // takes the settings folder (waiting up to LockWaitMs) and checks its
  // settings file, so that nothing is touched before the folders are known
  // good and ours. False after saying why (also into *refused when given).
  bool TakeForRun(const std::wstring& settings_folder, const std::wstring& data_folder,
                  const std::function<void(const std::wstring& line)>& say,
                  std::wstring* refused = nullptr);

 private:
  std::unique_ptr<platform::FileLock> lock_;
};

// How long a run waits: COPYLOOM_LOCK_WAIT seconds when set, else 60.
uint32_t LockWaitMs();

}  // namespace copyloom::cli
