#include "terminals/data_lock.h"

#include <cwchar>

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
  if (const auto text = platform::EnvironmentValue(L"COPYLOOM_LOCK_WAIT")) {
    wchar_t* end = nullptr;
    const long seconds = std::wcstol(text->c_str(), &end, 10);
    if (end != text->c_str() && *end == L'\0' && seconds >= 0 && seconds < 86400) {
      return static_cast<uint32_t>(seconds) * 1000;
    }
  }
  return 60 * 1000;
}

}  // namespace copyloom
