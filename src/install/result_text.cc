#include "install/result_text.h"

#include "app/language.h"
#include "foundation/path_util.h"
#include "platform/platform.h"

namespace copyloom {
namespace {

struct StoredMessage {
  int slot;
  const char* english;
  // Code page 936 bytes.
  const char* chinese;
};

constexpr StoredMessage kStoredMessages[] = {
    {0, "Please select the installation path of MT4!",
     "\xC7\xEB\xD1\xA1\xD4\xF1\xD5\xFD\xC8\xB7\xB5\xC4MT4\xC4\xBF\xC2\xBC!"},
    {1, "Installation file not found!", "\xC3\xBB\xD3\xD0\xB0\xB2\xD7\xB0\xCE\xC4\xBC\xFE!"},
    {9, "Invalid running path!", "\xCE\xDE\xD0\xA7\xB5\xC4\xD4\xCB\xD0\xD0\xC2\xB7\xBE\xB6!"},
    {10, "Please close all the MetaTrader Terminals,and then try again!",
     "\xC7\xEB\xB9\xD8\xB1\xD5MT4\xBD\xBB\xD2\xD7\xC8\xED\xBC\xFE\xBA\xF3\xD4\xD9\xB0\xB2\xD7"
     "\xB0!"},
    {11, "Unknown Error", "\xCE\xB4\xD6\xAA\xB4\xED\xCE\xF3"},
};

constexpr unsigned kChineseCodePage = 936;

std::array<std::wstring, kMessageSlotCount> BuildTable() {
  std::array<std::wstring, kMessageSlotCount> table;
  for (const StoredMessage& message : kStoredMessages) {
    // The English texts are ASCII: the same in every code page.
    std::string english = message.english;
    table[message.slot] = std::wstring(english.begin(), english.end());
    // Explicitly 936: through the ANSI code page these would be garbled on
    // every system that is not Simplified Chinese.
    table[message.slot + kMessagesPerLanguage] =
        platform::CodePageToWide(kChineseCodePage, message.chinese);
  }
  return table;
}

}  // namespace

bool IsSuccessResult(const std::wstring& result) { return StartsWith(result, kResultSuccess); }

const std::array<std::wstring, kMessageSlotCount>& EngineMessageTable() {
  static const std::array<std::wstring, kMessageSlotCount> table = BuildTable();
  return table;
}

std::wstring GetMessageText(int index, int language) {
  if (index < 0 || index >= kMessagesPerLanguage || language < 0 || language > 1) return {};
  return EngineMessageTable()[index + kMessagesPerLanguage * language];
}

std::wstring GetMessageText(int index) { return GetMessageText(index, languageIndex()); }

std::wstring GetMessageText(EngineMessage message) {
  return GetMessageText(static_cast<int>(message));
}

std::wstring RowStateText(const std::wstring& result, const std::wstring& type_text,
                          const InterfaceTexts& texts) {
  std::wstring state = result;
  ReplaceAll(&state, L"\n", L"#");
  if (!IsSuccessResult(state)) return texts[TextKey::InstallFailed] + L"#" + state;

  std::wstring reload = FillPlaceholder(texts[TextKey::NeedReload], type_text);
  ReplaceAll(&state, L"SUCC", texts[TextKey::InstallCompleted]);
  ReplaceAll(&state, L"RERUN", texts[TextKey::NeedRestart]);
  ReplaceAll(&state, L"RELOAD", reload);
  return state;
}

SummaryMessage SummarizeInstall(const std::vector<InstalledRow>& rows, bool expert_advisor_edition,
                                bool list_empty, const InterfaceTexts& texts) {
  if (rows.empty()) {
    if (list_empty) return {texts[TextKey::SelectFolderPrompt], true};
    return {texts[TextKey::SelectInstallPrompt], false};
  }
  if (!expert_advisor_edition) {
    std::wstring failed = FailedRowsText(rows, TextKey::FailedTerminalsHeader, texts);
    if (!failed.empty()) return {std::move(failed), false};
  }
  return {texts[TextKey::DoneText], false};
}

std::wstring FailedRowsText(const std::vector<InstalledRow>& rows, TextKey header,
                            const InterfaceTexts& texts) {
  std::vector<const InstalledRow*> failed;
  for (const InstalledRow& row : rows) {
    if (!row.succeeded) failed.push_back(&row);
  }
  if (failed.size() == 1) return failed.front()->state;
  if (failed.empty()) return {};
  std::wstring text = texts[header];
  for (const InstalledRow* row : failed) {
    std::wstring state = row->state;
    ReplaceAll(&state, L"#", L" ");
    text += L"\n" + row->folder + L": " + state;
  }
  return text;
}

std::wstring BrokenFileText(const InterfaceTexts& texts, const std::wstring& path) {
  std::wstring text = texts[TextKey::BrokenFile];
  ReplaceAll(&text, L"{0}", path);
  return texts[TextKey::InstallFailed] + L"#" + text;
}

}  // namespace copyloom
