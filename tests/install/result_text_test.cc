#include "install/result_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/language.h"
#include "platform/testing.h"

namespace copyloom {
namespace {

class ResultTextTest : public testing::Test {
 protected:
  void TearDown() override { SetLanguageIndex(0); }

  InterfaceTexts english_ = InitTexts(0, true);
  InterfaceTexts chinese_ = InitTexts(1, true);
};

TEST_F(ResultTextTest, EngineMessagesInBothLanguages) {
  struct Case {
    int slot;
    const wchar_t* english;
    const wchar_t* chinese;
  } cases[] = {
      {0, L"Please select the installation path of MT4!", L"请选择正确的MT4目录!"},
      {1, L"Installation file not found!", L"没有安装文件!"},
      {9, L"Invalid running path!", L"无效的运行路径!"},
      {10, L"Please close all the MetaTrader Terminals,and then try again!",
       L"请关闭MT4交易软件后再安装!"},
      {11, L"Unknown Error", L"未知错误"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GetMessageText(c.slot, 0), c.english);
    EXPECT_EQ(GetMessageText(c.slot, 1), c.chinese);
    EXPECT_EQ(EngineMessageTable()[c.slot + 20], c.chinese);
  }
  int filled = 0;
  for (const std::wstring& text : EngineMessageTable()) filled += text.empty() ? 0 : 1;
  EXPECT_EQ(filled, 10);
}

TEST_F(ResultTextTest, ChineseMessagesDoNotDependOnTheAnsiCodePage) {
  // A Western system: the stored GBK bytes must still read as Chinese.
  platform::testing::SetAnsiCodePage(1252);
  EXPECT_EQ(GetMessageText(11, 1), L"未知错误");
  platform::testing::SetAnsiCodePage(1251);
  EXPECT_EQ(GetMessageText(10, 1), L"请关闭MT4交易软件后再安装!");
}

TEST_F(ResultTextTest, GetMessageTextFollowsLanguageIndex) {
  SetLanguageIndex(1);
  EXPECT_EQ(GetMessageText(11), L"未知错误");
  EXPECT_EQ(GetMessageText(EngineMessage::kInvalidRunningPath), L"无效的运行路径!");
  SetLanguageIndex(0);
  EXPECT_EQ(GetMessageText(EngineMessage::kUnknownError), L"Unknown Error");
  // Unused slots are empty.
  EXPECT_EQ(GetMessageText(2), L"");
  EXPECT_EQ(GetMessageText(19), L"");
  // Out of range: nothing, and never the other language's slot.
  EXPECT_EQ(GetMessageText(20), L"");
  EXPECT_EQ(GetMessageText(-1), L"");
  EXPECT_EQ(GetMessageText(31, 0), L"");
  SetLanguageIndex(2);
  EXPECT_EQ(GetMessageText(11), L"");
  SetLanguageIndex(-1);
  EXPECT_EQ(GetMessageText(11), L"");
}

TEST_F(ResultTextTest, SuccessIsTheSuccPrefix) {
  EXPECT_TRUE(IsSuccessResult(L"SUCC"));
  EXPECT_TRUE(IsSuccessResult(kResultRerun));
  EXPECT_TRUE(IsSuccessResult(kResultReload));
  EXPECT_FALSE(IsSuccessResult(L"SUC"));
  EXPECT_FALSE(IsSuccessResult(L"succ"));
  EXPECT_FALSE(IsSuccessResult(L" SUCC"));
  EXPECT_FALSE(IsSuccessResult(L""));
  EXPECT_FALSE(IsSuccessResult(L"Unknown Error"));
}

TEST_F(ResultTextTest, RowStateOfSuccesses) {
  const std::wstring provider = english_[TextKey::TypeProvider];
  const std::wstring receiver = english_[TextKey::TypeReceiver];
  EXPECT_EQ(RowStateText(L"SUCC", provider, english_), L"Completed");
  EXPECT_EQ(RowStateText(L"SUCC - {RERUN}", provider, english_),
            L"Completed - {Need to restart MT4}");
  EXPECT_EQ(RowStateText(L"SUCC - {RELOAD}", provider, english_),
            L"Completed - {Need to reload Signal Provider EA}");
  EXPECT_EQ(RowStateText(L"SUCC - {RELOAD}", receiver, english_),
            L"Completed - {Need to reload Signal Receiver EA}");
  EXPECT_EQ(RowStateText(L"SUCC - {RELOAD}", chinese_[TextKey::TypeReceiver], chinese_),
            L"安装成功 - {需要重新加载跟单EA}");
  EXPECT_EQ(RowStateText(L"SUCC - {RERUN}", chinese_[TextKey::TypeProvider], chinese_),
            L"安装成功 - {需要重启MT4软件}");
}

TEST_F(ResultTextTest, RowStateOfFailures) {
  const std::wstring provider = english_[TextKey::TypeProvider];
  EXPECT_EQ(RowStateText(L"Invalid running path!\nC:\\Setup\\", provider, english_),
            L"Failed#Invalid running path!#C:\\Setup\\");
  EXPECT_EQ(RowStateText(L"Please close all the MetaTrader Terminals,and then try again!#vlcpy.dll",
                         provider, english_),
            L"Failed#Please close all the MetaTrader Terminals,and then try again!#vlcpy.dll");
  // A failure is never rewritten, even when it mentions the success words.
  EXPECT_EQ(RowStateText(L"No SUCC or RELOAD here", provider, english_),
            L"Failed#No SUCC or RELOAD here");
  EXPECT_EQ(RowStateText(L"", provider, english_), L"Failed#");
  EXPECT_EQ(RowStateText(L"未知错误", chinese_[TextKey::TypeProvider], chinese_),
            L"安装失败#未知错误");
}

TEST_F(ResultTextTest, SummaryShowsTheFailureOrListsEachFailedTerminal) {
  std::vector<InstalledRow> rows = {
      {true, L"Completed", L"C:\\A"},
      {false, L"Failed#Please close all the MetaTrader Terminals,and then try again!#vlcpy.dll",
       L"C:\\B"},
  };
  SummaryMessage summary = SummarizeInstall(rows, false, false, english_);
  EXPECT_EQ(summary.text,
            L"Failed#Please close all the MetaTrader Terminals,and then try again!#vlcpy.dll");
  EXPECT_FALSE(summary.ok_cancel);
  rows.push_back({false, L"Failed#No permission to write C:\\C\\experts", L"C:\\C"});
  EXPECT_EQ(SummarizeInstall(rows, false, false, english_).text,
            L"These terminals failed:\n"
            L"C:\\B: Failed Please close all the MetaTrader Terminals,and then try again! vlcpy.dll\n"
            L"C:\\C: Failed No permission to write C:\\C\\experts");
}

TEST_F(ResultTextTest, SummaryOfSuccessesIsDone) {
  std::vector<InstalledRow> rows = {{true, L"Completed"},
                                    {true, L"Completed - {Need to restart MT4}"}};
  EXPECT_EQ(SummarizeInstall(rows, false, false, english_).text, L"Completed");
  // DoneText, not InstallCompleted: they differ in Chinese.
  EXPECT_EQ(SummarizeInstall(rows, false, false, chinese_).text, L"完成");
}

TEST_F(ResultTextTest, ExpertAdvisorSummaryIsAlwaysDone) {
  std::vector<InstalledRow> rows = {{false, L"Failed#Unknown Error"}};
  EXPECT_EQ(SummarizeInstall(rows, true, false, english_).text, L"Completed");
}

TEST_F(ResultTextTest, SummaryWithoutRowsPrompts) {
  SummaryMessage empty_list = SummarizeInstall({}, false, true, english_);
  EXPECT_EQ(empty_list.text, L"Please select the installation directory of MT4 Terminal");
  EXPECT_TRUE(empty_list.ok_cancel);
  SummaryMessage nothing_ticked = SummarizeInstall({}, true, false, english_);
  EXPECT_EQ(nothing_ticked.text, L"Please select the MT4 Terminal on above list");
  EXPECT_FALSE(nothing_ticked.ok_cancel);
}

}  // namespace
}  // namespace copyloom
