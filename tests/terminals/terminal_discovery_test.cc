#include "terminals/terminal_discovery.h"

#include <gtest/gtest.h>

#include "app/process_objects.h"
#include "foundation/path_util.h"
#include "support/fake_view.h"
#include "support/test_machine.h"
#include "terminals/terminal_list.h"

namespace copyloom {
namespace {

using platform::RegRoot;

constexpr wchar_t kMetaTrader[] = L"Software\\MetaQuotes Software\\MetaTrader 4";
constexpr wchar_t kMuiCache[] = L"Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache";

TextList Split(const std::wstring& text) {
  TextList list;
  SplitText(text, L"|", &list, true);
  return list;
}

class DiscoveryTest : public ::testing::Test {
 protected:
  void SetUp() override { machine_.StartProduct(); }
  test::TestMachine machine_;
};

TEST_F(DiscoveryTest, TerminalFolderNeedsConfigAndExperts) {
  machine_.MakeTerminal(L"C:\\MT4");
  machine_.MakeFolder(L"C:\\OnlyConfig\\config");
  machine_.WriteFile(L"C:\\Files\\config", "x");  // entries may be files
  machine_.WriteFile(L"C:\\Files\\experts", "x");

  EXPECT_TRUE(IsTerminalFolder(L"C:\\MT4"));
  EXPECT_TRUE(IsTerminalFolder(L"C:\\MT4\\"));
  EXPECT_TRUE(IsTerminalFolder(L"  C:\\MT4\\experts \t"));
  EXPECT_TRUE(IsTerminalFolder(L"C:\\MT4\\terminal.exe"));
  EXPECT_TRUE(IsTerminalFolder(L"C:\\MT4\\TERMINAL.EXE"));
  EXPECT_TRUE(IsTerminalFolder(L"C:\\Files"));
  // The experts folder with a separator is a folder of its own.
  EXPECT_FALSE(IsTerminalFolder(L"C:\\MT4\\experts\\"));
  EXPECT_FALSE(IsTerminalFolder(L"C:\\OnlyConfig"));
  EXPECT_FALSE(IsTerminalFolder(L"C:\\Missing"));
  EXPECT_FALSE(IsTerminalFolder(L""));
}

TEST_F(DiscoveryTest, TerminalFolderIgnoresLetterCase) {
  machine_.MakeFolder(L"C:\\Mixed\\Config");
  machine_.MakeFolder(L"C:\\Mixed\\EXPERTS");
  EXPECT_TRUE(IsTerminalFolder(L"C:\\Mixed"));
  EXPECT_TRUE(IsTerminalFolder(L"c:\\mixed\\Experts"));
}

TEST_F(DiscoveryTest, FixedDrivesComeFromTheDriveTable) { EXPECT_EQ(ListFixedDrives(), L"C|D"); }

TEST_F(DiscoveryTest, RegistrySourceIsNotTested) {
  machine_.registry().SetValue(RegRoot::kCurrentUser, kMetaTrader, L"InstallPath",
                               L"C:\\Gone\\MT4");
  machine_.Apply();
  EXPECT_EQ(Split(FindTerminalFolders()).front(), L"C:\\Gone\\MT4\\");
}

TEST_F(DiscoveryTest, RegistryPathsThatAreNoWindowsPathsAreIgnored) {
  machine_.MakeTerminal(L"C:\\MT4");
  machine_.MakeTerminal(L"C:\\victim");
  machine_.registry().SetValue(RegRoot::kCurrentUser, kMuiCache, L"/home/x/victim/terminal.exe",
                               L"MetaTrader");
  for (const wchar_t* value : {L"/home/x/victim", L"victim", L"\\\\?\\C:\\victim"}) {
    SCOPED_TRACE(value);
    machine_.registry().SetValue(RegRoot::kCurrentUser, kMetaTrader, L"InstallPath", value);
    machine_.Apply();
    const TextList found = Split(FindTerminalFolders());
    EXPECT_EQ(found.front(), L"C:\\MT4\\");
    for (const auto& f : found) EXPECT_EQ(f.find(L"/home"), std::wstring::npos) << f;
  }
  // ".." is resolved before anything else.
  machine_.registry().SetValue(RegRoot::kCurrentUser, kMetaTrader, L"InstallPath",
                               L"C:\\Gone\\..\\..\\victim");
  machine_.Apply();
  EXPECT_EQ(Split(FindTerminalFolders()).front(), L"C:\\victim\\");
}

TEST_F(DiscoveryTest, MissingRegistryValueGivesALoneSeparator) {
  EXPECT_EQ(FindTerminalFolders(), L"\\|");
}

TEST_F(DiscoveryTest, DriveSearchLooksOneLevelBelowFixedFolders) {
  machine_.MakeTerminal(L"D:\\");
  machine_.MakeTerminal(L"C:\\MT4 Top");
  machine_.MakeTerminal(L"C:\\Program Files\\MT4 A");
  machine_.MakeTerminal(L"C:\\Program Files (x86)\\MT4 B");
  machine_.MakeTerminal(L"C:\\Program Files\\Finance\\MT4 C");
  machine_.MakeTerminal(L"C:\\Deep\\Deeper\\MT4 D");  // never found
  machine_.MakeFolder(L"C:\\NotATerminal\\config");

  TextList found = Split(FindTerminalFolders());
  TextList expected = {L"\\",
                       L"C:\\MT4 Top\\",
                       L"C:\\Program Files\\MT4 A\\",
                       L"C:\\Program Files (x86)\\MT4 B\\",
                       L"C:\\Program Files\\Finance\\MT4 C\\",
                       L"D:\\"};
  EXPECT_EQ(found, expected);
}

TEST_F(DiscoveryTest, ProgramRecordAddsNewFoldersOnce) {
  machine_.MakeTerminal(L"C:\\Program Files\\MT4 A");
  machine_.MakeTerminal(L"C:\\Traders\\Deep\\MT4 X");
  auto& reg = machine_.registry();
  reg.SetValue(RegRoot::kCurrentUser, kMuiCache, L"C:\\PROGRAM FILES\\mt4 a\\terminal.exe", L"");
  reg.SetValue(RegRoot::kCurrentUser, kMuiCache, L"C:\\Traders\\Deep\\MT4 X\\terminal.exe", L"");
  reg.SetValue(RegRoot::kCurrentUser, kMuiCache, L"c:\\traders\\deep\\mt4 x\\metaeditor.exe", L"");
  reg.SetValue(RegRoot::kCurrentUser, kMuiCache, L"C:\\Windows\\notepad.exe", L"");
  reg.SetValue(RegRoot::kCurrentUser, kMuiCache, L"@shell32.dll,-1", L"");
  machine_.Apply();

  TextList found = Split(FindTerminalFolders());
  TextList expected = {L"\\", L"C:\\Program Files\\MT4 A\\", L"C:\\Traders\\Deep\\MT4 X\\"};
  EXPECT_EQ(found, expected);
}

TEST_F(DiscoveryTest, SearchMergesSavesAndReports) {
  machine_.MakeTerminal(L"C:\\MT4 B");
  machine_.MakeTerminal(L"C:\\MT4");
  test::FakeView view;
  view.AddRow(L"C:\\MT4 B");
  bool searching_seen = false;
  view.on_pump = [&] { searching_seen = view.searching && view.busy_label_shown; };

  SearchTerminals(view, true);

  EXPECT_TRUE(searching_seen);
  EXPECT_FALSE(view.searching);
  EXPECT_FALSE(view.busy_label_shown);
  EXPECT_EQ(view.pumps, 1);
  // C:\MT4 is a leading part of C:\MT4 B and still gets its row.
  EXPECT_EQ(view.Folders(), (std::vector<std::wstring>{L"C:\\MT4 B", L"C:\\MT4"}));
  EXPECT_EQ(view.MessageTexts(), std::vector<std::wstring>{L"Completed"});
  EXPECT_EQ(TheConfig().GetConfigValue(L"PATH"), L"00C:\\MT4 B*|00C:\\MT4*|");
}

TEST_F(DiscoveryTest, TimerSearchShowsNoMessageAndRepeatsAddNothing) {
  machine_.MakeTerminal(L"C:\\MT4");
  test::FakeView view;
  OnSearchTimer(view);
  OnSearchTimer(view);
  EXPECT_EQ(view.Folders(), std::vector<std::wstring>{L"C:\\MT4"});
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(DiscoveryTest, RegistryAndDriveNamingOneFolderGiveOneRow) {
  machine_.MakeTerminal(L"C:\\MT4");
  machine_.registry().SetValue(RegRoot::kCurrentUser, kMetaTrader, L"InstallPath", L"c:\\mt4");
  machine_.Apply();
  test::FakeView view;
  SearchTerminals(view, false);
  EXPECT_EQ(view.Folders(), std::vector<std::wstring>{L"c:\\mt4"});
}

// The refusal of every command while busy: launch_commands_test.cc.
TEST_F(DiscoveryTest, ASecondSearchClickDuringTheSearchIsRefused) {
  machine_.MakeTerminal(L"C:\\MT4");
  test::FakeView view;
  // A second click handled while the search pumps its messages.
  view.on_pump = [&] { OnSearchAgain(view); };
  OnSearchAgain(view);
  EXPECT_EQ(view.MessageTexts(),
            (std::vector<std::wstring>{L"Searching,please wait...", L"Completed"}));
  EXPECT_EQ(view.Folders(), std::vector<std::wstring>{L"C:\\MT4"});
}

TEST_F(DiscoveryTest, TimerDuringACommandWaitsForIt) {
  test::FakeView view;
  view.running = true;
  OnSearchTimer(view);
  EXPECT_EQ(view.search_timer_starts, 1);
  EXPECT_EQ(view.pumps, 0);
}

}  // namespace
}  // namespace copyloom
