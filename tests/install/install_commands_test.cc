#include "install/install_commands.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/builtin_texts.h"
#include "app/language.h"
#include "app/product_profile.h"
#include "install/install_status.h"
#include "install/launch_commands.h"
#include "install/mt_assist.h"
#include "install/running_terminal.h"
#include "install/uninstall.h"
#include "platform/platform.h"
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/posix/path_mapper.h"
#endif
#include "support/fake_view.h"
#include "support/test_machine.h"
#include "terminals/terminal_discovery.h"
#include "terminals/terminal_list.h"

namespace copyloom {
namespace {

namespace pf = copyloom::platform;
using Strings = std::vector<std::wstring>;

constexpr wchar_t kProviderRoot[] = L"C:\\Setup\\Signal Provider\\";
constexpr wchar_t kReceiverRoot[] = L"C:\\Setup\\Signal Receiver\\";

// A compiled expert as the packages carry it.
std::string Signed(const std::string& body) { return "EX4 " + body + " CopyloomSignedEA"; }

// The messages of a command, less the warning every install from an
// unsigned kit (these tests' kits) gives after its rows (signed_kit_test.cc).
std::vector<std::wstring> Unwarned(const test::FakeView& view) {
  std::vector<std::wstring> texts = view.MessageTexts();
  auto warning = std::find(texts.begin(), texts.end(), view.Text(TextKey::KitUnsigned));
  if (warning != texts.end()) texts.erase(warning);
  return texts;
}

class InstallCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override { StartEdition(L"Copyloom"); }
  void TearDown() override { SetLanguageIndex(kEnglish); }

  void StartEdition(const std::wstring& application_key) {
    machine_.Apply();
    ProfileOptions options;
    options.application_key = application_key;
    InitProductProfile(options);
    BindInstallerSettings();
  }

  void MakePackage(const std::wstring& root, const std::wstring& expert) {
    machine_.WriteFile(root + L"experts\\" + expert, Signed(ToAnsi(expert)));
    machine_.WriteFile(root + L"experts\\libraries\\vlcpy.dll", "MZ library");
    machine_.WriteFile(root + L"experts\\libraries\\readme.txt", "not a library");
  }
  void MakeProviderPackage() { MakePackage(kProviderRoot, L"MyProvider_v2.ex4"); }
  // A terminal whose last profile can take a first chart.
  void MakeTerminalWithProfile(const std::wstring& t) {
    machine_.MakeTerminal(t);
    machine_.WriteFile(t + L"\\profiles\\lastprofile.ini", "default\r\n");
    machine_.WriteFile(t + L"\\profiles\\default\\order.wnd", "EURUSD,H1\r\n");
  }
  bool Has(const std::wstring& path) { return machine_.Exists(path); }
  std::wstring Busy() { return view_.Text(TextKey::BusyText); }

