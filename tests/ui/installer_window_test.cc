// The installer window, run for real under Wine and driven as a user would.
#include <gtest/gtest.h>

#include <memory>

#include "app/edition.h"
#include "app/process_objects.h"
#include "app/product_profile.h"
#include "support/fake_view.h"
#include "support/test_machine.h"
#include "terminals/terminal_list.h"
#include "ui/resource.h"
#include "ui/web_browser.h"
#include "ui/window_driver.h"

namespace copyloom {
namespace {

using Strings = std::vector<std::wstring>;

class InstallerWindowTest : public ::testing::Test {
 protected:
  // A machine whose setup program is C:\Setup\<program>, in an edition.
  void Start(const std::wstring& program = L"Setup Signal Provider.exe",
             const std::wstring& application_key = kCopierKey) {
    machine_.reset();  // its end resets the platform: before the next one starts
    machine_ = std::make_unique<test::TestMachine>(program);
    ProfileOptions options;
    options.application_key = application_key;
    InitProductProfile(options);
    BindInstallerSettings();
    window_ = std::make_unique<test::TestWindow>();
    driver_ = std::make_unique<test::WindowDriver>(*window_);
  }
  // Terminals saved as the list, so that the window opens without a search.
  void ListTerminals(const Strings& folders) {
    std::wstring saved;
    for (const auto& folder : folders) {
      machine_->MakeTerminal(folder);
      saved += L"00" + folder + L"*|";
    }
    Store(kKeyPath, saved);
  }
  void Store(const wchar_t* key, const std::wstring& value) {
    TheConfig().SetConfigValue(key, value);
  }
  std::wstring Stored(const wchar_t* key) { return TheConfig().GetConfigValue(key); }
  INT_PTR Run(const std::function<void()>& script = {}) { return driver_->Run(script); }
  std::wstring Text(TextKey key) { return window_->Text(key); }
  // What a command-line run does to the list: restore, change, save.
  void CommandLineRun(const std::function<void(test::FakeView&)>& change) {
    test::FakeView cli;
    RestoreTerminalList(cli);
    change(cli);
    SaveTerminalList(cli);
  }
  Strings Column(int column) {
    Strings out;
    for (int i = 0; i < window_->RowCount(); ++i) out.push_back(window_->CellText(i, column));
    return out;
  }

