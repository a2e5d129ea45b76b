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

// Written out again on purpose: a slip in either copy shows here.
const ExpectedText kExpected[] = {
    {TextKey::TerminalsLabel, L"MT4 Terminals", L"MT4软件安装地址"},
    {TextKey::SelectFolderPrompt, L"Please select the installation directory of MT4 Terminal",
     L"请选择 [MT4软件安装目录]"},
    {TextKey::SelectInstallPrompt, L"Please select the MT4 Terminal on above list",
     L"请勾选要安装的 [MT4软件安装目录]"},
    {TextKey::SelectRemovePrompt,
     L"please select the MT4 Terminal need to be removed from above list", L"请勾选要删除的行"},
    {TextKey::ColumnDirectory, L"Installation directory", L"安装目录"},
    {TextKey::ColumnType, L"Type", L"类型"},
    {TextKey::ColumnState, L"State", L"备注"},
    {TextKey::TypeProvider, L"Provider", L"喊单"},
    {TextKey::TypeReceiver, L"Receiver", L"跟单"},
    {TextKey::InstallProviderCaption, L"Install Signal Provider", L"安装喊单系统"},
    {TextKey::InstallReceiverCaption, L"Install Signal Receiver", L"安装跟单系统"},
    {TextKey::HelpCaption, L"Help", L"帮助"},
    {TextKey::ContactCaption, L"Contact us", L"联系我们"},
    {TextKey::ExitCaption, L"Exit", L"退出"},
    {TextKey::AddCaption, L"Add", L"添加"},
    {TextKey::RemoveCaption, L"Remove", L"删除"},
    {TextKey::SearchAgainCaption, L"Search Again", L"重新搜索"},
    {TextKey::UninstallCaption, L"Uninstall", L"卸载"},
    {TextKey::InstallCompleted, L"Completed", L"安装成功"},
    {TextKey::InstallFailed, L"Failed", L"安装失败"},
    {TextKey::NeedRestart, L"Need to restart MT4", L"需要重启MT4软件"},
    {TextKey::NeedReload, L"Need to reload Signal {0} EA", L"需要重新加载{0}EA"},
    {TextKey::Installing, L"Installing...", L"正在安装..."},
    {TextKey::DoneText, L"Completed", L"完成"},
    {TextKey::UninstallCompleted, L"Uninstall completed", L"卸载完成"},
    {TextKey::UninstallNothing, L"Can't find the files need to be uninstalled",
     L"没有找到需卸载的文件"},
    {TextKey::UninstallFailed,
     L"Failed to uninstall trade copier system - {Please close the MT4 Terminal then try again}",
     L"卸载失败 - {请关闭MT4软件后重试}"},
    {TextKey::Uninstalling, L"Uninstalling...", L"正在卸载..."},
    {TextKey::SelectUninstallPrompt,
     L"Please select the MT4 Terminals whose trade copier system need to be uninstalled",
     L"请勾选要卸载跟单系统的 [MT4软件安装目录]"},
    {TextKey::InstallCanceled, L"Canceled", L"取消安装"},
    {TextKey::InvalidTerminalFolder, L"Invalid installation diretory of MT4 Terminal",
     L"无效的MT4安装目录"},
    {TextKey::InstallFileMissing, L"Installation file not found!", L"没有找到安装文件!"},
    {TextKey::ClickToLaunchCaption, L"Double-click above list to launch MT4 Trading System",
     L"双击列表运行MT4软件"},
    {TextKey::LoadEaCaption, L"Load EA on first chart window automatically",
     L"自动在第1个图表上加载跟单系统"},
    {TextKey::SelectAllCaption, L"Select All", L"全选"},
    {TextKey::InverseCaption, L"Inverse", L"反选"},
    {TextKey::LaunchCaption, L"Launch", L"运行MT4软件"},
    {TextKey::OpenFolderCaption, L"Open Folder", L"打开文件夹"},
    {TextKey::BusyText, L"Searching,please wait...", L"正在搜索,请等待..."},
    {TextKey::CommandRunningText, L"A command is still running,please wait...",
     L"命令仍在运行,请等待..."},
    {TextKey::NothingChanged, L" - Nothing in the terminal was changed", L" - 该MT4软件中的文件均未改动"},
    {TextKey::BrokenFile, L"Not a plain file, or too large to read: {0}",
     L"不是普通文件或文件过大,无法读取: {0}"},
    {TextKey::UnusableKitName, L"Skipped a file whose name Windows cannot use: {0}",
     L"已跳过名称在Windows中无效的文件: {0}"},
    {TextKey::UnusableFolderName, L"Skipped a folder whose name the list cannot hold: {0}",
     L"已跳过名称无法存入列表的文件夹: {0}"},
    {TextKey::KitNotGenuine, L"This kit is not genuine: {0}", L"此安装包不是正版: {0}"},
    {TextKey::KitUnsigned,
     L"This kit is not signed: its files are installed as they are, unchecked",
     L"此安装包没有签名: 其文件未经校验即被安装"},
    {TextKey::KitSignatureRequired, L"This kit is not signed and a signature is required: {0}",
     L"此安装包没有签名, 但要求签名: {0}"},
    {TextKey::CauseNoSpace, L"Not enough disk space for {0}", L"磁盘空间不足: {0}"},
    {TextKey::CauseNoPermission, L"No permission to write {0}", L"没有写入权限: {0}"},
    {TextKey::CauseReadOnly, L"The disk holding {0} is read-only", L"所在磁盘为只读: {0}"},
    {TextKey::CauseMissing, L"Not found: {0}", L"找不到: {0}"},
    {TextKey::CauseNotAFile, L"Not a plain file: {0}", L"不是普通文件: {0}"},
    {TextKey::CauseTooLarge, L"Too large: {0}", L"文件过大: {0}"},
    {TextKey::CauseBadName, L"A name Windows does not allow: {0}", L"Windows不允许的名称: {0}"},
    {TextKey::CausePathTooLong, L"Path too long: {0}", L"路径过长: {0}"},
    {TextKey::CauseIoError, L"The disk could not read or write {0}", L"磁盘读写错误: {0}"},
    {TextKey::CauseOther, L"Could not write {0}", L"无法写入: {0}"},
    {TextKey::FailedTerminalsHeader, L"These terminals failed:", L"以下MT4软件安装失败:"},
    {TextKey::KitDowngrade,
     L"This terminal holds the newer kit {0}: {1} is not installed over it (--allow-downgrade)",
     L"该MT4软件已装有较新的版本 {0}: 不会用 {1} 覆盖 (--allow-downgrade)"},
    {TextKey::CauseInUse, L"Another program is using {0}", L"另一个程序正在使用: {0}"},
    {TextKey::ListNotSaved, L"The terminal list could not be saved", L"无法保存MT4软件列表"},
    {TextKey::FailedUninstallsHeader, L"These terminals failed:", L"以下MT4软件卸载失败:"},
};

TEST(TextTableTest, EveryKeyHasItsTextInBothLanguages) {
  ASSERT_EQ(std::size(kExpected), static_cast<size_t>(kTextKeyCount));
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
  for (const ExpectedText& row : kExpected) {
    EXPECT_EQ(english[row.key], row.english);
    EXPECT_EQ(chinese[row.key], row.chinese);
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
