#include "cli/data_lock.h"

#include "app/run_texts.h"
#include "cli/input_checks.h"
#include "terminals/terminal_list.h"

namespace copyloom::cli {

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

}  // namespace copyloom::cli
