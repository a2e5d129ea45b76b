#include "app/text_table.h"

#include <gtest/gtest.h>

#include <string>

#include "app/run_texts.h"
#include "foundation/path_util.h"

namespace copyloom {
namespace {

struct ExpectedText {
  TextKey key;
  const wchar_t* english;
  const wchar_t* chinese;
};

// The texts other code depends on, written out again on purpose: the type
// and state texts are saved in clinst.cfg and read back by their text, and
// the refusals are matched to tell a refused run from a failed one.
const ExpectedText kExpected[] = {
    {TextKey::TypeProvider, L"Provider", L"喊单"},
    {TextKey::TypeReceiver, L"Receiver", L"跟单"},
    {TextKey::InstallCompleted, L"Completed", L"安装成功"},
    {TextKey::InstallFailed, L"Failed", L"安装失败"},
    {TextKey::NeedRestart, L"Need to restart MT4", L"需要重启MT4软件"},
    {TextKey::NeedReload, L"Need to reload Signal {0} EA", L"需要重新加载{0}EA"},
    {TextKey::DoneText, L"Completed", L"完成"},
    {TextKey::UninstallCompleted, L"Uninstall completed", L"卸载完成"},
    {TextKey::UninstallNothing, L"Can't find the files need to be uninstalled",
     L"没有找到需卸载的文件"},
    {TextKey::UninstallFailed,
     L"Failed to uninstall trade copier system - {Please close the MT4 Terminal then try again}",
     L"卸载失败 - {请关闭MT4软件后重试}"},
    {TextKey::InstallCanceled, L"Canceled", L"取消安装"},
    {TextKey::InvalidTerminalFolder, L"Invalid installation diretory of MT4 Terminal",
     L"无效的MT4安装目录"},
    {TextKey::InstallFileMissing, L"Installation file not found!", L"没有找到安装文件!"},
    {TextKey::BusyText, L"Searching,please wait...", L"正在搜索,请等待..."},
    {TextKey::KitNotGenuine, L"This kit is not genuine: {0}", L"此安装包不是正版: {0}"},
    {TextKey::KitSignatureRequired, L"This kit is not signed and a signature is required: {0}",
     L"此安装包没有签名, 但要求签名: {0}"},
};

TEST(TextTableTest, EveryKeyHasItsTextInBothLanguages) {
  for (int i = 0; i < kTextKeyCount; ++i) {
    const auto key = static_cast<TextKey>(i);
    EXPECT_NE(TableText(key, 0), L"") << i;
    EXPECT_NE(TableText(key, 1), L"") << i;
  }
  for (const ExpectedText& row : kExpected) {
    SCOPED_TRACE(static_cast<int>(row.key));
    EXPECT_EQ(TableText(row.key, 0), row.english);
    EXPECT_EQ(TableText(row.key, 1), row.chinese);
  }
}

TEST(TextTableTest, LanguagesOtherThanChineseGiveEnglish) {
  EXPECT_EQ(TableText(TextKey::BusyText, 2), L"Searching,please wait...");
  EXPECT_EQ(TableText(TextKey::BusyText, -1), L"Searching,please wait...");
  EXPECT_EQ(TableText(static_cast<TextKey>(kTextKeyCount), 0), L"");
}

TEST(TextTableTest, CompletedTextsDifferOnlyInChinese) {
  EXPECT_EQ(TableText(TextKey::InstallCompleted, 0), TableText(TextKey::DoneText, 0));
  EXPECT_NE(TableText(TextKey::InstallCompleted, 1), TableText(TextKey::DoneText, 1));
}

TEST(TextTableTest, SavedListSeparatorsNeverOccurInTexts) {
  // "|" ends an entry of the saved terminal list and is not escaped.
  for (int language = 0; language < 2; ++language) {
    for (int i = 0; i < kTextKeyCount; ++i) {
      EXPECT_EQ(TableText(static_cast<TextKey>(i), language).find(L'|'), std::wstring::npos) << i;
    }
  }
}

TEST(InitTextsTest, FillsEverySlotOfTheLanguage) {
  InterfaceTexts english = InitTexts(0, true);
  InterfaceTexts chinese = InitTexts(1, true);
  for (int i = 0; i < kTextKeyCount; ++i) {
    const auto key = static_cast<TextKey>(i);
    EXPECT_EQ(english[key], TableText(key, 0)) << i;
    EXPECT_EQ(chinese[key], TableText(key, 1)) << i;
  }
  // Slots past the keys stay empty; outside the 100 slots there is nothing.
  for (int i = kTextKeyCount; i < kTextSlotCount; ++i) EXPECT_EQ(english.Slot(i), L"");
  EXPECT_EQ(english.Slot(-1), L"");
  EXPECT_EQ(english.Slot(kTextSlotCount), L"");
  EXPECT_EQ(english.Slot(static_cast<int>(TextKey::ExitCaption)), L"Exit");
}

TEST(InitTextsTest, ExpertAdvisorEditionGetsTheShortInstallCaption) {
  EXPECT_EQ(InitTexts(0, true)[TextKey::InstallProviderCaption], L"Install Signal Provider");
  EXPECT_EQ(InitTexts(0, false)[TextKey::InstallProviderCaption], L"Install");
  EXPECT_EQ(InitTexts(1, true)[TextKey::InstallProviderCaption], L"安装喊单系统");
  EXPECT_EQ(InitTexts(1, false)[TextKey::InstallProviderCaption], L"安装");
  // Only that one caption changes.
  EXPECT_EQ(InitTexts(1, false)[TextKey::InstallReceiverCaption], L"安装跟单系统");
}

TEST(InitTextsTest, AnyOtherLanguageIndexShowsEnglish) {
  EXPECT_EQ(InitTexts(2, true)[TextKey::ColumnState], L"State");
  EXPECT_EQ(InitTexts(-1, true)[TextKey::ColumnState], L"State");
}

TEST(InitTextsTest, TextsCanBeReplacedForFakes) {
  InterfaceTexts texts = InitTexts(0, true);
  texts.Set(TextKey::DoneText, L"Done");
  EXPECT_EQ(texts[TextKey::DoneText], L"Done");
  EXPECT_EQ(texts[TextKey::InstallCompleted], L"Completed");
}

TEST(InitTextsTest, ReloadTextTakesTheSideName) {
  InterfaceTexts english = InitTexts(0, true);
  EXPECT_EQ(FillPlaceholder(english[TextKey::NeedReload], english[TextKey::TypeReceiver]),
            L"Need to reload Signal Receiver EA");
  InterfaceTexts chinese = InitTexts(1, true);
  EXPECT_EQ(FillPlaceholder(chinese[TextKey::NeedReload], chinese[TextKey::TypeProvider]),
            L"需要重新加载喊单EA");
}

// Every message of a run exists in both languages, with the same values.
TEST(RunTextsTest, BothLanguagesTakeTheSameValues) {
  for (int i = 0; i <= static_cast<int>(RunText::UnloggedFolderNotUsed); ++i) {
    const auto key = static_cast<RunText>(i);
    const std::wstring english = RunMessageIn(0, key), chinese = RunMessageIn(1, key);
    EXPECT_FALSE(english.empty()) << i;
    EXPECT_NE(english, chinese) << i;
    for (const wchar_t* placeholder : {L"{0}", L"{1}", L"{2}"}) {
      EXPECT_EQ(english.find(placeholder) == std::wstring::npos,
                chinese.find(placeholder) == std::wstring::npos)
          << i;
    }
  }
  EXPECT_EQ(RunMessageIn(0, RunText::FolderCannotBeMade, {L"C:\\x", L"/p/x", L"Permission denied"}),
            L"cannot create the folder C:\\x (/p/x): Permission denied");
}

}  // namespace
}  // namespace copyloom
