#include "terminals/terminal_list.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/process_objects.h"
#include "app/product_profile.h"
#include "platform/testing.h"
#include "foundation/path_util.h"
#include "platform/platform.h"
#include "support/fake_view.h"
#include "support/test_files.h"
#include "support/test_machine.h"
#include "terminals/data_lock.h"
#include "terminals/shared_terminal_list.h"

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

// The bytes of clinst.cfg a save writes: Provider rows first, then Receiver
// rows, then the rest; line breaks of a state as "#"; a cancelled install
// empty. Restoring them and saving again changes no byte.
TEST_F(TerminalListTest, SavedListBytesRoundTrip) {
  for (auto* folder : {L"C:\\MT4 A", L"C:\\MT4 B", L"D:\\MT4 C", L"C:\\MT4 D"}) {
    machine_.MakeTerminal(folder);
  }
  RestoreTerminalList(view_);
  const InterfaceTexts& texts = view_.Texts();
  auto add = [&](const wchar_t* folder, bool ticked, const std::wstring& type,
                 const std::wstring& state) {
    const int row = AddTerminalFolder(view_, folder);
    view_.SetTicked(row, ticked);
    view_.SetCellText(row, kColumnType, type);
    view_.SetCellText(row, kColumnState, state);
  };
  add(L"C:\\MT4 A", false, texts[TextKey::TypeReceiver], L"line\r\nbreak");
  add(L"C:\\MT4 B", true, L"", L"");
  add(L"D:\\MT4 C", true, texts[TextKey::TypeProvider], texts[TextKey::InstallCanceled] + L" now");
  add(L"C:\\MT4 D", false, texts[TextKey::TypeProvider], L"x");
  ASSERT_TRUE(SaveTerminalList(view_));
  const std::wstring file = TheProfile().settings_folder + L"clinst.cfg";
  const std::string golden =
      "11D:\\MT4 C*|01C:\\MT4 D*x|02C:\\MT4 A*line#break|10C:\\MT4 B*|";
  const std::string bytes = machine_.ReadFile(file);
  EXPECT_NE(bytes.find("PATH=" + golden + "\r\n"), std::string::npos) << bytes;

  test::FakeView again;
  RestoreTerminalList(again);
  ASSERT_TRUE(SaveTerminalList(again));
  EXPECT_EQ(machine_.ReadFile(file), bytes);
}

// A list that cannot be written says why, naming clinst.cfg as the trader
// finds it, and the save answers the cause.
TEST_F(TerminalListTest, AListThatCannotBeSavedSaysWhy) {
  machine_.MakeTerminal(L"C:\\MT4 A");
  RestoreTerminalList(view_);
  ASSERT_TRUE(SaveTerminalList(view_));
  const std::wstring file = TheConfig().config_path();
  struct Case {
    std::function<void()> fault;
    platform::FailureKind kind;
    TextKey cause;
  };
  const Case cases[] = {
      {[] { platform::testing::FailNthCall(platform::testing::Op::kWrite, 1); },
       platform::FailureKind::kNoSpace, TextKey::CauseNoSpace},
      {[&] { ASSERT_TRUE(platform::SetReadOnly(file, true)); },
       platform::FailureKind::kNoPermission, TextKey::CauseNoPermission},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    view_.messages.clear();
    AddTerminalFolder(view_, L"C:\\MT4 A");
    view_.SetCellText(0, kColumnState, view_.Text(c.cause));  // a change to save
    c.fault();
    const platform::Status saved = SaveTerminalList(view_);
    platform::SetReadOnly(file, false);
    EXPECT_EQ(saved.kind(), c.kind);
    EXPECT_EQ(saved.path(), file);
    EXPECT_EQ(view_.MessageTexts(),
              Strings{ListNotSavedText(saved, view_.Texts())});
    EXPECT_NE(view_.MessageTexts()[0].find(
                  FillPlaceholder(view_.Text(c.cause), platform::HostPath(file))),
              std::wstring::npos);
  }
}

