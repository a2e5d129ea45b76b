// A running terminal keeps the copier's library loaded and the copier keeps
// its configuration open: while a program holds them they are neither
// replaced nor deleted, by the Windows build (Wine refuses) and by the Linux
// build on the same prefix alike. The holder is a real Windows program.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/language.h"
#include "app/product_profile.h"
#include "app/text_table.h"
#include "foundation/path_util.h"
#include "install/held_file.h"
#include "install/mt_assist.h"
#include "install/row_outcome.h"
#include "install/support_files.h"
#include "install/uninstall.h"
#include "platform/platform.h"
#include "support/fake_view.h"
#include "support/test_machine.h"
#include "terminals/terminal_list.h"
#include "terminals/terminal_layout.h"
#include "terminals/terminal_running.h"

namespace copyloom {
namespace {

namespace pf = platform;

constexpr wchar_t kLibrary[] = L"C:\\MT4\\experts\\libraries\\vlcpy.dll";
constexpr wchar_t kPackage[] = L"C:\\Setup\\Signal Provider\\";

// build/<preset>/tests/<test program> -> build/<preset>/kit/...
std::filesystem::path KitLibrary() {
  return std::filesystem::path(GetPathFolder(GetPathFolder(pf::ProgramPath()))) / L"kit" /
         L"Signal Provider" / L"experts" / L"libraries" / L"vlcpy.dll";
}

class HeldFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HeldFile::available()) {
      GTEST_SKIP() << "no Windows holder: COPYLOOM_HOLD_FILE_EXE (scripts/test-held-files.sh)";
    }
  }
  std::wstring Native(const std::wstring& path) {
    return machine_.root().Join(L"drive_c" + path.substr(2));
  }

  // A held file is the trader's file, said with the engine's own text.
  void ExpectHeld(const pf::Status& cause, const std::wstring& path) {
    EXPECT_EQ(cause.kind(), pf::FailureKind::kHeld) << pf::FailureKindName(cause.kind());
    EXPECT_TRUE(SameFolder(cause.path(), path)) << cause.path();
    EXPECT_EQ(CauseText(cause, InitTexts()), GetMessageText(EngineMessage::kCopyFailed));
  }

  const std::filesystem::path kit_library_ = KitLibrary();
  test::TestMachine machine_;
};

TEST_F(HeldFilesTest, ALoadedLibraryIsNeitherReplacedNorUninstalled) {
  machine_.StartProduct();
  machine_.MakeTerminal(L"C:\\MT4");
  machine_.MakeFolder(L"C:\\MT4\\experts\\libraries");
  std::error_code error;
  std::filesystem::copy_file(kit_library_, Native(kLibrary), error);
  ASSERT_FALSE(error) << "the sample kit is built with the tests: " << error.message();
  const std::string loaded = machine_.ReadFile(kLibrary);
  machine_.WriteFile(std::wstring(kPackage) + L"experts\\_Velmora Signal Provider.ex4", "EX4");
  machine_.WriteFile(std::wstring(kPackage) + L"experts\\libraries\\vlcpy.dll", loaded + "v2");
  EngineSetup setup;
  setup.expert_pattern = L"*Provider*.ex4";
  setup.library_pattern = L"vlcpy*";
  CMTAssist engine(setup);
  test::FakeView view;
  view.AddRow(L"C:\\MT4", true, L"Provider", L"Completed");

  test::HeldFile held(Native(kLibrary));
  ASSERT_TRUE(held.holding());
  EXPECT_TRUE(pf::IsFileInUse(kLibrary));
  EXPECT_FALSE(
      pf::CopyOneFile(std::wstring(kPackage) + L"experts\\libraries\\vlcpy.dll", kLibrary, false));
  EXPECT_FALSE(pf::RemoveOneFile(kLibrary));
  EXPECT_EQ(engine.InstallToTerminal(kPackage, L"C:\\MT4"),
            GetMessageText(EngineMessage::kCopyFailed) + L"#vlcpy.dll");
  ExpectHeld(engine.m_Failure, kLibrary);
  const CommandResult uninstalled = OnUninstall(view);
  const std::wstring failed =
      view.Text(TextKey::UninstallFailed) + view.Text(TextKey::NothingChanged);
  EXPECT_EQ(view.CellText(0, kColumnState), failed);
  ASSERT_EQ(uninstalled.failures.count(L"C:\\MT4"), 1u);
  ExpectHeld(uninstalled.failures.at(L"C:\\MT4"), kLibrary);
  EXPECT_EQ(view.MessageTexts(), std::vector<std::wstring>{failed}) << "the summary: the State";
  EXPECT_TRUE(machine_.ReadFile(kLibrary) == loaded) << "the loaded library changed";

  // Once the terminal has let go, both work.
  held.Release();
  EXPECT_EQ(engine.InstallToTerminal(kPackage, L"C:\\MT4"), L"SUCC");
  EXPECT_TRUE(machine_.ReadFile(kLibrary) == loaded + "v2") << "not replaced";
  view.SetCellText(0, kColumnState, L"");
  OnUninstall(view);
  EXPECT_EQ(view.CellText(0, kColumnState), view.Text(TextKey::UninstallCompleted));
  EXPECT_FALSE(machine_.Exists(kLibrary));
}

// Under Wine a running terminal shows by its log of the day, held without
// sharing.
TEST_F(HeldFilesTest, AHeldLogOfTheDayIsARunningTerminal) {
  machine_.StartProduct();
  machine_.MakeTerminal(L"C:\\MT4");
  machine_.WriteFile(L"C:\\MT4\\logs\\20261209.log", "today");
  const TerminalLayout layout = ResolveTerminalLayout(L"C:\\MT4");
  EXPECT_FALSE(IsTerminalRunning(layout));
  test::HeldFile held(Native(L"C:\\MT4\\logs\\20261209.log"));
  ASSERT_TRUE(held.holding());
  EXPECT_TRUE(IsTerminalRunning(layout));
  held.Release();
  EXPECT_FALSE(IsTerminalRunning(layout));
}

TEST_F(HeldFilesTest, AHeldConfigurationAsksToCloseTheTerminals) {
  constexpr wchar_t kShared[] = L"C:\\users\\trader\\Documents\\Velmora\\cplm\\";
  machine_.WriteFile(std::wstring(kShared) + L"vlcpy.sin", "cfg-1");
  machine_.WriteFile(std::wstring(kShared) + L"vlcpy_1.tag", "1");
  machine_.WriteFile(L"C:\\Setup\\vlcpy.sin", "cfg-2");
  machine_.WriteFile(L"C:\\Setup\\vlcpy_2.tag", "2");
  machine_.Apply();
  InitProductProfile();

  test::HeldFile held(Native(std::wstring(kShared) + L"vlcpy.sin"));
  ASSERT_TRUE(held.holding());
  pf::Status cause;
  EXPECT_EQ(DeploySupportFiles(&cause), L"Please close all mt4 terminals!");
  ExpectHeld(cause, std::wstring(kShared) + L"vlcpy.sin");
  EXPECT_EQ(machine_.ReadFile(std::wstring(kShared) + L"vlcpy.sin"), "cfg-1");
  held.Release();
  EXPECT_EQ(DeploySupportFiles(), L"SUCC");
  EXPECT_EQ(machine_.ReadFile(std::wstring(kShared) + L"vlcpy.sin"), "cfg-2");
}

}  // namespace
}  // namespace copyloom
