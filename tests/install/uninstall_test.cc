#include "install/uninstall.h"

#include <gtest/gtest.h>

#include "install/install_commands.h"
#include "platform/platform.h"
#include "platform/testing.h"
#include "support/test_files.h"
#include "support/fake_view.h"
#include "support/test_machine.h"
#include "terminals/terminal_discovery.h"
#include "terminals/terminal_list.h"

namespace copyloom {
namespace {

namespace pf = copyloom::platform;
using Strings = std::vector<std::wstring>;

constexpr char kCopierChart[] =
    "<chart>\r\nsymbol=EURUSD\r\nperiod=10080\r\n<expert>\r\nname=_Velmora Signal Provider\r\n"
    "flags=343\r\n</expert>\r\n</chart>";
// A trader's chart with an indicator that happens to share the expert's name.
constexpr char kTraderChart[] =
    "<chart>\r\nsymbol=GBPUSD\r\n<indicator>\r\nname=_Velmora Signal Provider\r\n</indicator>\r\n"
    "<expert>\r\nname=MACD Sample\r\nflags=279\r\n</expert>\r\n</chart>";

class UninstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_.StartProduct();
    // Shipped beside the installer: a template and an expert of the package.
    machine_.WriteFile(L"C:\\Setup\\Signal Provider\\templates\\copier.tpl", "tpl");
    machine_.WriteFile(L"C:\\Setup\\Signal Provider\\experts\\MyProvider_v2.ex4", "ex4");
  }

  // A terminal with the copier and some of the trader's own files.
  void MakeCopierTerminal(const std::wstring& t) {
    machine_.MakeTerminal(t);
    for (const wchar_t* name :
         {L"vlcpy.dll", L"vlcpyw.dll", L"vlcpy.cfg", L"vlcpyw.cfg", L"traders.dll"}) {
      machine_.WriteFile(t + L"\\experts\\libraries\\" + name, "x");
    }
    machine_.WriteFile(t + L"\\experts\\_Velmora Signal Provider.ex4", "x");
    machine_.WriteFile(t + L"\\experts\\MyProvider_v2.ex4", "x");
    machine_.WriteFile(t + L"\\experts\\MyOwn.ex4", "x");
    machine_.WriteFile(t + L"\\templates\\copier.tpl", "x");
    machine_.WriteFile(t + L"\\templates\\mine.tpl", "x");
    machine_.WriteFile(t + L"\\profiles\\default\\chart00.chr", kCopierChart);
    machine_.WriteFile(t + L"\\config\\experts.ini", "ini");
  }
  bool Has(const std::wstring& path) { return machine_.Exists(path); }

  test::TestMachine machine_;
  test::FakeView view_;
};

TEST_F(UninstallTest, TickedTerminalsLoseTheCopierAndKeepTheTradersFiles) {
  MakeCopierTerminal(L"C:\\MT4 A");
  MakeCopierTerminal(L"D:\\MT4 B");
  MakeCopierTerminal(L"C:\\MT4 C");
  view_.AddRow(L"C:\\MT4 A", true, L"Provider", L"Completed");
  view_.AddRow(L"D:\\MT4 B\\", true, L"Receiver", L"Completed");
  view_.AddRow(L"C:\\MT4 C", false, L"Provider", L"Completed");
  view_.selection_mark = 2;  // a selection is ignored while rows are ticked
  OnUninstall(view_);

  for (const std::wstring t : {L"C:\\MT4 A\\", L"D:\\MT4 B\\"}) {
    SCOPED_TRACE(t);
    for (const wchar_t* gone :
         {L"experts\\libraries\\vlcpy.dll", L"experts\\libraries\\vlcpyw.dll",
          L"experts\\libraries\\vlcpy.cfg", L"experts\\libraries\\vlcpyw.cfg",
          L"experts\\_Velmora Signal Provider.ex4", L"experts\\MyProvider_v2.ex4",
          L"templates\\copier.tpl", L"profiles\\default\\chart00.chr"}) {
      EXPECT_FALSE(Has(t + gone)) << gone;
    }
    for (const wchar_t* kept : {L"experts\\libraries\\traders.dll", L"experts\\MyOwn.ex4",
                                L"templates\\mine.tpl", L"config\\experts.ini"}) {
      EXPECT_TRUE(Has(t + kept)) << kept;
    }
    EXPECT_TRUE(Has(t + L"experts\\libraries"));
  }
  EXPECT_EQ(view_.rows[0].type, L"");
  EXPECT_EQ(view_.rows[0].state, L"Uninstall completed");
  EXPECT_EQ(view_.rows[1].state, L"Uninstall completed");
  EXPECT_TRUE(view_.rows[0].ticked);
  // The unticked row is not touched.
  EXPECT_TRUE(Has(L"C:\\MT4 C\\experts\\libraries\\vlcpy.dll"));
  EXPECT_EQ(view_.rows[2].type, L"Provider");
  EXPECT_EQ(view_.rows[2].state, L"Completed");
  EXPECT_TRUE(view_.messages.empty());
  EXPECT_EQ(view_.pumps, 2);
  EXPECT_FALSE(view_.running);
}

