#include "terminals/terminal_list.h"

#include <gtest/gtest.h>

#include "app/process_objects.h"
#include "platform/platform.h"
#include "platform/testing.h"
#include "support/fake_view.h"
#include "support/test_machine.h"

namespace copyloom {
namespace {

using Strings = std::vector<std::wstring>;

class TerminalListTest : public ::testing::Test {
 protected:
  void SetUp() override { machine_.StartProduct(); }

  void Save(const std::wstring& path) { TheConfig().SetConfigValue(L"PATH", path); }
  std::wstring Saved() { return TheConfig().GetConfigValue(L"PATH"); }

  test::TestMachine machine_;
  test::FakeView view_;
};

TEST(FolderCompareTest, WholeFoldersIgnoringCaseAndSeparators) {
  EXPECT_TRUE(SameFolder(L"C:\\MT4", L"c:/mt4/"));
  EXPECT_TRUE(SameFolder(L"C:\\MT4\\", L"C:\\MT4"));
  EXPECT_FALSE(SameFolder(L"C:\\MT4", L"C:\\MT4 B"));
  EXPECT_FALSE(SameFolder(L"", L""));
  EXPECT_EQ(RowFolderText(L"C:\\"), L"C:\\");
  EXPECT_EQ(RowFolderText(L"C:\\MT4\\\\"), L"C:\\MT4");
  EXPECT_EQ(RowFolderText(L"\\"), L"");
  EXPECT_EQ(RowFolderText(L"\\\\server\\mt4\\"), L"\\\\server\\mt4");
}

TEST_F(TerminalListTest, EmptyListStartsTheSearchTimer) {
  RestoreTerminalList(view_);
  EXPECT_EQ(view_.search_timer_starts, 1);
  EXPECT_TRUE(view_.rows.empty());
  ASSERT_EQ(view_.columns.size(), 4u);
  EXPECT_EQ(view_.columns[1].header, L"Installation directory");
  EXPECT_EQ(view_.columns[1].width, 340);
  EXPECT_EQ(view_.columns[2].width, 80);
  EXPECT_EQ(view_.columns[3].width, view_.window_width - 500);
}

TEST_F(TerminalListTest, RestoreRulesOnSavedEntries) {
  machine_.MakeTerminal(L"C:\\MT4 A");
  machine_.MakeTerminal(L"C:\\A");
  machine_.MakeTerminal(L"C:\\MT4");
  Save(L"11C:\\MT4 A*Completed#more|"
       L"01C:\\A*|01C:\\A*x|"          // the second repeats the first folder
       L"12C:\\Missing*Failed|"        // gone from the disk: dropped
       L"00\\*|"                       // a lone separator: no folder, dropped
       L"00C:\\*Can't find the files need to be uninstalled|"
       L"02C:\\MT4\\*Failed#Please close|" +
       // Read as C:\A by the system, yet another text: dropped.
       std::wstring(L"00C:\\A\0junk*|", 13));
  RestoreTerminalList(view_);

  ASSERT_EQ(view_.rows.size(), 4u);
  EXPECT_EQ(view_.search_timer_starts, 0);
  EXPECT_TRUE(view_.rows[0].ticked);
  EXPECT_EQ(view_.rows[0].folder, L"C:\\MT4 A");
  EXPECT_EQ(view_.rows[0].type, L"Provider");
  EXPECT_EQ(view_.rows[0].state, L"Completed");
  EXPECT_EQ(view_.rows[1].folder, L"C:\\A");
  EXPECT_FALSE(view_.rows[1].ticked);
  EXPECT_EQ(view_.rows[2].folder, L"C:\\");
  EXPECT_EQ(view_.rows[2].type, L"");
  EXPECT_EQ(view_.rows[2].state, L"");
  EXPECT_EQ(view_.rows[3].folder, L"C:\\MT4");
  EXPECT_EQ(view_.rows[3].type, L"Receiver");
  EXPECT_EQ(view_.rows[3].state, L"Failed#Please close");
}

TEST_F(TerminalListTest, OnlyWindowsPathsAreRestoredWithDotsResolvedFirst) {
  machine_.MakeTerminal(L"C:\\MT4");
  machine_.MakeTerminal(L"C:\\victim");
#ifdef _WIN32
  const std::wstring native = L"/MT4";
#else
  // The same folder by its native name: a list from someone else's prefix.
  const std::wstring native = machine_.root().Join(L"drive_c\\victim");
#endif
  Save(L"00" + native + L"*|00victim*|00C:\\Gone\\..\\MT4\\.*|00C:\\..\\..\\MT4*|");
  RestoreTerminalList(view_);
  EXPECT_EQ(view_.Folders(), (std::vector<std::wstring>{L"C:\\MT4"}));
}

TEST_F(TerminalListTest, RowsOfRemovedTerminalsListTheirParentOnce) {
  // A long list of terminals long gone, beside many folders: the lookup of
  // each missing name in another letter case must not list the parent again.
  std::wstring saved;
  for (int i = 0; i < 300; ++i) {
    machine_.MakeFolder(L"C:\\Traders\\Kept " + std::to_wstring(i));
    saved += L"00C:\\Traders\\Gone " + std::to_wstring(i) + L"\\MT4*|";
  }
  Save(saved);
  platform::SleepMs(50);  // the folder's change time settles
  const int before = platform::testing::FolderListings();
  RestoreTerminalList(view_);
  EXPECT_TRUE(view_.rows.empty());
  EXPECT_LE(platform::testing::FolderListings() - before, 3);
}

TEST_F(TerminalListTest, AFolderWithALineBreakInItIsDropped) {
  // "C:\A<CR>\.." names C:\ for the system, but a save turns the CR into a blank.
  machine_.WriteFile(TheConfig().config_path(), "[MAIN]\r\nPATH=00C:\\A\r\\..*|\r\n");
  RestoreTerminalList(view_);
  EXPECT_TRUE(view_.rows.empty());
}

TEST_F(TerminalListTest, ALongerFolderRestoredFirstDoesNotHideAShorterOne) {
  machine_.MakeTerminal(L"C:\\MT4 B");
  machine_.MakeTerminal(L"C:\\MT4");
  Save(L"00C:\\MT4 B*|00C:\\MT4*|10c:\\mt4\\*|");
  RestoreTerminalList(view_);
  EXPECT_EQ(view_.Folders(), (Strings{L"C:\\MT4 B", L"C:\\MT4"}));
}

TEST_F(TerminalListTest, SaveGroupsProvidersThenReceiversThenTheRest) {
  view_.AddRow(L"C:\\R1", false, L"Receiver", L"Completed");
  view_.AddRow(L"C:\\E", true, L"EA", L"");
  view_.AddRow(L"C:\\P1", true, L"Provider", L"Failed#x");
  view_.AddRow(L"Searching,please wait...", false, L"", L"");
  view_.AddRow(L"C:\\P2", false, L"Provider", L"Canceled by user");
  view_.AddRow(L"C:\\N", false, L"", L"line one\r\nline two");
  SaveTerminalList(view_);
  EXPECT_EQ(Saved(), L"11C:\\P1*Failed#x|01C:\\P2*|02C:\\R1*Completed|10C:\\E*|"
                     L"00C:\\N*line one#line two|");
}

TEST_F(TerminalListTest, RoundTripOfFiveHundredTerminals) {
  for (int i = 0; i < 500; ++i) {
    std::wstring folder = L"C:\\Terminals\\MT4 " + std::to_wstring(i);
    machine_.MakeTerminal(folder);
    const wchar_t* type = i % 3 == 0 ? L"Provider" : i % 3 == 1 ? L"Receiver" : L"";
    view_.AddRow(folder, i % 2 == 0, type, i % 5 == 0 ? L"Failed#Unknown Error" : L"");
  }
  SaveTerminalList(view_);
  const std::wstring saved = Saved();
  EXPECT_GT(saved.size(), 6000u);  // longer than the old 5199-character cut

  test::FakeView restored;
  RestoreTerminalList(restored);
  ASSERT_EQ(restored.rows.size(), 500u);
  // Grouped, each group in list order.
  EXPECT_EQ(restored.rows[0].folder, L"C:\\Terminals\\MT4 0");
  EXPECT_EQ(restored.rows[0].type, L"Provider");
  EXPECT_EQ(restored.rows[167].folder, L"C:\\Terminals\\MT4 1");
  EXPECT_EQ(restored.rows[499].folder, L"C:\\Terminals\\MT4 497");
  SaveTerminalList(restored);
  EXPECT_EQ(Saved(), saved);
}

TEST_F(TerminalListTest, MergeAddsNewFoldersOnce) {
  view_.AddRow(L"C:\\MT4 B");
  view_.AddRow(L"D:\\");
  int added = MergeFoundTerminals(
      view_, L"\\|C:\\MT4\\|c:\\mt4 b\\|D:\\|C:\\Program Files\\MT4\\|C:\\MT4\\|");
  EXPECT_EQ(added, 2);
  EXPECT_EQ(view_.Folders(),
            (Strings{L"C:\\MT4 B", L"D:\\", L"C:\\MT4", L"C:\\Program Files\\MT4"}));
  EXPECT_FALSE(view_.rows[2].ticked);
  EXPECT_EQ(view_.rows[2].type, L"");
}

TEST_F(TerminalListTest, AddChecksTheFolderAndSaves) {
  machine_.MakeTerminal(L"C:\\MT4");
  machine_.MakeFolder(L"C:\\Other");

  OnAddTerminal(view_);  // picker cancelled
  EXPECT_TRUE(view_.rows.empty());
  EXPECT_EQ(view_.browse_titles,
            Strings{L"Please select the installation directory of MT4 Terminal"});

  view_.picked_folders = {L"C:\\Other\\", L"C:\\MT4\\", L"c:\\mt4\\"};
  OnAddTerminal(view_);
  EXPECT_EQ(view_.MessageTexts(), Strings{L"Invalid installation diretory of MT4 Terminal"});
  EXPECT_TRUE(view_.rows.empty());

  EXPECT_EQ(OnAddTerminal(view_), 0);
  EXPECT_EQ(view_.Folders(), Strings{L"C:\\MT4"});
  EXPECT_EQ(Saved(), L"00C:\\MT4*|");

  // The same folder again selects the row instead of doubling it.
  view_.selection_mark = -1;
  EXPECT_EQ(OnAddTerminal(view_), 0);
  EXPECT_EQ(view_.rows.size(), 1u);
  EXPECT_EQ(view_.selection_mark, 0);
}

TEST_F(TerminalListTest, CommandsAreRefusedWhileBusy) {
  view_.AddRow(L"C:\\MT4", true);
  view_.searching = true;
  OnAddTerminal(view_);
  OnRemoveTerminals(view_);
  EXPECT_EQ(view_.MessageTexts(),
            (Strings{L"Searching,please wait...", L"Searching,please wait..."}));
  EXPECT_EQ(view_.rows.size(), 1u);
  EXPECT_TRUE(view_.browse_titles.empty());
}

TEST_F(TerminalListTest, RemoveTickedRowsElseTheSelectedRow) {
  view_.AddRow(L"C:\\A", true);
  view_.AddRow(L"C:\\B");
  view_.AddRow(L"C:\\C", true);
  view_.selection_mark = 1;
  OnRemoveTerminals(view_);
  EXPECT_EQ(view_.Folders(), Strings{L"C:\\B"});
  EXPECT_EQ(view_.MessageTexts(), Strings{L"Completed"});
  EXPECT_EQ(Saved(), L"00C:\\B*|");

  view_.selection_mark = 0;
  OnRemoveTerminals(view_);
  EXPECT_TRUE(view_.rows.empty());

  view_.messages.clear();
  view_.AddRow(L"C:\\D");
  OnRemoveTerminals(view_);
  EXPECT_EQ(view_.MessageTexts(),
            Strings{L"please select the MT4 Terminal need to be removed from above list"});
  EXPECT_EQ(view_.rows.size(), 1u);
}

TEST_F(TerminalListTest, ClickShowsDetailsOfStatesWorthShowing) {
  view_.AddRow(L"C:\\A", false, L"",
               L"Failed to uninstall trade copier system - {Please close the MT4 Terminal "
               L"then try again}");
  view_.AddRow(L"C:\\B", false, L"", L"Completed - {Need to restart MT4}");
  view_.AddRow(L"C:\\C", false, L"", L"Uninstall completed");
  view_.AddRow(L"C:\\D", false, L"", L"");
  view_.AddRow(L"C:\\E", false, L"", L"Failed#Invalid running path!#C:\\Setup\\");
  for (int i = 0; i < 5; ++i) OnRowClicked(view_, i);
  EXPECT_EQ(view_.MessageTexts(),
            (Strings{L"Failed to uninstall trade copier system:\nPlease close the MT4 Terminal "
                     L"then try again",
                     L"Failed\nInvalid running path!\nC:\\Setup\\"}));
}

TEST_F(TerminalListTest, SelectAllAndInverse) {
  view_.AddRow(L"C:\\A", true);
  view_.AddRow(L"C:\\B");
  OnInverse(view_);
  EXPECT_FALSE(view_.rows[0].ticked);
  EXPECT_TRUE(view_.rows[1].ticked);
  OnSelectAll(view_);
  EXPECT_TRUE(view_.rows[0].ticked && view_.rows[1].ticked);
}

TEST_F(TerminalListTest, CheckBoxesAreTickedOnlyWhenTheirKeyIsEmpty) {
  TheConfig().SetConfigValue(L"CLICKTOLAUNCH", L"no");
  RestoreCheckBoxes(view_);
  EXPECT_FALSE(view_.click_to_launch);
  EXPECT_TRUE(view_.load_ea_auto);

  view_.load_ea_auto = false;
  OnCheckBoxClicked(view_, kCheckLoadEaAuto);
  EXPECT_EQ(TheConfig().GetConfigValue(L"LOADEAAUTO"), L"0");
  view_.click_to_launch = true;
  OnCheckBoxClicked(view_, kCheckClickToLaunch);
  EXPECT_EQ(TheConfig().GetConfigValue(L"CLICKTOLAUNCH"), L"");
}

}  // namespace
}  // namespace copyloom
