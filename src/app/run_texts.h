// Messages of a run that the window never shows: the command line's first
// runs, Wine prefixes and the settings and data folders. One table per
// language, as the window's texts.
#pragma once

#include <string>
#include <vector>

namespace copyloom {

enum class RunText : int {
  NoTerminalFound,
  NoRowToWorkOn,
  TerminalNotStarted,
  NothingToCompare,
  NotAPrefix,
  PrefixUnreadable,
  HomeNotSet,
  FolderCannotBeMade,
  FolderIsAFile,
  FolderNotWritable,
  OlderFolderNotUsed,
  UnloggedFolderNotUsed,
  StoppedBySignal,
  StoppedDone,
  StoppedNotDone,
  KitFolderMissing,
  KitExpertMissing,
  DanglingFolderLink,
  VerifyKitGenuine,
  VerifyKitUnsigned,
  VerifyKitNotGenuine,
  VerifyAsInstalled,
  VerifyModified,
  VerifyNoRecord,
  LockWaiting,
  LockStillUsed,
  LinkLeadsNowhere,
};

// The text in the running language (1 Chinese, else English) with "{0}",
// "{1}", ... replaced by the values.
std::wstring RunMessage(RunText key, const std::vector<std::wstring>& values = {});
std::wstring RunMessageIn(int language, RunText key, const std::vector<std::wstring>& values = {});

}  // namespace copyloom