TEST_F(UninstallTest, LibrariesAloneEndAsNothingToUninstall) {
  machine_.MakeTerminal(L"C:\\MT4");
  machine_.WriteFile(L"C:\\MT4\\experts\\libraries\\vlcpy.dll", "x");
  view_.AddRow(L"C:\\MT4", false, L"Provider", L"");
  view_.selection_mark = 0;
  OnUninstall(view_);
  EXPECT_FALSE(Has(L"C:\\MT4\\experts\\libraries\\vlcpy.dll"));
  EXPECT_EQ(view_.rows[0].type, L"");
  EXPECT_EQ(view_.rows[0].state, L"Can't find the files need to be uninstalled");
}

TEST_F(UninstallTest, AVanishedTerminalHasNothingToUninstall) {
  view_.AddRow(L"D:\\Gone", true, L"Receiver", L"");
  OnUninstall(view_);
  EXPECT_EQ(view_.rows[0].state, L"Can't find the files need to be uninstalled");
  EXPECT_EQ(view_.rows[0].type, L"");
}

TEST_F(UninstallTest, ALibraryThatCannotBeDeletedFailsTheRowAndRemovesNothing) {
  MakeCopierTerminal(L"C:\\MT4");
  const std::wstring held = L"C:\\MT4\\experts\\libraries\\vlcpyw.dll";
  ASSERT_TRUE(pf::SetReadOnly(held, true));
  view_.AddRow(L"C:\\MT4", true, L"Provider", L"Completed");
  OnUninstall(view_);
  pf::SetReadOnly(held, false);

  // A read-only file is a permission matter, not a running terminal.
  EXPECT_EQ(view_.rows[0].state, L"Failed to uninstall trade copier system#No permission to write " +
                                     pf::HostPath(held) + view_.Text(TextKey::NothingChanged));
  // The summary after the rows: the one failed row's State.
  EXPECT_EQ(view_.MessageTexts(), std::vector<std::wstring>{view_.rows[0].state});
  EXPECT_EQ(view_.rows[0].type, L"Provider");
  EXPECT_TRUE(Has(held));
  // All of it waits for the retry.
  EXPECT_TRUE(Has(L"C:\\MT4\\experts\\libraries\\vlcpy.dll"));
  EXPECT_TRUE(Has(L"C:\\MT4\\experts\\_Velmora Signal Provider.ex4"));
  EXPECT_TRUE(Has(L"C:\\MT4\\templates\\copier.tpl"));
  EXPECT_TRUE(Has(L"C:\\MT4\\profiles\\default\\chart00.chr"));
}

TEST_F(UninstallTest, AnExpertThatCannotBeDeletedFailsTheRow) {
  machine_.MakeTerminal(L"C:\\MT4");
  machine_.WriteFile(L"C:\\MT4\\experts\\_Velmora Signal Provider.ex4", "x");
  machine_.WriteFile(L"C:\\MT4\\templates\\copier.tpl", "x");
  view_.AddRow(L"C:\\MT4", true, L"Receiver", L"");
  // The second file moved aside fails: the first is put back.
  pf::testing::FailNthCall(pf::testing::Op::kReplace, 2);
  OnUninstall(view_);
  EXPECT_EQ(view_.rows[0].state,
            view_.Text(TextKey::UninstallFailed) + view_.Text(TextKey::NothingChanged));
  EXPECT_EQ(view_.rows[0].type, L"Receiver");
  EXPECT_TRUE(Has(L"C:\\MT4\\experts\\_Velmora Signal Provider.ex4"));
  EXPECT_TRUE(Has(L"C:\\MT4\\templates\\copier.tpl"));
}

