#include "cli/data_lock.h"

#include <cstdlib>

#include "app/run_texts.h"
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

bool DataFolderLock::TakeForRun(const std::wstring& folder, const std::wstring& data_folder,
                                const std::function<void(const std::wstring& line)>& say,
                                std::wstring* refused) {
  auto refuse = [&](const std::wstring& why) {
    say(why);
    if (refused) *refused = why;
    return false;
  };
  if (std::wstring why = DataFolderProblem(data_folder); !why.empty()) return refuse(why);
  if (std::wstring why = DataFolderProblem(folder); !why.empty()) return refuse(why);
  const Result taken = Take(folder, LockWaitMs(), [&] {
    say(L"waiting for another copyloom run to finish with " + folder);
  });
  if (taken == Result::kFailed) {
    std::wstring bare = folder;
    while (bare.size() > 1 && (bare.back() == L'\\' || bare.back() == L'/')) bare.pop_back();
    return refuse(RunMessage(RunText::FolderNotWritable, {bare, platform::NativePathText(bare)}));
  }
  if (taken == Result::kTimedOut) {
    return refuse(L"another copyloom run still uses " + folder + L"; try again later");
  }
  if (std::wstring why = SettingsFileProblem(folder + kSettingsFileName); !why.empty()) {
    return refuse(why);
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
