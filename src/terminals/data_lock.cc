#include "terminals/data_lock.h"

#include <cstdlib>

namespace copyloom {

DataFolderLock::Result DataFolderLock::Take(const std::wstring& folder, uint32_t wait_ms,
                                            const std::function<void()>& waiting) {
  const std::wstring path = folder + kLockFileName;
  const uint32_t start = platform::TickCount();
  bool said = false;
  for (;;) {
    bool busy = false;
    lock_ = platform::TryLockFile(path, &busy);
    if (lock_) return Result::kTaken;
    if (!busy) return Result::kFailed;
    if (!said && waiting) waiting();
    said = true;
    if (platform::TickCount() - start >= wait_ms) return Result::kTimedOut;
    platform::SleepMs(100);
  }
}

uint32_t LockWaitMs() {
  if (const char* text = std::getenv("COPYLOOM_LOCK_WAIT")) {
    char* end = nullptr;
    const long seconds = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && seconds >= 0 && seconds < 86400) {
      return static_cast<uint32_t>(seconds) * 1000;
    }
  }
  return 60 * 1000;
}

}  // namespace copyloom