TEST_F(UninstallTest, NamesComeOnlyFromThePackageFolders) {
  machine_.WriteFile(L"C:\\Setup\\Signal Provider\\experts\\X.EX4", "x");
  machine_.WriteFile(L"C:\\Setup\\Signal Receiver\\experts\\Y.ex4", "y");
  // A kit unpacked into a broad folder: what lies elsewhere is the trader's.
  machine_.WriteFile(L"C:\\Setup\\MyScalper.ex4", "s");
  machine_.WriteFile(L"C:\\Setup\\Downloads\\experts\\Grid.ex4", "g");
  machine_.WriteFile(L"C:\\Setup\\Signal Provider\\old\\experts\\Old.ex4", "o");
  machine_.MakeTerminal(L"C:\\MT4");
  for (const wchar_t* own : {L"X.EX4", L"MyScalper.ex4", L"Grid.ex4", L"Old.ex4"}) {
    machine_.WriteFile(L"C:\\MT4\\experts\\" + std::wstring(own), "x");
  }
  view_.AddRow(L"C:\\MT4", true);
  OnUninstall(view_);
  // Whatever the package folder holds is the kit's, in any letter case.
  EXPECT_FALSE(Has(L"C:\\MT4\\experts\\X.EX4"));
  for (const wchar_t* own : {L"MyScalper.ex4", L"Grid.ex4", L"Old.ex4"}) {
    EXPECT_TRUE(Has(L"C:\\MT4\\experts\\" + std::wstring(own))) << own;
  }
  EXPECT_EQ(view_.rows[0].state, L"Uninstall completed");

  machine_.WriteFile(L"C:\\MT4\\experts\\Y.ex4", "y");
  OnUninstall(view_);
  EXPECT_FALSE(Has(L"C:\\MT4\\experts\\Y.ex4"));
  EXPECT_EQ(view_.rows[0].state, L"Uninstall completed");
}

TEST_F(UninstallTest, EverythingTheInstallPutInLeavesAndTheTradersFilesStay) {
  const std::wstring kit = L"C:\\Setup\\Signal Provider\\";
  machine_.WriteFile(kit + L"experts\\_Velmora Signal Provider.ex4", "ex4");
  machine_.WriteFile(kit + L"experts\\indicators\\Copyloom Monitor.ex4", "ind");
  machine_.WriteFile(kit + L"experts\\libraries\\vlcpy.dll", "dll");
  machine_.WriteFile(kit + L"profiles\\copier.set", "set");
  machine_.WriteFile(kit + L"config\\copier.cfg", "cfg");
  machine_.WriteFile(kit + L"config\\experts.ini", "ini");  // the terminal's own, patched only
  // Junk beside the kit's files is no name of the kit's.
  machine_.WriteFile(kit + L"templates\\desktop.ini", "junk");
  machine_.WriteFile(kit + L"experts\\indicators\\Thumbs.db", "junk");
  // A classic terminal and one with a data folder (MQL4\Indicators).
  machine_.MakeTerminal(L"C:\\MT4");
  const std::wstring data = machine_.MakeDataFolderTerminal(L"C:\\MT4 New");
  const std::wstring classic = L"C:\\MT4\\";
  for (const auto& [term, indicators] :
       {std::pair<std::wstring, std::wstring>{classic, classic + L"experts\\indicators\\"},
        {data, data + L"MQL4\\Indicators\\"}}) {
    machine_.WriteFile(indicators + L"Copyloom Monitor.ex4", "ind");
    machine_.WriteFile(indicators + L"Trader's RSI.ex4", "rsi");
    machine_.WriteFile(indicators + L"Thumbs.db", "trader's");
    machine_.WriteFile(term + L"templates\\desktop.ini", "trader's");
    machine_.WriteFile(term + L"profiles\\copier.set", "set");
    machine_.WriteFile(term + L"config\\copier.cfg", "cfg");
  }
  machine_.WriteFile(classic + L"config\\experts.ini", "trader's ini");
  view_.AddRow(L"C:\\MT4", true);
  view_.AddRow(L"C:\\MT4 New", true);
  OnUninstall(view_);
  for (const auto& [term, indicators] :
       {std::pair<std::wstring, std::wstring>{classic, classic + L"experts\\indicators\\"},
        {data, data + L"MQL4\\Indicators\\"}}) {
    SCOPED_TRACE(term);
    EXPECT_FALSE(Has(indicators + L"Copyloom Monitor.ex4"));
    EXPECT_FALSE(Has(term + L"profiles\\copier.set"));
    EXPECT_FALSE(Has(term + L"config\\copier.cfg"));
    EXPECT_TRUE(Has(indicators + L"Trader's RSI.ex4"));
    EXPECT_TRUE(Has(indicators + L"Thumbs.db"));
    EXPECT_TRUE(Has(term + L"templates\\desktop.ini"));
  }
  EXPECT_TRUE(Has(L"C:\\MT4\\config\\experts.ini"));
  EXPECT_EQ(view_.rows[0].state, L"Uninstall completed");
  EXPECT_EQ(view_.rows[1].state, L"Uninstall completed");
}

