#include "install/launch_commands.h"

#include <gtest/gtest.h>

#include "support/fake_view.h"
#include "support/test_machine.h"

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

TEST_F(LaunchCommandsTest, LaunchAndOpenNeedARowAndAnIdleWindow) {
  EXPECT_EQ(LaunchTerminal(view_), CommandRefusal::kNone);  // a prompt, no refusal
  OpenTerminalFolder(view_);
  const std::wstring prompt = view_.Text(TextKey::SelectFolderPrompt);
  EXPECT_EQ(view_.MessageTexts(), (Strings{prompt, prompt}));
  EXPECT_FALSE(view_.messages[0].ok_cancel);

  MakeInstalledTerminal(L"C:\\MT4");
  view_.AddRow(L"C:\\MT4", true);
  view_.messages.clear();
  view_.searching = true;
  LaunchTerminal(view_);
  OpenTerminalFolder(view_);
  view_.searching = false;
  view_.running = true;  // an install pumping messages
  EXPECT_EQ(LaunchTerminal(view_), CommandRefusal::kBusy);
  OpenTerminalFolder(view_);
  // An install is no search: its refusal says a command still runs.
  const std::wstring busy = view_.Text(TextKey::BusyText);
  const std::wstring running = view_.Text(TextKey::CommandRunningText);
  EXPECT_EQ(view_.MessageTexts(), (Strings{busy, busy, running, running}));
  EXPECT_TRUE(view_.opened.empty());
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