  std::unique_ptr<test::TestMachine> machine_;
  std::unique_ptr<test::TestWindow> window_;
  std::unique_ptr<test::WindowDriver> driver_;
};

TEST_F(InstallerWindowTest, TheProgramNameChoosesTheSideAndItsButtons) {
  struct Case {
    const wchar_t* program;
    int side;
  };
  // The words count case-sensitively; Receiver wins over Provider.
  const Case cases[] = {
      {L"Setup Signal Provider.exe", 1}, {L"Setup Signal Receiver.exe", 2},
      {L"Provider to Receiver.exe", 2},  {L"Setup signal provider.exe", 0},
      {L"CopyloomSetup.exe", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.program);
    Start(c.program);
    Run([&] {
      test::WindowDriver& d = *driver_;
      EXPECT_EQ(window_->side(), c.side);
      EXPECT_EQ(d.Caption(0), TheProfile().title_text);
      EXPECT_EQ(d.Caption(IDC_TERMINALS_LABEL), Text(TextKey::TerminalsLabel) + L":");
      EXPECT_EQ(d.Visible(IDC_INSTALL_PROVIDER), c.side != 2);
      EXPECT_EQ(d.Visible(IDC_INSTALL_RECEIVER), c.side != 1);
      EXPECT_EQ(d.Visible(IDC_HELP_BUTTON), c.side != 2);
      EXPECT_EQ(d.Visible(IDC_CONTACT), c.side != 2);
      EXPECT_FALSE(d.Visible(IDC_WEB_PANEL));
      // Uninstall follows the visible install buttons, all on one row.
      const int place_of_provider = d.DialogX(7), place_of_receiver = d.DialogX(98);
      const int uninstall = d.ClientRect(IDC_UNINSTALL).left;
      if (c.side == 0) {
        EXPECT_EQ(uninstall, d.DialogX(189));
      } else if (c.side == 1) {
        EXPECT_EQ(uninstall, place_of_receiver);
      } else {
        EXPECT_EQ(d.ClientRect(IDC_INSTALL_RECEIVER).left, place_of_provider);
        EXPECT_EQ(uninstall, place_of_receiver);
      }
      EXPECT_EQ(d.ClientRect(IDC_UNINSTALL).top, d.ClientRect(IDC_EXIT).top);
    });
  }
}

TEST_F(InstallerWindowTest, TheExpertAdvisorEditionShowsTheWebPanelAndHidesTheCopierParts) {
  Start(L"Setup Signal Receiver.exe", kExpertAdvisorKey);
  Run([&] {
    test::WindowDriver& d = *driver_;
    EXPECT_EQ(window_->side(), 1);
    EXPECT_TRUE(d.Visible(IDC_WEB_PANEL));
    EXPECT_FALSE(d.Visible(IDC_HELP_BUTTON));
    EXPECT_FALSE(d.Visible(IDC_CONTACT));
    EXPECT_FALSE(d.Visible(IDC_LOAD_EA_AUTO));
    EXPECT_EQ(d.Caption(IDC_INSTALL_PROVIDER), L"Install");
    // The panel sits below the buttons, as wide as the list.
    EXPECT_EQ(d.ClientRect(IDC_WEB_PANEL).top, d.ClientRect(IDC_EXIT).bottom + 10);
    EXPECT_EQ(d.ClientRect(IDC_WEB_PANEL).right, d.ClientRect(IDC_TERMINAL_LIST).right);
    EXPECT_EQ(d.WindowSize().cx, ui::kMinWindowWidth);  // 700 is below the floor
    EXPECT_TRUE(d.boxes.empty());                       // no prompt for a missing web engine
  });
}

TEST_F(InstallerWindowTest, CheckBoxesAreStoredAndRestored) {
  Start();
  Store(kKeyClickToLaunch, L"0");
  Run([&] {
    EXPECT_FALSE(window_->IsChecked(kCheckClickToLaunch));
    EXPECT_TRUE(window_->IsChecked(kCheckLoadEaAuto));
    driver_->Click(IDC_CLICK_TO_LAUNCH);
    driver_->Click(IDC_LOAD_EA_AUTO);
    EXPECT_EQ(Stored(kKeyClickToLaunch), L"");
    EXPECT_EQ(Stored(kKeyLoadEaAuto), L"0");
  });
  Run([&] {
    EXPECT_TRUE(window_->IsChecked(kCheckClickToLaunch));
    EXPECT_FALSE(window_->IsChecked(kCheckLoadEaAuto));
  });
}

TEST_F(InstallerWindowTest, SizesFollowTheFloorTheMinimiseRuleAndAreSavedOnlyAfterOpening) {
  Start();
  ListTerminals({L"C:\\MT4 A"});
  Store(kKeyWidth, L"600");
  Store(kKeyHeight, L"250");
  Run([&] {
    test::WindowDriver& d = *driver_;
    // Opening snapped the stored size up without storing the interim one.
    EXPECT_EQ(d.WindowSize().cx, 720);
    EXPECT_EQ(d.WindowSize().cy, 300);
    EXPECT_EQ(Stored(kKeyWidth), L"600");
    // Centred on the work area.
    RECT work, window;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(d.hwnd(), &window);
    EXPECT_NEAR(window.left + window.right, work.left + work.right, 2);
    EXPECT_NEAR(window.top + window.bottom, work.top + work.bottom, 2);

    d.Resize(1000, 450);
    // Sizes now kept at 96 DPI, which is this screen's: the same numbers.
    EXPECT_EQ(Stored(kKeyWidth), L"1000");
    EXPECT_EQ(Stored(kKeyHeight), L"450");
    EXPECT_EQ(Stored(ui::kKeySizeAt96Dpi), L"1");
    const RECT list = d.ClientRect(IDC_TERMINAL_LIST);
    EXPECT_EQ(list.right - list.left, 970);
    EXPECT_EQ(list.bottom - list.top, 450 - 145);
    EXPECT_EQ(d.ClientRect(IDC_EXIT).left,
              1000 - (d.ClientRect(IDC_EXIT).right - d.ClientRect(IDC_EXIT).left) - 20);
    EXPECT_EQ(d.ClientRect(IDC_SELECT_ALL).top, 450 - 145 + 45);

    d.Resize(500, 200);
    EXPECT_EQ(d.WindowSize().cx, 720);
    EXPECT_EQ(d.WindowSize().cy, 300);
    EXPECT_EQ(Stored(kKeyWidth), L"720");

    // Restoring after a minimise does not lay out; the next resize does.
    ShowWindow(d.hwnd(), SW_MINIMIZE);
    SetWindowPos(d.Item(IDC_TERMINAL_LIST), nullptr, 0, 0, 100, 100, SWP_NOMOVE | SWP_NOZORDER);
    ShowWindow(d.hwnd(), SW_RESTORE);
    d.Pump();
    EXPECT_EQ(d.ClientRect(IDC_TERMINAL_LIST).right - d.ClientRect(IDC_TERMINAL_LIST).left, 100);
    d.Resize(800, 400);
    EXPECT_EQ(d.ClientRect(IDC_TERMINAL_LIST).right - d.ClientRect(IDC_TERMINAL_LIST).left, 770);
  });
}

TEST_F(InstallerWindowTest, SizesAreStoredAt96DpiAndScaledOnReading) {
  Start();
  ListTerminals({L"C:\\MT4 A"});
  // Saved before sizes were kept at 96 DPI: taken as the pixels they are.
  Store(kKeyWidth, L"1000");
  Store(kKeyHeight, L"450");
  window_->dpi = 120;
  Run([&] {
    EXPECT_EQ(driver_->WindowSize().cx, 1000);
    EXPECT_EQ(driver_->WindowSize().cy, 450);
    driver_->Resize(1100, 500);
  });
  EXPECT_EQ(Stored(kKeyWidth), L"880");
  EXPECT_EQ(Stored(kKeyHeight), L"400");
  EXPECT_EQ(Stored(ui::kKeySizeAt96Dpi), L"1");
  Run([&] {
    EXPECT_EQ(driver_->WindowSize().cx, 1100);
    EXPECT_EQ(driver_->WindowSize().cy, 500);
  });
}

TEST_F(InstallerWindowTest, AFailedDeploymentShowsItsTextAndClosesTheWindow) {
  Start();
  // Two tag files: the kit is inconsistent.
  machine_->WriteFile(L"C:\\Setup\\vlcpy.sin", "settings");
  machine_->WriteFile(L"C:\\Setup\\vlcpy1.tag", "");
  machine_->WriteFile(L"C:\\Setup\\vlcpy2.tag", "");
  EXPECT_EQ(Run([] {}), IDOK);
  EXPECT_FALSE(driver_->script_ran());
  EXPECT_EQ(driver_->boxes, Strings{L"CFGERROR"});
  EXPECT_EQ(Stored(kKeyPath), L"");
}

TEST_F(InstallerWindowTest, CommandsClickedDuringASearchAreRefused) {
  Start();
  machine_->MakeTerminal(L"C:\\MT4 A");
  machine_->MakeTerminal(L"D:\\MT4 B");
  // No saved list: the window searches by itself once it is open.
  Run([&] {
    test::WindowDriver& d = *driver_;
    ASSERT_TRUE(d.WaitUntil([&] { return window_->RowCount() == 2; }));
    EXPECT_TRUE(d.boxes.empty());  // the automatic search reports nothing
    const int refused[] = {IDC_ADD,    IDC_REMOVE,      IDC_INSTALL_PROVIDER, IDC_UNINSTALL,
                           IDC_LAUNCH, IDC_OPEN_FOLDER, IDC_SEARCH_AGAIN};
    for (int id : refused) d.PostClick(id);
    d.Click(IDC_SEARCH_AGAIN);
    Strings expected(std::size(refused), Text(TextKey::BusyText));
    expected.push_back(Text(TextKey::DoneText));
    EXPECT_EQ(d.boxes, expected);
    EXPECT_EQ(Column(kColumnFolder), (Strings{L"C:\\MT4 A", L"D:\\MT4 B"}));
    EXPECT_TRUE(d.Visible(IDC_TERMINAL_LIST));
    EXPECT_FALSE(d.Visible(IDC_BUSY_LABEL));
  });
  EXPECT_NE(Stored(kKeyPath).find(L"D:\\MT4 B"), std::wstring::npos);
}

TEST_F(InstallerWindowTest, InstallAndUninstallThroughTheButtons) {
  Start(L"Setup Signal Provider.exe");
  // The package beside the program, which names its side.
  const std::wstring expert = L"C:\\Setup\\experts\\_Velmora Signal Provider.ex4";
  machine_->WriteFile(expert, "EX4 provider CopyloomSignedEA");
  machine_->WriteFile(L"C:\\Setup\\experts\\libraries\\vlcpy.dll", "MZ library");
  ListTerminals({L"C:\\MT4 A", L"C:\\MT4 B"});
  const std::wstring installed = L"C:\\MT4 B\\experts\\_Velmora Signal Provider.ex4";

  const INT_PTR closed = Run([&] {
    test::WindowDriver& d = *driver_;
    d.TickRow(1);
    ASSERT_TRUE(window_->IsTicked(1));
    d.Click(IDC_INSTALL_PROVIDER);
    // The kit is not signed: the window says so first.
    EXPECT_EQ(d.boxes, (Strings{Text(TextKey::KitUnsigned), Text(TextKey::DoneText)}));
    EXPECT_EQ(Column(kColumnType), (Strings{L"", Text(TextKey::TypeProvider)}));
    EXPECT_EQ(Column(kColumnState), (Strings{L"", Text(TextKey::InstallCompleted)}));
    EXPECT_FALSE(window_->IsTicked(1));
    EXPECT_TRUE(machine_->Exists(installed));

    d.Click(IDC_SELECT_ALL);
    EXPECT_TRUE(window_->IsTicked(0) && window_->IsTicked(1));
    d.TickRow(0);
    d.Click(IDC_UNINSTALL);
    EXPECT_FALSE(machine_->Exists(installed));
    EXPECT_EQ(Column(kColumnState), (Strings{L"", Text(TextKey::UninstallCompleted)}));
    d.Click(IDC_INVERSE);
    EXPECT_TRUE(window_->IsTicked(0));
    d.CloseBox();  // the close box saves as Exit does
  });
  EXPECT_EQ(closed, IDCANCEL);
  EXPECT_EQ(Stored(kKeyPath), L"10C:\\MT4 A*|00C:\\MT4 B*Uninstall completed|");
}

TEST_F(InstallerWindowTest, EnterClosesWithoutSavingTheListEscapeSavesItAsExitDoes) {
  struct Case {
    int key;
    INT_PTR closed;
    const wchar_t* saved;
  };
  for (const Case& c :
       {Case{VK_RETURN, IDOK, L"00C:\\MT4 A*|"}, Case{VK_ESCAPE, IDCANCEL, L"10C:\\MT4 A*|"}}) {
    Start();
    ListTerminals({L"C:\\MT4 A"});
    const INT_PTR closed = Run([&] {
      driver_->Click(IDC_SELECT_ALL);
      SetFocus(driver_->Item(IDC_TERMINAL_LIST));
      driver_->PressKey(c.key);
    });
    EXPECT_EQ(closed, c.closed);
    EXPECT_EQ(Stored(kKeyPath), c.saved);
  }
}

TEST_F(InstallerWindowTest, LaunchOpenFolderDoubleClickHelpContactAndAdd) {
  Start();
  ListTerminals({L"C:\\MT4 A", L"C:\\MT4 B"});
  machine_->WriteFile(L"C:\\MT4 B\\terminal.exe", "MZ");
  Run([&] {
    test::WindowDriver& d = *driver_;
    d.Click(IDC_LAUNCH);  // nothing chosen
    d.ClickRow(1);
    EXPECT_EQ(window_->SelectionMark(), 1);
    d.Click(IDC_LAUNCH);
    d.Click(IDC_OPEN_FOLDER);
    d.Click(IDC_CLICK_TO_LAUNCH);  // double-click now opens the folder
    d.DoubleClickRow(0);
    d.Click(IDC_HELP_BUTTON);
    // Under Wine the desktop's browser, through winebrowser.
    EXPECT_EQ(window_->shell, (Strings{L"C:\\MT4 B\\terminal.exe", L"C:\\MT4 B", L"C:\\MT4 A",
                                       L"winebrowser " + TheProfile().help_page_address}));
    EXPECT_EQ(d.boxes, Strings{Text(TextKey::SelectFolderPrompt)});
    d.Click(IDC_CONTACT);  // the about box, closed with OK, centred on the window
    EXPECT_EQ(d.boxes.size(), 2u);
    RECT window, about = d.box_places.back();
    GetWindowRect(d.hwnd(), &window);
    EXPECT_NEAR(about.left + about.right, window.left + window.right, 2);
    EXPECT_NEAR(about.top + about.bottom, window.top + window.bottom, 2);

    machine_->MakeTerminal(L"C:\\MT4 C");
    window_->picked_folders = {L"C:\\MT4 C\\"};
    d.Click(IDC_ADD);
    EXPECT_EQ(Column(kColumnFolder), (Strings{L"C:\\MT4 A", L"C:\\MT4 B", L"C:\\MT4 C"}));
  });
  EXPECT_EQ(Stored(kKeyPath), L"00C:\\MT4 A*|00C:\\MT4 B*|00C:\\MT4 C*|");
}

}  // namespace
}  // namespace copyloom

