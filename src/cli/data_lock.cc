#include "cli/data_lock.h"

#include "app/cause_text.h"
#include "app/run_texts.h"
#include "app/text_table.h"
#include "cli/input_checks.h"
#include "platform/path_rules.h"
#include "terminals/terminal_list.h"

namespace copyloom::cli {

bool TakeLockForRun(DataFolderLock* lock, const std::wstring& folder,
                    const std::wstring& data_folder,
                    const std::function<void(const std::wstring& line)>& say,
                    std::wstring* refused, platform::Status* cause) {
  using Result = DataFolderLock::Result;
  auto refuse = [&](const std::wstring& why) {
    say(why);
    if (refused) *refused = why;
    return false;
  };
  if (std::wstring why = DataFolderProblem(data_folder); !why.empty()) return refuse(why);
  if (std::wstring why = DataFolderProblem(folder); !why.empty()) return refuse(why);
  const Result taken =
      lock->Take(folder, LockWaitMs(), [&] { say(RunMessage(RunText::LockWaiting, {folder})); });
  if (taken == Result::kFailed) {
    std::wstring bare = folder;
    while (bare.size() > 1 && IsSeparator(bare.back())) bare.pop_back();
    // Where the list cannot be saved: said with why (read-only, no rights).
    const platform::Status why = platform::CheckCanWrite(folder + kSettingsFileName);
    if (cause) *cause = why;
    std::wstring text = RunMessage(RunText::FolderNotWritable, {bare, platform::NativePathText(bare)});
    if (!why.ok()) text += L": " + FailureText(why, InitTexts());
    return refuse(text);
  }
  if (taken == Result::kTimedOut) {
    return refuse(RunMessage(RunText::LockStillUsed, {folder}));
  }
  if (std::wstring why = SettingsFileProblem(folder + kSettingsFileName); !why.empty()) {
    return refuse(why);
  }
  return true;
}

}  // namespace copyloom::cli
