#include "cli/data_lock.h"

#include <cstdlib>

#include "cli/input_checks.h"
#include "terminals/terminal_list.h"

namespace copyloom::cli {

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
    if (!said) {
      waiting();
      said = true;
    }
    if (platform::TickCount() - start >= wait_ms) return Result::kTimedOut;
    platform::SleepMs(100);
  }
}

bool DataFolderLock::TakeForRun(const std::wstring& folder,
                                const std::function<void(const std::wstring& line)>& say) {
  if (std::wstring why = DataFolderProblem(folder); !why.empty()) {
    say(why);
    return false;
  }
  const Result taken = Take(folder, LockWaitMs(), [&] {
    say(L"waiting for another copyloom run to finish with " + folder);
  });
  if (taken == Result::kFailed) {
    say(L"cannot write in the data folder " + folder);
    return false;
  }
  if (taken == Result::kTimedOut) {
    say(L"another copyloom run still uses " + folder + L"; try again later");
    return false;
  }
  if (std::wstring why = SettingsFileProblem(folder + kSettingsFileName); !why.empty()) {
    say(why);
    return false;
  }
  return true;
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

}  // namespace copyloom::cli