namespace copyloom {
namespace {

TEST_F(InstallerWindowTest, CommandLineRunsBesideTheWindowLoseNothing) {
  Start();
  ListTerminals({L"C:\\MT4 A", L"C:\\MT4 B"});
  machine_->MakeTerminal(L"C:\\MT4 C");
  const INT_PTR closed = Run([&] {
    test::WindowDriver& d = *driver_;
    d.TickRow(0);
    // Run while the window is open: adds C, records an outcome on B.
    CommandLineRun([](test::FakeView& cli) {
      AddTerminalFolder(cli, L"C:\\MT4 C");
      cli.SetCellText(1, kColumnState, L"elsewhere");
    });
    // The window takes the run's rows in by itself, its tick kept.
    ASSERT_TRUE(d.WaitUntil([&] { return window_->RowCount() == 3; }));
    EXPECT_EQ(Column(kColumnState), (Strings{L"", L"elsewhere", L""}));
    EXPECT_TRUE(window_->IsTicked(0));
    // A later run changes B again and removes C; the window's Remove of A
    // and both of the run's changes survive Exit.
    CommandLineRun([](test::FakeView& cli) {
      cli.SetCellText(1, kColumnState, L"later");
      cli.DeleteRow(2);
    });
    d.Click(IDC_REMOVE);
  });
  EXPECT_EQ(closed, IDCANCEL);
  EXPECT_EQ(Stored(kKeyPath), L"00C:\\MT4 B*later|");
}

TEST_F(InstallerWindowTest, ExitDuringAnInstallSavesEveryRowsOutcomeLaunchSaysWhyItWaits) {
  Start(L"Setup Signal Provider.exe");
  machine_->WriteFile(L"C:\\Setup\\experts\\_Velmora Signal Provider.ex4",
                      "EX4 provider CopyloomSignedEA");
  machine_->WriteFile(L"C:\\Setup\\experts\\libraries\\vlcpy.dll", "MZ library");
  ListTerminals({L"C:\\MT4 A", L"C:\\MT4 B"});
  for (const bool exit : {false, true}) {
    Store(kKeyPath, L"00C:\\MT4 A*|00C:\\MT4 B*|");
    Run([&] {
      test::WindowDriver& d = *driver_;
      d.Click(IDC_SELECT_ALL);
      // Taken by the install's first look at the queue.
      if (exit) d.CloseBox();
      if (!exit) d.PostClick(IDC_LAUNCH);
      d.Click(IDC_INSTALL_PROVIDER);
    });
    if (!exit) EXPECT_EQ(driver_->boxes.front(), Text(TextKey::CommandRunningText));
    const std::wstring done = Text(TextKey::InstallCompleted);
    EXPECT_EQ(Stored(kKeyPath), L"01C:\\MT4 A*" + done + L"|01C:\\MT4 B*" + done + L"|");
  }
}

}  // namespace
}  // namespace copyloom
