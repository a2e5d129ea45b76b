// One writer at a time per data folder: two runs that each read clinst.cfg
// and write it later would lose each other's rows. A command-line run holds
// a lock file in the data folder for its whole duration; the window holds it
// only while it reads or saves its list.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace copyloom {

inline constexpr wchar_t kLockFileName[] = L"copyloom.lock";

class DataFolderLock {
 public:
  enum class Result { kTaken, kTimedOut, kFailed };

  // Takes the lock file in folder (which ends with a separator). While
  // another run holds it, calls waiting once (when given) and retries until
  // wait_ms have passed. kFailed: the lock file cannot be created there.
  Result Take(const std::wstring& folder, uint32_t wait_ms,
              const std::function<void()>& waiting = {});
  void Release() { lock_.reset(); }

 private:
  std::unique_ptr<platform::FileLock> lock_;
};

// How long a run waits: COPYLOOM_LOCK_WAIT seconds when set, else 60.
uint32_t LockWaitMs();

}  // namespace copyloom
