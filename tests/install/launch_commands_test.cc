#include "install/launch_commands.h"

#include <gtest/gtest.h>

#include "install/install_commands.h"
#include "install/uninstall.h"
#include "support/fake_view.h"
#include "support/test_machine.h"
#include "terminals/terminal_discovery.h"
#include "terminals/terminal_list.h"

namespace copyloom {
namespace {

using Strings = std::vector<std::wstring>;

class LaunchCommandsTest : public ::testing::Test {
 protected:
  void MakeInstalledTerminal(const std::wstring& folder) {
    machine_.MakeTerminal(folder);
    machine_.WriteFile(folder + L"\\terminal.exe", "MZ");
  }

  test::TestMachine machine_;
  test::FakeView view_;
};

TEST_F(LaunchCommandsTest, SelectedRowIsTheMarkThenTheFirstTick) {
  EXPECT_EQ(SelectedTerminalRow(view_), -1);
  view_.AddRow(L"C:\\A");
  view_.AddRow(L"C:\\B", true);
  view_.AddRow(L"C:\\C", true);
  EXPECT_EQ(SelectedTerminalRow(view_), 1);
  view_.selection_mark = 2;
  EXPECT_EQ(SelectedTerminalRow(view_), 2);
  view_.selection_mark = 0;
  EXPECT_EQ(SelectedTerminalRow(view_), 0);
  // A stale mark past the end is no selection.
  view_.selection_mark = 7;
  EXPECT_EQ(SelectedTerminalRow(view_), 1);
}

TEST_F(LaunchCommandsTest, LaunchStartsTheTickedTerminalWhenNothingIsSelected) {
  MakeInstalledTerminal(L"C:\\T1");
  MakeInstalledTerminal(L"C:\\T2");
  MakeInstalledTerminal(L"C:\\T3");
  view_.AddRow(L"C:\\T1");
  view_.AddRow(L"C:\\T2");
  view_.AddRow(L"C:\\T3", true);
  EXPECT_EQ(LaunchTerminal(view_), CommandRefusal::kNone);
  EXPECT_EQ(view_.opened, Strings{L"C:\\T3\\terminal.exe"});
  EXPECT_TRUE(view_.messages.empty());
}

TEST_F(LaunchCommandsTest, DriveRootGetsNoDoubledSeparator) {
  machine_.WriteFile(L"C:\\terminal.exe", "MZ");
  view_.AddRow(L"C:\\");
  view_.selection_mark = 0;
  LaunchTerminal(view_);
  EXPECT_EQ(view_.opened, Strings{L"C:\\terminal.exe"});
}

TEST_F(LaunchCommandsTest, LaunchReportsAMissingProgram) {
  machine_.MakeTerminal(L"C:\\MT4");  // a terminal folder without terminal.exe
  view_.AddRow(L"C:\\MT4");
  view_.selection_mark = 0;
  EXPECT_EQ(LaunchTerminal(view_), CommandRefusal::kFileMissing);
  EXPECT_TRUE(view_.opened.empty());
  EXPECT_EQ(view_.MessageTexts(), Strings{L"C:\\MT4\\terminal.exe not found!"});
}

TEST_F(LaunchCommandsTest, LaunchAndOpenNeedARow) {
  EXPECT_EQ(LaunchTerminal(view_), CommandRefusal::kNone);  // a prompt, no refusal
  OpenTerminalFolder(view_);
  const std::wstring prompt = view_.Text(TextKey::SelectFolderPrompt);
  EXPECT_EQ(view_.MessageTexts(), (Strings{prompt, prompt}));
  EXPECT_FALSE(view_.messages[0].ok_cancel);
}

// Every command of the window, while a search runs and while another
// command pumps messages: refused with one message, nothing touched. Only
// launch and open say a command (not a search) is running.
TEST_F(LaunchCommandsTest, EveryCommandIsRefusedWhileBusy) {
  // Each command answers true when it said, as a value, that it was refused.
  struct Case {
    const char* name;
    bool (*command)(InstallerView& view);
    bool says_running;
  } cases[] = {
      {"search again", [](InstallerView& v) { return !OnSearchAgain(v); }, false},
      {"add", [](InstallerView& v) { OnAddTerminal(v); return true; }, false},
      {"remove", [](InstallerView& v) { return !OnRemoveTerminals(v); }, false},
      {"install provider",
       [](InstallerView& v) { return OnInstallProvider(v, InstallSession{}).refusal == CommandRefusal::kBusy; },
       false},
      {"install receiver",
       [](InstallerView& v) { return OnInstallReceiver(v, InstallSession{}).refusal == CommandRefusal::kBusy; },
       false},
      {"install experts",
       [](InstallerView& v) { return OnInstallExperts(v, InstallSession{}).refusal == CommandRefusal::kBusy; },
       false},
      {"uninstall", [](InstallerView& v) { return OnUninstall(v).refusal == CommandRefusal::kBusy; }, false},
      {"launch", [](InstallerView& v) { return LaunchTerminal(v) == CommandRefusal::kBusy; }, true},
      {"open folder", [](InstallerView& v) { OpenTerminalFolder(v); return true; }, true},
  };

  MakeInstalledTerminal(L"C:\\MT4");
  machine_.MakeTerminal(L"C:\\MT4 New");
  const auto files = machine_.Files();
  for (const bool searching : {true, false}) {
    for (const auto& c : cases) {
      test::FakeView view;
      view.AddRow(L"C:\\MT4", true, L"Provider", L"Completed");
      view.selection_mark = 0;
      view.picked_folders = {L"C:\\MT4 New\\"};
      view.searching = searching;
      view.running = !searching;
      EXPECT_TRUE(c.command(view));
      const TextKey said =
          c.says_running && !searching ? TextKey::CommandRunningText : TextKey::BusyText;
      SCOPED_TRACE(std::string(c.name) + (searching ? " while searching" : " while running"));
      EXPECT_EQ(view.MessageTexts(), Strings{view.Text(said)});
      EXPECT_EQ(view.Folders(), Strings{L"C:\\MT4"});
      EXPECT_EQ(view.rows[0].state, L"Completed");
      EXPECT_TRUE(view.browse_titles.empty() && view.opened.empty());
      EXPECT_EQ(view.searching, searching);
      EXPECT_EQ(machine_.Files(), files);
    }
  }
}

TEST_F(LaunchCommandsTest, OpenFolderPassesEvenAVanishedFolderToTheShell) {
  machine_.MakeTerminal(L"C:\\MT4");
  view_.AddRow(L"C:\\MT4");
  view_.AddRow(L"D:\\Gone\\MT4");
  view_.selection_mark = 1;
  OpenTerminalFolder(view_);
  view_.selection_mark = 0;
  OpenTerminalFolder(view_);
  EXPECT_EQ(view_.opened, (Strings{L"D:\\Gone\\MT4", L"C:\\MT4"}));
  EXPECT_TRUE(view_.messages.empty());
}

TEST_F(LaunchCommandsTest, DoubleClickLaunchesOrOpensByCheckBox1086) {
  MakeInstalledTerminal(L"C:\\MT4");
  view_.AddRow(L"C:\\MT4");
  view_.AddRow(L"D:\\Gone");

  // No selection mark: nothing at all, even with a ticked row.
  view_.rows[0].ticked = true;
  OnListDoubleClick(view_);
  EXPECT_TRUE(view_.opened.empty());
  EXPECT_TRUE(view_.messages.empty());

  view_.selection_mark = 0;
  view_.click_to_launch = true;
  OnListDoubleClick(view_);
  view_.click_to_launch = false;
  OnListDoubleClick(view_);
  EXPECT_EQ(view_.opened, (Strings{L"C:\\MT4\\terminal.exe", L"C:\\MT4"}));

  view_.selection_mark = 1;
  OnListDoubleClick(view_);
  view_.click_to_launch = true;
  OnListDoubleClick(view_);
  EXPECT_EQ(view_.MessageTexts(),
            (Strings{L"D:\\Gone not found!", L"D:\\Gone\\terminal.exe not found!"}));
  EXPECT_EQ(view_.opened.size(), 2u);
}

TEST_F(LaunchCommandsTest, DoubleClickDoesNotWaitForTheSearch) {
  MakeInstalledTerminal(L"C:\\MT4");
  view_.AddRow(L"C:\\MT4");
  view_.selection_mark = 0;
  view_.searching = true;
  OnListDoubleClick(view_);
  EXPECT_EQ(view_.opened, Strings{L"C:\\MT4\\terminal.exe"});
}

}  // namespace
}  // namespace copyloom
