// Result texts of an installation step, the engine's message table, and the
// rules that turn results into a row's State and a command's summary.
//
// A result is a success exactly when it begins with "SUCC" ("SUCC",
// "SUCC - {RERUN}", "SUCC - {RELOAD}"); anything else is a message, where
// "\n" or "#" separates the message from its detail.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/text_table.h"

namespace copyloom {

inline constexpr wchar_t kResultSuccess[] = L"SUCC";
inline constexpr wchar_t kResultRerun[] = L"SUCC - {RERUN}";
inline constexpr wchar_t kResultReload[] = L"SUCC - {RELOAD}";

bool IsSuccessResult(const std::wstring& result);

// The slots of the engine message table the engine uses.
enum class EngineMessage : int {
  kSelectTerminalPath = 0,  // the terminal folder has no "experts" folder
  kNothingInstalled = 1,    // no file of the package's "experts" was installed
  kInvalidRunningPath = 9,  // the package root has no "experts" folder
  kCopyFailed = 10,         // a file could not be copied into the terminal
  kUnknownError = 11,       // a changed compiled file lacks the marker texts
};

inline constexpr int kMessagesPerLanguage = 20;
inline constexpr int kMessageSlotCount = 2 * kMessagesPerLanguage;

// The 40 slots: 0 to 19 English, 20 to 39 Chinese; unused slots are empty.
// Built once; the Chinese texts are converted from code page 936 whatever the
// system's ANSI code page is.
const std::array<std::wstring, kMessageSlotCount>& EngineMessageTable();

// Slot index + 20 x language. Empty for an index outside 0..19 or a language
// outside 0..1.
std::wstring GetMessageText(int index, int language);
// In the current languageIndex.
std::wstring GetMessageText(int index);
std::wstring GetMessageText(EngineMessage message);

// The State of a row after an install: type_text is the side's Type text
// (TypeProvider or TypeReceiver). "SUCC - {RERUN}" becomes
// "Completed - {Need to restart MT4}"; a failure R becomes "Failed#" + R, each
// line break of R written as "#".
std::wstring RowStateText(const std::wstring& result, const std::wstring& type_text,
                          const InterfaceTexts& texts);

// The State of a row whose terminal file is not plain or over its cap:
// "Failed#" and the message naming it.
std::wstring BrokenFileText(const InterfaceTexts& texts, const std::wstring& path);

struct InstalledRow {
  bool succeeded = false;
  std::wstring state;   // as written into the row
  std::wstring folder;  // the row's terminal
};

struct SummaryMessage {
  std::wstring text;
  bool ok_cancel = false;  // OK and Cancel instead of OK alone
};

// What a command's summary says of its failed rows: empty when none failed;
// the row's State when one did; else each failed terminal with its State
// (its "#" as spaces) under header.
std::wstring FailedRowsText(const std::vector<InstalledRow>& rows, TextKey header,
                            const InterfaceTexts& texts);

// The one message after an install command. With rows handled: the copier
// edition shows a failed row's State, or, when several failed, each failed
// terminal with its State under FailedTerminalsHeader; else DoneText; the
// expert-advisor edition always DoneText. With none: SelectFolderPrompt (OK
// and Cancel) when the list is empty, else SelectInstallPrompt.
SummaryMessage SummarizeInstall(const std::vector<InstalledRow>& rows, bool expert_advisor_edition,
                                bool list_empty, const InterfaceTexts& texts);

}  // namespace copyloom