// Documents is shared by every prefix (wineboot links it to $HOME): each
// prefix keeps its own list in its AppData, and a first run takes over the
// rows of the shared list that exist here, folder and tick only.
TEST_F(TerminalListTest, EachPrefixKeepsItsOwnListAndTakesTheSharedRowsOnce) {
  const std::wstring own = L"C:\\users\\trader\\AppData\\Roaming\\Velmora\\cplm\\";
  const std::wstring shared = L"C:\\users\\trader\\Documents\\Velmora\\cplm\\";
  EXPECT_EQ(TheProfile().settings_folder, own);
  EXPECT_EQ(TheProfile().data_folder, shared);
  machine_.MakeTerminal(L"C:\\MT4 A");
  machine_.MakeTerminal(L"D:\\MT4 B");
  const std::string shared_list =
      "[MAIN]\r\nPATH=11C:\\MT4 A*Completed|02C:\\Elsewhere*Failed|"
      "02d:\\mt4 b*x|00C:\\MT4 A*|\r\n";
  machine_.WriteFile(shared + L"clinst.cfg", shared_list);
  ASSERT_FALSE(machine_.Exists(own + L"clinst.cfg"));
  EXPECT_EQ(SharedListToTake(), L"10C:\\MT4 A*|00d:\\mt4 b*|");

  BindInstallerSettings();
  EXPECT_EQ(Saved(), L"10C:\\MT4 A*|00d:\\mt4 b*|");
  EXPECT_EQ(machine_.ReadFile(shared + L"clinst.cfg"), shared_list);
  // Taken once: later changes to the shared list are another prefix's.
  Save(L"00C:\\MT4 A*|");
  BindInstallerSettings();
  EXPECT_EQ(Saved(), L"00C:\\MT4 A*|");
  EXPECT_EQ(SharedListToTake(), L"");

  // Windows without Wine: the list stays in the data folder.
  platform::testing::SetUnderWine(false);
  InitProductProfile();
  EXPECT_EQ(TheProfile().settings_folder, shared);
  BindInstallerSettings();
  EXPECT_EQ(TheConfig().config_path(), shared + L"clinst.cfg");
  EXPECT_EQ(Saved(), L"11C:\\MT4 A*Completed|02C:\\Elsewhere*Failed|02d:\\mt4 b*x|00C:\\MT4 A*|");
}