TEST_F(UninstallTest, OnlyTheFirstChartAttachingACopierExpertIsDeleted) {
  machine_.MakeTerminal(L"C:\\MT4");
  machine_.WriteFile(L"C:\\MT4\\experts\\MyProvider_v2.ex4", "x");
  // Listed in this order: a (trader's), b (the copier's, under a name that
  // merely ends in chart00.chr), c (the copier's again).
  machine_.WriteFile(L"C:\\MT4\\profiles\\a\\chart00.chr", kTraderChart);
  machine_.WriteFile(L"C:\\MT4\\profiles\\b\\mychart00.chr",
                     "<chart>\n<expert>\nname=myprovider_v2\n</expert>\n</chart>\n");
  machine_.WriteFile(L"C:\\MT4\\profiles\\c\\chart00.chr", kCopierChart);
  view_.AddRow(L"C:\\MT4", true);
  OnUninstall(view_);
  EXPECT_TRUE(Has(L"C:\\MT4\\profiles\\a\\chart00.chr"));
  EXPECT_FALSE(Has(L"C:\\MT4\\profiles\\b\\mychart00.chr"));
  EXPECT_TRUE(Has(L"C:\\MT4\\profiles\\c\\chart00.chr"));

  OnUninstall(view_);
  EXPECT_TRUE(Has(L"C:\\MT4\\profiles\\a\\chart00.chr"));
  EXPECT_FALSE(Has(L"C:\\MT4\\profiles\\c\\chart00.chr"));
}

TEST_F(UninstallTest, ATradersOwnFirstChartIsNeverDeleted) {
  MakeCopierTerminal(L"C:\\MT4");
  machine_.WriteFile(L"C:\\MT4\\profiles\\default\\chart00.chr", kTraderChart);
  view_.AddRow(L"C:\\MT4", true);
  OnUninstall(view_);
  EXPECT_EQ(view_.rows[0].state, L"Uninstall completed");
  EXPECT_EQ(machine_.ReadFile(L"C:\\MT4\\profiles\\default\\chart00.chr"), kTraderChart);
}

TEST_F(UninstallTest, NothingChosenOnlyPrompts) {
  MakeCopierTerminal(L"C:\\MT4");
  view_.AddRow(L"C:\\MT4", false, L"Provider", L"Completed");
  OnUninstall(view_);
  EXPECT_EQ(view_.MessageTexts(), Strings{view_.Text(TextKey::SelectUninstallPrompt)});
  EXPECT_FALSE(view_.messages[0].ok_cancel);
  EXPECT_EQ(view_.rows[0].state, L"Completed");
  EXPECT_TRUE(Has(L"C:\\MT4\\experts\\libraries\\vlcpy.dll"));

  view_.rows.clear();
  view_.messages.clear();
  OnUninstall(view_);
  EXPECT_EQ(view_.MessageTexts(), Strings{view_.Text(TextKey::SelectUninstallPrompt)});
}

TEST_F(UninstallTest, OnlyTheSelectedRowWhenNoneIsTicked) {
  MakeCopierTerminal(L"C:\\MT4 A");
  MakeCopierTerminal(L"C:\\MT4 B");
  view_.AddRow(L"C:\\MT4 A");
  view_.AddRow(L"C:\\MT4 B");
  view_.selection_mark = 1;
  OnUninstall(view_);
  EXPECT_TRUE(Has(L"C:\\MT4 A\\experts\\libraries\\vlcpy.dll"));
  EXPECT_FALSE(Has(L"C:\\MT4 B\\experts\\libraries\\vlcpy.dll"));
  EXPECT_EQ(view_.rows[0].state, L"");
  EXPECT_EQ(view_.rows[1].state, L"Uninstall completed");
}

TEST_F(UninstallTest, CommandsQueuedWhileUninstallingAreRefused) {
  MakeCopierTerminal(L"C:\\MT4 A");
  MakeCopierTerminal(L"C:\\MT4 B");
  machine_.MakeTerminal(L"C:\\MT4 New");
  view_.AddRow(L"C:\\MT4 A", true);
  view_.AddRow(L"C:\\MT4 B", true);
  view_.picked_folders = {L"C:\\MT4 New\\"};
  int pumps = 0;
  view_.on_pump = [&] {
    if (++pumps > 1) return;
    EXPECT_TRUE(view_.IsBusy());
    OnUninstall(view_);
    OnRemoveTerminals(view_);
    OnAddTerminal(view_);
    OnSearchAgain(view_);
    OnInstallReceiver(view_, InstallSession{});
  };
  OnUninstall(view_);

  const std::wstring busy = view_.Text(TextKey::BusyText);
  EXPECT_EQ(view_.MessageTexts(), (Strings{busy, busy, busy, busy, busy}));
  EXPECT_EQ(view_.Folders(), (Strings{L"C:\\MT4 A", L"C:\\MT4 B"}));
  EXPECT_EQ(view_.picked_folders.size(), 1u);
  EXPECT_EQ(view_.rows[0].state, L"Uninstall completed");
  EXPECT_EQ(view_.rows[1].state, L"Uninstall completed");
  EXPECT_FALSE(view_.running);
  EXPECT_FALSE(view_.searching);
}

}  // namespace
}  // namespace copyloom