  test::TestMachine machine_;
  test::FakeView view_;
};

TEST_F(InstallCommandsTest, OnlyTheTickedRowsAreInstalledWhenSomeAreTicked) {
  MakeProviderPackage();
  for (const wchar_t* t : {L"C:\\T1", L"C:\\T2", L"D:\\T3"}) machine_.MakeTerminal(t);
  view_.AddRow(L"C:\\T1", true);
  view_.AddRow(L"C:\\T2", false, L"Receiver", L"Completed");
  view_.AddRow(L"D:\\T3", true);
  view_.selection_mark = 1;
  view_.load_ea_auto = false;
  OnInstallProvider(view_, InstallSession{});

  for (const wchar_t* t : {L"C:\\T1\\", L"D:\\T3\\"}) {
    EXPECT_TRUE(Has(t + std::wstring(L"experts\\MyProvider_v2.ex4"))) << t;
    EXPECT_TRUE(Has(t + std::wstring(L"experts\\libraries\\vlcpy.dll"))) << t;
    EXPECT_FALSE(Has(t + std::wstring(L"experts\\libraries\\readme.txt"))) << t;
  }
  EXPECT_FALSE(Has(L"C:\\T2\\experts\\MyProvider_v2.ex4"));
  for (int row : {0, 2}) {
    EXPECT_EQ(view_.rows[row].type, L"Provider");
    EXPECT_EQ(view_.rows[row].state, L"Completed");
    EXPECT_FALSE(view_.rows[row].ticked);
  }
  EXPECT_EQ(view_.rows[1].type, L"Receiver");
  EXPECT_EQ(view_.rows[1].state, L"Completed");
  EXPECT_EQ(Unwarned(view_), Strings{L"Completed"});
  EXPECT_EQ(view_.pumps, 2);
  EXPECT_FALSE(view_.running);
}

TEST_F(InstallCommandsTest, WithoutTicksOnlyTheSelectedRowIsInstalled) {
  MakeProviderPackage();
  for (const wchar_t* t : {L"C:\\T1", L"C:\\T2", L"C:\\T3"}) machine_.MakeTerminal(t);
  view_.AddRow(L"C:\\T1");
  view_.AddRow(L"C:\\T2");
  view_.AddRow(L"C:\\T3");
  view_.selection_mark = 2;
  OnInstallProvider(view_, InstallSession{});
  EXPECT_FALSE(Has(L"C:\\T1\\experts\\MyProvider_v2.ex4"));
  EXPECT_FALSE(Has(L"C:\\T2\\experts\\MyProvider_v2.ex4"));
  EXPECT_TRUE(Has(L"C:\\T3\\experts\\MyProvider_v2.ex4"));
  EXPECT_EQ(view_.rows[2].state, L"Completed");
  EXPECT_EQ(view_.rows[1].state, L"");
  EXPECT_EQ(Unwarned(view_), Strings{L"Completed"});
}

TEST_F(InstallCommandsTest, AnEmptyListOffersTheAddCommand) {
  MakeProviderPackage();
  OnInstallProvider(view_, InstallSession{});  // Cancel
  ASSERT_EQ(view_.messages.size(), 1u);
  EXPECT_EQ(view_.messages[0].text, view_.Text(TextKey::SelectFolderPrompt));
  EXPECT_TRUE(view_.messages[0].ok_cancel);
  EXPECT_TRUE(view_.browse_titles.empty());

  machine_.MakeTerminal(L"C:\\MT4 New");
  view_.ok_cancel_answers = {true};
  view_.picked_folders = {L"C:\\MT4 New\\"};
  OnInstallProvider(view_, InstallSession{});
  EXPECT_EQ(view_.browse_titles.size(), 1u);
  EXPECT_EQ(view_.Folders(), Strings{L"C:\\MT4 New"});
  // Offered, not installed.
  EXPECT_FALSE(Has(L"C:\\MT4 New\\experts\\MyProvider_v2.ex4"));
}

TEST_F(InstallCommandsTest, WithoutThePackageNothingIsOfferedOrTouched) {
  EXPECT_EQ(OnInstallProvider(view_, InstallSession{}).refusal, CommandRefusal::kPackageMissing);
  EXPECT_EQ(Unwarned(view_), Strings{L"Installation file not found!"});
  EXPECT_FALSE(view_.messages[0].ok_cancel);

  // A Receiver package does not serve the Provider button.
  MakePackage(kReceiverRoot, L"MyReceiver.ex4");
  machine_.MakeTerminal(L"C:\\MT4");
  view_.AddRow(L"C:\\MT4", true, L"", L"earlier");
  view_.messages.clear();
  OnInstallProvider(view_, InstallSession{});
  EXPECT_EQ(Unwarned(view_), Strings{L"Installation file not found!"});
  EXPECT_EQ(view_.rows[0].state, L"earlier");
  EXPECT_TRUE(view_.rows[0].ticked);
  EXPECT_EQ(view_.pumps, 0);
}

TEST_F(InstallCommandsTest, RowsButNoChoiceAskForASelection) {
  MakeProviderPackage();
  machine_.MakeTerminal(L"C:\\MT4");
  view_.AddRow(L"C:\\MT4");
  OnInstallProvider(view_, InstallSession{});
  EXPECT_EQ(Unwarned(view_), Strings{view_.Text(TextKey::SelectInstallPrompt)});
  EXPECT_FALSE(view_.messages[0].ok_cancel);
  EXPECT_FALSE(Has(L"C:\\MT4\\experts\\MyProvider_v2.ex4"));
}

TEST_F(InstallCommandsTest, TheFirstListedExpertNamesTheChartOfEveryRow) {
  MakeProviderPackage();
  machine_.WriteFile(std::wstring(kProviderRoot) + L"experts\\Provider_Tools.ex4", Signed("t"));
  machine_.WriteFile(std::wstring(kProviderRoot) + L"experts\\Other.ex4", Signed("o"));
  MakeTerminalWithProfile(L"C:\\T1");
  MakeTerminalWithProfile(L"C:\\T2");
  view_.AddRow(L"C:\\T1", true);
  view_.AddRow(L"C:\\T2", true);
  view_.load_ea_auto = true;
  OnInstallProvider(view_, InstallSession{});

  for (const wchar_t* t : {L"C:\\T1", L"C:\\T2"}) {
    const std::string chart =
        machine_.ReadFile(t + std::wstring(L"\\profiles\\default\\chart00.chr"));
    EXPECT_NE(chart.find("\r\nname=MyProvider_v2\r\n"), std::string::npos) << chart;
    EXPECT_NE(chart.find("symbol=EURUSD"), std::string::npos);
    EXPECT_TRUE(Has(t + std::wstring(L"\\experts\\Provider_Tools.ex4")));
    EXPECT_FALSE(Has(t + std::wstring(L"\\experts\\Other.ex4")));
  }
}

TEST_F(InstallCommandsTest, TheChartIsWrittenOnlyWhenCheckBox1089IsTicked) {
  MakeProviderPackage();
  MakeTerminalWithProfile(L"C:\\MT4");
  view_.AddRow(L"C:\\MT4", true);
  view_.load_ea_auto = false;
  OnInstallProvider(view_, InstallSession{});
  EXPECT_EQ(view_.rows[0].state, L"Completed");
  EXPECT_FALSE(Has(L"C:\\MT4\\profiles\\default\\chart00.chr"));
  EXPECT_EQ(machine_.ReadFile(L"C:\\MT4\\profiles\\default\\order.wnd"), "EURUSD,H1\r\n");
}

TEST_F(InstallCommandsTest, TheSummaryIsTheFirstFailureInListOrder) {
  MakeProviderPackage();
  machine_.MakeTerminal(L"C:\\Good");
  machine_.MakeFolder(L"C:\\NoExperts");
  machine_.MakeTerminal(L"C:\\Held");
  const std::wstring held = L"C:\\Held\\experts\\MyProvider_v2.ex4";
  machine_.WriteFile(held, "an older build");
  ASSERT_TRUE(pf::SetReadOnly(held, true));
  MakeTerminalWithProfile(L"C:\\Good2");
  view_.AddRow(L"C:\\Good", true);
  view_.AddRow(L"C:\\NoExperts", true);
  view_.AddRow(L"C:\\Held", true);
  view_.AddRow(L"C:\\Good2", true);
  OnInstallProvider(view_, InstallSession{});
  pf::SetReadOnly(held, false);

  const std::wstring first = L"Failed#Please select the installation path of MT4!";
  EXPECT_EQ(view_.rows[1].state, first);
  // A read-only file is a permission matter: its own text, naming it.
  EXPECT_EQ(view_.rows[2].state,
            L"Failed#No permission to write " + pf::HostPath(held) +
                L" - Nothing in the terminal was changed");
  // Two rows failed: the summary lists each with its cause.
  ASSERT_EQ(Unwarned(view_).size(), 1u);
  EXPECT_TRUE(StartsWith(Unwarned(view_)[0], L"These terminals failed:\nC:\\NoExperts: Failed "));
  // Failed rows keep their tick for the retry; the rest are done.
  EXPECT_FALSE(view_.rows[0].ticked);
  EXPECT_TRUE(view_.rows[1].ticked);
  EXPECT_TRUE(view_.rows[2].ticked);
  EXPECT_FALSE(view_.rows[3].ticked);
  for (const auto& row : view_.rows) EXPECT_EQ(row.type, L"Provider");
  // The rows after a failure are still installed, charts included.
  EXPECT_EQ(view_.rows[3].state, L"Completed");
  EXPECT_TRUE(Has(L"C:\\Good2\\profiles\\default\\chart00.chr"));
}

TEST_F(InstallCommandsTest, ReceiverRowOfARunningTerminalAsksForARestart) {
  MakePackage(kReceiverRoot, L"MyReceiver.ex4");
  machine_.MakeTerminal(L"C:\\MT4");
  machine_.WriteFile(L"C:\\MT4\\terminal.exe", "MZ terminal");
  test::RunningTerminal running(machine_.root().Join(L"drive_c\\MT4\\terminal.exe"));
  ASSERT_TRUE(running.running());
  view_.AddRow(L"C:\\MT4", true);
  view_.load_ea_auto = false;
  OnInstallReceiver(view_, InstallSession{});
  EXPECT_EQ(view_.rows[0].type, L"Receiver");
  EXPECT_EQ(view_.rows[0].state, L"Completed - {Need to restart MT4}");
  EXPECT_EQ(Unwarned(view_), Strings{L"Completed"});

  // A changed expert replacing the installed one only needs a reload.
  MakePackage(kReceiverRoot, L"MyReceiver.ex4");
  machine_.WriteFile(std::wstring(kReceiverRoot) + L"experts\\MyReceiver.ex4", Signed("v2"));
  view_.rows[0].ticked = true;
  OnInstallReceiver(view_, InstallSession{});
  EXPECT_EQ(view_.rows[0].state, L"Completed - {Need to reload Signal Receiver EA}");
}

// The life of the copier in one terminal of each layout: installed where the
// terminal reads it, left alone when current, reported, opened, removed.
TEST_F(InstallCommandsTest, EveryLayoutGoesThroughInstallStatusAndUninstall) {
  MakeProviderPackage();
  machine_.WriteFile(std::wstring(kProviderRoot) + L"templates\\Provider.tpl", "<chart>");
  const std::wstring fresh = machine_.MakeDataFolderTerminal(L"C:\\Program Files (x86)\\MT4");
  machine_.MakeTerminal(L"D:\\Upgraded");
  const std::wstring upgraded = machine_.MakeDataFolderTerminal(L"D:\\Upgraded");
  machine_.MakePortableTerminal(L"C:\\Portable");
  machine_.MakeTerminal(L"C:\\Classic");
  struct Case {
    std::wstring installation;
    std::wstring receiving;  // the folder that gets config, profiles, templates
    std::wstring experts;    // and the experts, relative to it
    std::wstring libraries;
  } cases[] = {
      {L"C:\\Program Files (x86)\\MT4", fresh, L"MQL4\\Experts\\", L"MQL4\\Libraries\\"},
      {L"D:\\Upgraded", upgraded, L"MQL4\\Experts\\", L"MQL4\\Libraries\\"},
      {L"C:\\Portable", L"C:\\Portable\\", L"MQL4\\Experts\\", L"MQL4\\Libraries\\"},
      {L"C:\\Classic", L"C:\\Classic\\", L"experts\\", L"experts\\libraries\\"},
  };
  const PackageChoice package = ChoosePackage(InstallSession{}, kSideProvider);
  for (const Case& c : cases) {
    SCOPED_TRACE(ToAnsi(c.installation));
    const std::wstring& to = c.receiving;
    machine_.WriteFile(to + L"profiles\\lastprofile.ini", "default\r\n");
    machine_.WriteFile(to + L"profiles\\default\\order.wnd", "EURUSD,H1\r\n");
    machine_.WriteFile(to + L"config\\experts.ini", std::string(256, '\0'));
    EXPECT_EQ(ReadTerminalStatus(c.installation, package).installed, InstalledState::kNone);

    view_.rows.clear();
    view_.AddRow(c.installation, true);
    OnInstallProvider(view_, InstallSession{});
    EXPECT_EQ(view_.rows[0].state, L"Completed");
    EXPECT_TRUE(Has(to + c.experts + L"MyProvider_v2.ex4"));
    EXPECT_TRUE(Has(to + c.libraries + L"vlcpy.dll"));
    EXPECT_TRUE(Has(to + L"templates\\Provider.tpl"));
    EXPECT_TRUE(Has(to + L"profiles\\default\\chart00.chr"));
    EXPECT_EQ(machine_.ReadFile(to + L"config\\experts.ini")[36], '\x01');
    TerminalStatus status = ReadTerminalStatus(c.installation, package);
    EXPECT_EQ(status.installed, InstalledState::kCurrent);
    EXPECT_FALSE(status.running);
    EXPECT_TRUE(SameFolder(status.layout.data_folder, to));

    // Current: a second install rewrites nothing.
    const std::wstring expert = to + c.experts + L"MyProvider_v2.ex4";
    ASSERT_TRUE(pf::SetFileTimeOf(expert, pf::TimeKind::kLastWrite, 132000000000000000));
    view_.rows[0].ticked = true;
    OnInstallProvider(view_, InstallSession{});
    EXPECT_EQ(view_.rows[0].state, L"Completed");
    pf::FileTimes times;
    ASSERT_TRUE(pf::GetFileTimes(expert, &times));
    EXPECT_EQ(times.last_write, 132000000000000000);

    machine_.WriteFile(to + c.libraries + L"vlcpy.dll", "MZ older library");
    status = ReadTerminalStatus(c.installation, package);
    EXPECT_EQ(status.installed, InstalledState::kOutdated);
    EXPECT_EQ(status.differs, Strings{c.libraries + L"vlcpy.dll"});

    view_.selection_mark = 0;
    OpenTerminalFolder(view_);
    EXPECT_TRUE(SameFolder(view_.opened.back(), to));

    view_.rows[0].ticked = true;
    OnUninstall(view_);
    EXPECT_EQ(view_.rows[0].state, L"Uninstall completed");
    EXPECT_FALSE(Has(expert));
    EXPECT_FALSE(Has(to + L"profiles\\default\\chart00.chr"));
    EXPECT_EQ(ReadTerminalStatus(c.installation, package).installed, InstalledState::kNone);
  }
  // The old experts folder of the upgraded terminal got nothing.
  EXPECT_FALSE(Has(L"D:\\Upgraded\\experts\\MyProvider_v2.ex4"));

  test::RunningTerminal running(machine_.root().Join(L"drive_c\\Portable\\terminal.exe"));
  EXPECT_TRUE(ReadTerminalStatus(L"C:\\Portable", package).running);

  // Never started: files put in now might land where it never looks, so its
  // row fails and asks for a first start; the other rows go on.
  machine_.MakeNeverStartedTerminal(L"C:\\Fresh");
  view_.rows.clear();
  view_.AddRow(L"C:\\Fresh", true);
  view_.AddRow(L"C:\\Classic", true);
  OnInstallProvider(view_, InstallSession{});
  EXPECT_EQ(view_.rows[0].state,
            L"Failed#MT4 Terminal never started - {Please start the MT4 Terminal once, then "
            L"install again}");
  EXPECT_EQ(view_.rows[1].state, L"Completed");
  EXPECT_EQ(machine_.Files(L"C:\\Fresh").size(), 1u);  // terminal.exe alone
}

TEST_F(InstallCommandsTest, TheSupportLibraryVersionIsRequiredOfProviderExperts) {
  MakeProviderPackage();  // its expert does not carry "1.4.0.7"
  machine_.MakeTerminal(L"C:\\MT4");
  view_.AddRow(L"C:\\MT4", true);
  OnInstallProvider(view_, InstallSession{kSideNone, L"1.4.0.7"});
  EXPECT_EQ(view_.rows[0].state, L"Failed#Unknown Error");
  EXPECT_EQ(Unwarned(view_), Strings{L"Failed#Unknown Error"});
  EXPECT_FALSE(Has(L"C:\\MT4\\experts\\MyProvider_v2.ex4"));
}

// Each command sets its engine up afresh: a Receiver install checks no
// marker, whether or not a Provider install ran before it in the window.
TEST_F(InstallCommandsTest, AReceiverRunIsTheSameAfterAProviderRun) {
  MakeProviderPackage();
  machine_.WriteFile(std::wstring(kReceiverRoot) + L"experts\\MyReceiver.ex4", "EX4 unsigned");
  machine_.MakeTerminal(L"C:\\MT4");
  view_.AddRow(L"C:\\MT4", true);
  OnInstallReceiver(view_, InstallSession{});
  EXPECT_EQ(view_.rows[0].state, L"Completed");

  view_.rows[0].ticked = true;
  OnInstallProvider(view_, InstallSession{kSideNone, L"1.4.0.7"});
  machine_.WriteFile(std::wstring(kReceiverRoot) + L"experts\\MyReceiver.ex4", "EX4 unsigned 2");
  view_.rows[0].ticked = true;
  OnInstallReceiver(view_, InstallSession{});
  EXPECT_EQ(view_.rows[0].state, L"Completed");
  EXPECT_EQ(machine_.ReadFile(L"C:\\MT4\\experts\\MyReceiver.ex4"), "EX4 unsigned 2");
}

// Command x session -> what its engine is made with.
TEST_F(InstallCommandsTest, EachCommandSetsItsEngineUpFromTheSessionAlone) {
  const std::wstring lib = BuiltInLibraryPattern(), marker = BuiltInMarkerText();
  const std::wstring module = TheProfile().module_name;
  struct Case {
    InstallCommand command;
    InstallSession session;
    std::wstring root, experts, libraries, marker, version;
  } cases[] = {
      {InstallCommand::kProvider, {kSideNone, L"1.4"}, kProviderRoot, L"*Provider*.ex4", lib,
       marker, L"1.4"},
      {InstallCommand::kProvider, {kSideProvider, L"1.4"}, L"C:\\Setup\\", L"*", lib, marker,
       L"1.4"},
      {InstallCommand::kReceiver, {kSideNone, L"1.4"}, kReceiverRoot, L"*Receiver*.ex4", lib, L"",
       L""},
      {InstallCommand::kReceiver, {kSideReceiver, L"1.4"}, L"C:\\Setup\\", L"*", lib, L"", L""},
      {InstallCommand::kExperts, {kSideNone, L"1.4"}, L"C:\\Setup\\", L"*", L"*", module, L""},
  };
  for (const Case& c : cases) {
    const InstallSetup setup = SetUpInstall(c.command, c.session);
    SCOPED_TRACE(setup.package_root);
    EXPECT_EQ(setup.package_root, c.root);
    EXPECT_EQ(setup.engine.expert_pattern, c.experts);
    EXPECT_EQ(setup.engine.library_pattern, c.libraries);
    EXPECT_EQ(setup.engine.marker_text, c.marker);
    EXPECT_EQ(setup.engine.library_version, c.version);
    EXPECT_FALSE(setup.engine.dry_run || setup.engine.kit);
  }
}

TEST_F(InstallCommandsTest, ASideNamedByTheProgramInstallsFromTheProgramFolder) {
  MakeProviderPackage();  // the side folder is not used then
  machine_.WriteFile(L"C:\\Setup\\experts\\Beside.ex4", Signed("beside"));
  machine_.WriteFile(L"C:\\Setup\\experts\\libraries\\vlcpy.dll", "MZ library");
  machine_.MakeTerminal(L"C:\\MT4");
  view_.AddRow(L"C:\\MT4", true);
  OnInstallProvider(view_, InstallSession{kSideProvider, L""});
  EXPECT_EQ(view_.rows[0].state, L"Completed");
  EXPECT_TRUE(Has(L"C:\\MT4\\experts\\Beside.ex4"));
  EXPECT_FALSE(Has(L"C:\\MT4\\experts\\MyProvider_v2.ex4"));
}

TEST_F(InstallCommandsTest, ChineseInterfaceUsesTheChineseSidePackage) {
  SetLanguageIndex(kChinese);
  MakePackage(L"C:\\Setup\\喊单系统\\", L"_Velmora喊单系统.ex4");
  MakeProviderPackage();
  MakeTerminalWithProfile(L"C:\\MT4");
  view_.AddRow(L"C:\\MT4", true);
  OnInstallProvider(view_, InstallSession{});
  EXPECT_TRUE(Has(L"C:\\MT4\\experts\\_Velmora喊单系统.ex4"));
  EXPECT_FALSE(Has(L"C:\\MT4\\experts\\MyProvider_v2.ex4"));
  EXPECT_EQ(view_.rows[0].state, L"Completed");
}

TEST_F(InstallCommandsTest, SideFromTheProgramPath) {
  EXPECT_EQ(DetectInstallSide(L"C:\\Setup\\CopyloomSetup.exe", true), kSideNone);
  EXPECT_EQ(DetectInstallSide(L"C:\\Setup\\Copyloom Provider.exe", true), kSideProvider);
  EXPECT_EQ(DetectInstallSide(L"C:\\Provider\\Copyloom Receiver.exe", true), kSideReceiver);
  EXPECT_EQ(DetectInstallSide(L"C:\\Setup\\安装跟单.exe", true), kSideReceiver);
  EXPECT_EQ(DetectInstallSide(L"C:\\Setup\\安装喊单.exe", true), kSideProvider);
  EXPECT_EQ(DetectInstallSide(L"C:\\Setup\\copyloom provider.exe", true), kSideNone);
  EXPECT_EQ(DetectInstallSide(L"C:\\Setup\\Copyloom Receiver.exe", false), kSideProvider);
}

TEST_F(InstallCommandsTest, TheExpertAdvisorEditionInstallsEverythingBesideTheProgram) {
  StartEdition(L"EXPConfig");
  machine_.WriteFile(L"C:\\Setup\\experts\\Trend.ex4", "EX4 trend vlmexp.dll");
  machine_.WriteFile(L"C:\\Setup\\experts\\Notes.txt", "notes");
  machine_.WriteFile(L"C:\\Setup\\templates\\Trend.tpl", "tpl");
  MakeTerminalWithProfile(L"C:\\MT4");
  machine_.MakeFolder(L"C:\\NoExperts");
  view_.AddRow(L"C:\\NoExperts", true);
  view_.AddRow(L"C:\\MT4", true);
  view_.load_ea_auto = true;
  OnInstallProvider(view_, InstallSession{kSideProvider, L""});

  EXPECT_TRUE(Has(L"C:\\MT4\\experts\\Trend.ex4"));
  EXPECT_TRUE(Has(L"C:\\MT4\\experts\\Notes.txt"));
  EXPECT_TRUE(Has(L"C:\\MT4\\templates\\Trend.tpl"));
  EXPECT_EQ(view_.rows[0].type, L"EA");
  EXPECT_EQ(view_.rows[0].state, L"Failed#Please select the installation path of MT4!");
  EXPECT_EQ(view_.rows[1].type, L"EA");
  EXPECT_EQ(view_.rows[1].state, L"Completed");
  // Ticks stay, no chart is prepared, and a failure still ends with DoneText.
  EXPECT_TRUE(view_.rows[1].ticked);
  EXPECT_FALSE(Has(L"C:\\MT4\\profiles\\default\\chart00.chr"));
  EXPECT_EQ(Unwarned(view_), Strings{L"Completed"});
}

TEST_F(InstallCommandsTest, TheExpertAdvisorEditionChecksItsModuleName) {
  StartEdition(L"EXPConfig");
  machine_.WriteFile(L"C:\\Setup\\experts\\Trend.ex4", "EX4 without the module name");
  machine_.MakeTerminal(L"C:\\MT4");
  view_.AddRow(L"C:\\MT4", true);
  OnInstallProvider(view_, InstallSession{kSideProvider, L""});
  EXPECT_EQ(view_.rows[0].state, L"Failed#Unknown Error");
  EXPECT_EQ(Unwarned(view_), Strings{L"Completed"});

  view_.rows.clear();
  view_.messages.clear();
  OnInstallExperts(view_, InstallSession{});
  EXPECT_EQ(Unwarned(view_), Strings{view_.Text(TextKey::SelectFolderPrompt)});
}

TEST_F(InstallCommandsTest, CommandsQueuedWhileInstallingAreRefused) {
  MakeProviderPackage();
  MakePackage(kReceiverRoot, L"MyReceiver.ex4");
  machine_.MakeTerminal(L"C:\\T1");
  machine_.MakeTerminal(L"C:\\T2");
  machine_.MakeTerminal(L"C:\\MT4 New");
  machine_.WriteFile(L"C:\\T1\\terminal.exe", "MZ");
  view_.AddRow(L"C:\\T1", true);
  view_.AddRow(L"C:\\T2", true);
  view_.picked_folders = {L"C:\\MT4 New\\"};
  view_.load_ea_auto = false;
  int pumps = 0;
  std::vector<bool> refused;  // as each command's value says
  view_.on_pump = [&] {
    if (++pumps > 1) return;
    refused = {OnInstallProvider(view_, InstallSession{}).refused(),
               OnInstallReceiver(view_, InstallSession{}).refused(),
               OnUninstall(view_).refused(),
               !OnRemoveTerminals(view_),
               OnAddTerminal(view_) < 0,
               !OnSearchAgain(view_),
               LaunchTerminal(view_) == CommandRefusal::kBusy};
  };
  EXPECT_FALSE(OnInstallProvider(view_, InstallSession{}).refused());
  EXPECT_EQ(refused, std::vector<bool>(7, true));

  EXPECT_EQ(Unwarned(view_), (Strings{Busy(), Busy(), Busy(), Busy(), Busy(), Busy(),
                                           view_.Text(TextKey::CommandRunningText), L"Completed"}));
  EXPECT_EQ(view_.Folders(), (Strings{L"C:\\T1", L"C:\\T2"}));
  EXPECT_TRUE(view_.opened.empty());
  EXPECT_EQ(view_.picked_folders.size(), 1u);
  EXPECT_FALSE(Has(L"C:\\T1\\experts\\MyReceiver.ex4"));
  EXPECT_TRUE(Has(L"C:\\T1\\experts\\MyProvider_v2.ex4"));
  EXPECT_TRUE(Has(L"C:\\T2\\experts\\MyProvider_v2.ex4"));
  EXPECT_EQ(view_.rows[0].type, L"Provider");
  EXPECT_EQ(view_.rows[1].type, L"Provider");
  EXPECT_FALSE(view_.running);
  // Idle again: the next command runs.
  view_.rows[0].ticked = true;
  OnUninstall(view_);
  EXPECT_EQ(view_.rows[0].state, L"Uninstall completed");
}

#ifndef _WIN32
// Material made by others: files a Windows machine cannot hold, planted in
// a terminal or a kit.
class HostileMaterialTest : public InstallCommandsTest {
 protected:
  std::string Native(const std::wstring& path) {
    std::string native;
    EXPECT_TRUE(pf::posix::MapPath(path, &native));
    return native;
  }
  // kind: "fifo", "zero" (a link to /dev/zero) or a size in bytes (sparse).
  void Plant(const std::wstring& path, const std::string& kind) {
    const std::string native = Native(path);
    unlink(native.c_str());
    if (kind == "fifo") {
      ASSERT_EQ(mkfifo(native.c_str(), 0644), 0);
    } else if (kind == "zero") {
      ASSERT_EQ(symlink("/dev/zero", native.c_str()), 0);
    } else {
      machine_.WriteFile(path, "");
      ASSERT_EQ(truncate(native.c_str(), std::stoll(kind)), 0);
    }
  }
  std::string Kind(const std::wstring& path) {
    struct stat st;
    if (lstat(Native(path).c_str(), &st) != 0) return "missing";
    if (S_ISFIFO(st.st_mode)) return "fifo";
    if (S_ISLNK(st.st_mode)) return "zero";
    return std::to_string(st.st_size);
  }
};

TEST_F(HostileMaterialTest, ATerminalFileThatIsNoPlainFileFailsItsRowByName) {
  struct Case {
    const wchar_t* file;
    std::string kind;
  };
  const Case cases[] = {
      {L"profiles\\default\\order.wnd", "zero"},
      {L"profiles\\default\\order.wnd", std::to_string((16 << 20) + 1)},
      {L"profiles\\lastprofile.ini", "fifo"},
      {L"profiles\\lastprofile.ini", std::to_string((64 << 10) + 1)},
      {L"config\\experts.ini", std::to_string((16 << 20) + 1)},
  };
  MakeProviderPackage();
  int n = 0;
  for (const Case& c : cases) {
    const std::wstring t = L"C:\\T" + std::to_wstring(++n);
    SCOPED_TRACE(t + L" " + c.file);
    MakeTerminalWithProfile(t);
    const std::wstring planted = t + L"\\" + c.file;
    Plant(planted, c.kind);
    view_.AddRow(t, true);
    OnInstallProvider(view_, InstallSession{});
    const std::wstring state = view_.rows.back().state;
    EXPECT_NE(state.find(L"Not a plain file, or too large to read: "), std::wstring::npos) << state;
    EXPECT_NE(state.find(planted), std::wstring::npos) << state;
    EXPECT_EQ(Kind(planted), c.kind);
    EXPECT_FALSE(Has(t + L"\\profiles\\default\\chart00.chr"));
    view_.rows.back().ticked = false;
  }
  // Uninstall reads each chart: one past its cap fails the row by name.
  MakeTerminalWithProfile(L"C:\\U");
  Plant(L"C:\\U\\profiles\\default\\chart00.chr", std::to_string((16 << 20) + 1));
  view_.rows.clear();
  view_.AddRow(L"C:\\U", true);
  OnUninstall(view_);
  EXPECT_NE(view_.rows[0].state.find(L"C:\\U\\profiles\\default\\chart00.chr"), std::wstring::npos)
      << view_.rows[0].state;
}

TEST_F(HostileMaterialTest, KitNamesWindowsCannotHoldAreSkippedAndNothingOutsideIsRead) {
  MakeProviderPackage();
  machine_.WriteFile(L"C:\\outside\\id_key", "secret");
  // One legal Linux name that the Windows-style path rules would walk out of
  // the package with.
  const std::string odd =
      Native(std::wstring(kProviderRoot) + L"templates") + "/..\\..\\..\\outside\\id_key";
  machine_.MakeFolder(std::wstring(kProviderRoot) + L"templates");
  {
    FILE* f = fopen(odd.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
  }
  machine_.MakeTerminal(L"C:\\MT4");
  view_.AddRow(L"C:\\MT4", true);
  OnInstallProvider(view_, InstallSession{});
  EXPECT_EQ(view_.rows[0].state, L"Completed");
  EXPECT_FALSE(Has(L"C:\\MT4\\templates\\id_key"));
  ASSERT_FALSE(Unwarned(view_).empty());
  EXPECT_NE(Unwarned(view_).front().find(L"Skipped a file whose name Windows cannot use"),
            std::wstring::npos);
}

TEST_F(HostileMaterialTest, FoldersTheSavedListCannotHoldAreSkippedWithAMessage) {
  machine_.MakeTerminal(L"C:\\MT4|demo*1");
  machine_.MakeTerminal(L"C:\\MT4");
  SearchTerminals(view_, false);
  ASSERT_EQ(view_.rows.size(), 1u);
  EXPECT_EQ(view_.rows[0].folder, L"C:\\MT4");
  ASSERT_EQ(view_.messages.size(), 1u);
  EXPECT_NE(view_.messages[0].text.find(L"C:\\MT4|demo*1"), std::wstring::npos);

  EXPECT_EQ(AddTerminalFolder(view_, L"C:\\MT4|demo*1"), -1);
  EXPECT_EQ(view_.rows.size(), 1u);
  EXPECT_EQ(
      view_.messages.back().text.rfind(L"Skipped a folder whose name the list cannot hold", 0), 0u);
}
#endif

}  // namespace
}  // namespace copyloom
