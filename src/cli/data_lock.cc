#include "cli/data_lock.h"

#include "cli/input_checks.h"
#include "terminals/terminal_list.h"

namespace copyloom::cli {

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

}  // namespace copyloom::cli