TEST_F(TerminalListTest, RestoreRulesOnSavedEntries) {
  machine_.MakeTerminal(L"C:\\MT4 A");
  machine_.MakeTerminal(L"C:\\A");
  machine_.MakeTerminal(L"C:\\MT4");
  Save(
      L"11C:\\MT4 A*Completed#more|"
      L"01C:\\A*|01C:\\A*x|"    // the second repeats the first folder
      L"12C:\\Missing*Failed|"  // gone from the disk: dropped
      L"00\\*|"                 // a lone separator: no folder, dropped
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
  EXPECT_EQ(Saved(),
            L"11C:\\P1*Failed#x|01C:\\P2*|02C:\\R1*Completed|10C:\\E*|"
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

namespace copyloom {
namespace {

// ---- the window's list beside other runs on the same clinst.cfg

TEST(SavedTerminalMergeTest, EachRowKeepsTheLaterChange) {
  struct Case {
    const char* why;
    const wchar_t *base, *seen, *ours, *theirs, *merged;
  };
  const Case cases[] = {
      {"both added", L"00A*|", L"00A*|", L"00A*|00B*|", L"00A*|00C*|", L"00A*|00B*|00C*|"},
      {"theirs changed", L"00A*|00B*|", L"00A*|00B*|", L"00A*|00B*|", L"00A*|01B*x|",
       L"01B*x|00A*|"},
      {"ours changed", L"00A*|", L"00A*|", L"10A*|", L"00A*|", L"10A*|"},
      {"both, ours since the last look", L"00A*|", L"00A*|", L"02A*mine|", L"01A*theirs|",
       L"02A*mine|"},
      {"both, ours before the last look", L"00A*|", L"02A*mine|", L"02A*mine|", L"01A*theirs|",
       L"01A*theirs|"},
      {"theirs removed", L"00A*|00B*|", L"00A*|00B*|", L"00A*|00B*|", L"00B*|", L"00B*|"},
      {"ours removed", L"00A*|00B*|", L"00A*|00B*|", L"00B*|", L"00A*|00B*|", L"00B*|"},
      {"ours removed, theirs changed later", L"00A*|", L"", L"", L"01A*x|", L"01A*x|"},
      {"ours removed since the last look", L"00A*|", L"00A*|", L"", L"01A*x|", L""},
      {"same folder spelt otherwise", L"00C:\\A*|", L"00C:\\A*|", L"00c:/a/*|", L"01C:\\A*x|",
       L"01C:\\A*x|"},
  };
  const InterfaceTexts texts = InitTexts(0, true);
  // The one-letter folders of the table as the Windows paths a list holds
  // ("00A*" is "00C:\A*"): where there are drives, only those are read.
  auto on_c = [](const wchar_t* text) {
    std::wstring out;
    TextList pieces;
    SplitText(text, L"|", &pieces, true);
    for (std::wstring piece : pieces) {
      if (piece.size() > 3 && piece[3] == L'*') piece.insert(2, L"C:\\");
      out += piece + L"|";
    }
    return out;
  };
  auto parse = [&](const wchar_t* text) { return ParseSavedTerminals(on_c(text), texts); };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(EncodeSavedList(MergeSavedTerminals(parse(c.base), parse(c.seen), parse(c.ours),
                                                     parse(c.theirs))),
              on_c(c.merged));
  }
}

TEST_F(TerminalListTest, SharedListMergesWithCommandLineRunsAndAnotherWindow) {
  for (auto* folder : {L"C:\\MT4 A", L"C:\\MT4 B", L"C:\\MT4 C"}) machine_.MakeTerminal(folder);
  Save(L"00C:\\MT4 A*|00C:\\MT4 B*|");
  SharedTerminalList window, second;
  test::FakeView second_view;
  window.Restore(view_);
  second.Restore(second_view);

  // A command-line run adds C and installs into B while both windows are open.
  test::FakeView cli;
  RestoreTerminalList(cli);
  AddTerminalFolder(cli, L"C:\\MT4 C");
  cli.SetCellText(1, kColumnType, cli.Text(TextKey::TypeProvider));
  cli.SetCellText(1, kColumnState, L"done");
  SaveTerminalList(cli);

  // The window ticked A: its save keeps that and takes in C and B's outcome.
  view_.SetTicked(0, true);
  ASSERT_TRUE(window.Save(view_));
  EXPECT_EQ(Saved(), L"01C:\\MT4 B*done|10C:\\MT4 A*|00C:\\MT4 C*|");
  EXPECT_EQ(view_.Folders(), (Strings{L"C:\\MT4 A", L"C:\\MT4 B", L"C:\\MT4 C"}));
  EXPECT_EQ(view_.rows[1].state, L"done");

  // The second window removed A before it took in the first one's tick:
  // its removal, made since its last look, wins; C and B's outcome arrive.
  second_view.DeleteRow(0);
  second.Refresh(second_view);
  EXPECT_EQ(second_view.Folders(), (Strings{L"C:\\MT4 B", L"C:\\MT4 C"}));
  ASSERT_TRUE(second.Save(second_view));
  EXPECT_EQ(Saved(), L"01C:\\MT4 B*done|00C:\\MT4 C*|");
}

TEST_F(TerminalListTest, SharedListWaitsForARunningCommandLineRunWithoutBlocking) {
  machine_.MakeTerminal(L"C:\\MT4 A");
  Save(L"00C:\\MT4 A*|");
  SharedTerminalList window;
  window.Restore(view_);
  view_.SetTicked(0, true);

  DataFolderLock run;  // a command-line run in progress
  ASSERT_EQ(run.Take(GetPathFolder(TheConfig().config_path()), 0), DataFolderLock::Result::kTaken);
  // Left for the next refresh: held, and not said.
  EXPECT_EQ(window.Save(view_, 0).kind(), platform::FailureKind::kHeld);
  EXPECT_TRUE(window.save_pending());
  window.Refresh(view_);  // still held: nothing written
  EXPECT_EQ(Saved(), L"00C:\\MT4 A*|");
  run.Release();
  window.Refresh(view_);
  EXPECT_FALSE(window.save_pending());
  EXPECT_EQ(Saved(), L"10C:\\MT4 A*|");

  // While a command runs, a save writes the merge but leaves the rows alone.
  Save(L"10C:\\MT4 A*|00C:\\MT4 B*|");
  machine_.MakeTerminal(L"C:\\MT4 B");
  view_.running = true;
  view_.SetCellText(0, kColumnState, L"Installing...");
  ASSERT_TRUE(window.Save(view_));
  EXPECT_EQ(Saved(), L"10C:\\MT4 A*Installing...|00C:\\MT4 B*|");
  EXPECT_EQ(view_.Folders(), Strings{L"C:\\MT4 A"});
  view_.running = false;
  view_.SetCellText(0, kColumnState, L"ok");
  ASSERT_TRUE(window.Save(view_));
  EXPECT_EQ(Saved(), L"10C:\\MT4 A*ok|00C:\\MT4 B*|");
  EXPECT_EQ(view_.Folders(), (Strings{L"C:\\MT4 A", L"C:\\MT4 B"}));
}

}  // namespace
}  // namespace copyloom
