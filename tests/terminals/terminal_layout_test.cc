#include "terminals/terminal_layout.h"

#include <gtest/gtest.h>

#include "foundation/path_util.h"
#include "support/fake_view.h"
#include "support/test_machine.h"
#include "terminals/terminal_discovery.h"
#include "terminals/terminal_list.h"

namespace copyloom {
namespace {

using Kind = TerminalLayoutKind;

TEST(TerminalLayoutTest, DataFolderIdFollowsTheTerminalsRule) {
  struct Case {
    const wchar_t* path;
    const wchar_t* id;
  } cases[] = {
      {L"C:\\Program Files (x86)\\MetaTrader 4", L"50CA3DFB510CC5A8F28B48D1BF2A5702"},
      // Letter case, a trailing separator and "/" do not change the folder.
      {L"c:\\program files (x86)\\metatrader 4\\", L"50CA3DFB510CC5A8F28B48D1BF2A5702"},
      {L"C:/Program Files (x86)/MetaTrader 4", L"50CA3DFB510CC5A8F28B48D1BF2A5702"},
      {L"C:\\Users\\Трейдер\\MetaTrader 4", L"6FF80982F2A51CBEED3D67A38E3DB843"},
      {L"D:\\交易\\MetaTrader 4", L"3491B9F374EB5A907792EA6FBD16E349"},
  };
  for (const auto& c : cases) EXPECT_EQ(TerminalDataFolderId(c.path), c.id) << c.path;
}

TEST(TerminalLayoutTest, OriginTextIsReadInEveryEncodingTheTerminalMayLeave) {
  const std::wstring path = L"C:\\Users\\Трейдер\\MT4";
  const std::string marked = test::TestMachine::Utf16LeWithMark(path);
  struct Case {
    std::string bytes;
    std::wstring expected;
  } cases[] = {
      {marked, path},
      {marked.substr(2), path},                                          // no mark
      {test::TestMachine::Utf16LeWithMark(L"C:\\MT4\r\n"), L"C:\\MT4"},  // line end
      {platform::WideToUtf8(path), path},
      {"\xEF\xBB\xBF" + platform::WideToUtf8(path), path},
      {"C:\\MT4", L"C:\\MT4"},  // ASCII of even length is no UTF-16 path
      {"\\\\server\\MT4", L"\\\\server\\MT4"},
      {ToAnsi(L"C:\\Café"), FromAnsi(ToAnsi(L"C:\\Café"))},  // neither UTF-16 nor UTF-8
      // Broken: skipped, never guessed.
      {"", L""},
      {"MT4", L""},
      {"C:\\MT4\r\nD:\\MT4", L""},
      {marked.substr(0, marked.size() - 1), L""},
      {std::string("\xFF\xFE\x00\xD8", 4), L""},  // a lone surrogate
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodeOriginText(c.bytes), c.expected) << platform::WideToUtf8(c.expected);
  }
}

TEST(TerminalLayoutTest, PackageFoldersMapOntoEachLayout) {
  TerminalLayout layout;
  layout.installation = L"C:\\MT4\\";
  layout.data_folder = L"C:\\MT4\\";
  EXPECT_EQ(layout.FolderFor(L"experts\\indicators"), L"C:\\MT4\\experts\\indicators\\");
  EXPECT_EQ(layout.FolderFor(L"config"), L"C:\\MT4\\config\\");

  layout.kind = Kind::kDataFolder;
  layout.data_folder = L"C:\\AppData\\ID\\";
  EXPECT_EQ(layout.FolderFor(L"experts"), L"C:\\AppData\\ID\\MQL4\\Experts\\");
  EXPECT_EQ(layout.FolderFor(L"experts\\indicators"), L"C:\\AppData\\ID\\MQL4\\Indicators\\");
  EXPECT_EQ(layout.FolderFor(L"experts/libraries/"), L"C:\\AppData\\ID\\MQL4\\Libraries\\");
  EXPECT_EQ(layout.FolderFor(L"profiles"), L"C:\\AppData\\ID\\profiles\\");
}

class TerminalLayoutMachineTest : public ::testing::Test {
 protected:
  void SetUp() override { machine_.StartProduct(); }

  std::wstring Root() const { return test::TestMachine::terminal_data_root(); }
  test::TestMachine machine_;
};

TEST_F(TerminalLayoutMachineTest, EachTerminalResolvesToTheFolderItReads) {
  machine_.MakeTerminal(L"C:\\Classic");
  machine_.MakePortableTerminal(L"C:\\Portable");
  const std::wstring fresh = machine_.MakeDataFolderTerminal(L"C:\\Program Files (x86)\\MT4");
  // Upgraded from build 509: the old experts folder stays, unread.
  machine_.MakeTerminal(L"D:\\Upgraded");
  const std::wstring upgraded = machine_.MakeDataFolderTerminal(L"D:\\Upgraded");
  // A data folder made for another spelling of the path: found by the scan.
  const std::string other_origin = test::TestMachine::Utf16LeWithMark(L"c:/other/");
  const std::wstring other = machine_.MakeDataFolderTerminal(
      L"C:\\Other", L"0123456789ABCDEF0123456789ABCDEF", &other_origin);
  // Not a data folder of its own: MT5, or a broken origin.txt.
  machine_.MakeDataFolderTerminal(L"C:\\Five");
  machine_.MakeFolder(Root() + TerminalDataFolderId(L"C:\\Five") + L"\\MQL5");
  const std::string garbage = "\x01\x02garbage";
  machine_.MakeTerminal(L"C:\\Broken");
  machine_.MakeDataFolderTerminal(L"C:\\Broken", L"", &garbage);
  machine_.MakeNeverStartedTerminal(L"C:\\Fresh");
  // MQL4 in the installation and a data folder: the newest log decides.
  constexpr int64_t kDay = 864000000000;
  const std::wstring both[3] = {
      machine_.MakeDataFolderTerminal(L"C:\\Own Logs Newer"),
      machine_.MakeDataFolderTerminal(L"C:\\Data Logs Newer"),
      machine_.MakeDataFolderTerminal(L"C:\\No Logs"),
  };
  for (const wchar_t* name : {L"C:\\Own Logs Newer", L"C:\\Data Logs Newer", L"C:\\No Logs"}) {
    machine_.MakePortableTerminal(name);
  }
  machine_.WriteLog(L"C:\\Own Logs Newer", 133000000000000000 + 2 * kDay);
  machine_.WriteLog(both[0], 133000000000000000 + kDay);
  machine_.WriteLog(both[0], 133000000000000000);
  machine_.WriteLog(L"C:\\Data Logs Newer", 133000000000000000);
  machine_.WriteLog(both[1], 133000000000000000 + kDay);

  struct Case {
    std::wstring installation;
    Kind kind;
    std::wstring data_folder;
    std::wstring unused_folder = L"";
    bool logs_decided = false;
  } cases[] = {
      {L"C:\\Classic", Kind::kClassic, L"C:\\Classic\\"},
      // A native path names the same folder as the one origin.txt names.
      {machine_.root().Join(L"drive_c\\Program Files (x86)\\MT4"), Kind::kDataFolder, fresh},
      {L"C:\\Portable\\", Kind::kPortable, L"C:\\Portable\\"},
      {L"C:\\Program Files (x86)\\MT4", Kind::kDataFolder, fresh},
      {L"D:\\Upgraded", Kind::kDataFolder, upgraded},
      {L"C:\\Other", Kind::kDataFolder, other},
      {L"C:\\Five", Kind::kClassic, L"C:\\Five\\"},
      {L"C:\\Broken", Kind::kClassic, L"C:\\Broken\\"},
      {L"C:\\Fresh", Kind::kNotStarted, L"C:\\Fresh\\"},
      {L"C:\\Own Logs Newer", Kind::kPortable, L"C:\\Own Logs Newer\\", both[0], true},
      {L"C:\\Data Logs Newer", Kind::kDataFolder, both[1], L"C:\\Data Logs Newer\\", true},
      {L"C:\\No Logs", Kind::kDataFolder, both[2], L"C:\\No Logs\\", false},
  };
  for (const auto& c : cases) {
    const TerminalLayout layout = ResolveTerminalLayout(c.installation);
    EXPECT_EQ(layout.kind, c.kind) << ToAnsi(c.installation);
    EXPECT_TRUE(SameFolder(layout.data_folder, c.data_folder)) << ToAnsi(c.installation);
    EXPECT_EQ(layout.unused_folder.empty(), c.unused_folder.empty()) << ToAnsi(c.installation);
    if (!c.unused_folder.empty()) EXPECT_TRUE(SameFolder(layout.unused_folder, c.unused_folder));
    EXPECT_EQ(layout.logs_decided, c.logs_decided) << ToAnsi(c.installation);
  }
  EXPECT_STREQ(LayoutName(Kind::kNotStarted), L"not started");
}

TEST_F(TerminalLayoutMachineTest, DiscoveryListsInstallationsOfDataFoldersOnly) {
  machine_.MakeDataFolderTerminal(L"C:\\Program Files (x86)\\MetaTrader 4");
  machine_.MakeDataFolderTerminal(L"D:\\Brokers\\Alpha MT4");  // below no searched folder
  machine_.MakePortableTerminal(L"C:\\Portable MT4");
  machine_.MakeNeverStartedTerminal(L"C:\\Program Files (x86)\\Fresh MT4");
  // Never listed.
  machine_.MakeDataFolderTerminal(L"C:\\Program Files\\MetaTrader 5");
  machine_.WriteFile(L"C:\\Program Files\\MetaTrader 5\\terminal64.exe", "MZ");
  machine_.MakeFolder(Root() + TerminalDataFolderId(L"C:\\Program Files\\MetaTrader 5") +
                      L"\\MQL5");
  machine_.MakeDataFolderTerminal(L"C:\\Removed MT4");
  machine_.MakeFolder(Root() + L"Common\\Files");
  machine_.MakeFolder(Root() + L"Community");
  machine_.MakeFolder(Root() +
                      L"FEDCBA9876543210FEDCBA9876543210\\MQL4\\Experts");  // no origin.txt
  // An MT5 program with MQL5 inside is no portable MT4 either.
  machine_.WriteFile(L"C:\\Portable MT5\\terminal64.exe", "MZ");
  machine_.MakeFolder(L"C:\\Portable MT5\\MQL4");
  test::FakeView view;
  // The installation was removed after its data folder was made.
  const std::wstring removed_program = L"C:\\Removed MT4\\terminal.exe";
  ASSERT_TRUE(platform::RemoveOneFile(removed_program));

  MergeFoundTerminals(view, FindTerminalFolders());
  EXPECT_EQ(view.Folders(), (std::vector<std::wstring>{L"C:\\Portable MT4",
                                                       L"C:\\Program Files (x86)\\Fresh MT4",
                                                       L"C:\\Program Files (x86)\\MetaTrader 4",
                                                       L"D:\\Brokers\\Alpha MT4"}));

  // Add takes an installation or its data folder, and lists the installation.
  test::FakeView added;
  EXPECT_EQ(AddTerminalFolder(added, Root() + TerminalDataFolderId(L"D:\\Brokers\\Alpha MT4")), 0);
  EXPECT_EQ(AddTerminalFolder(added, L"D:\\Brokers\\Alpha MT4\\"), 0);
  EXPECT_EQ(AddTerminalFolder(added, L"C:\\Program Files (x86)\\Fresh MT4"), 1);
  EXPECT_EQ(added.Folders(), (std::vector<std::wstring>{L"D:\\Brokers\\Alpha MT4",
                                                        L"C:\\Program Files (x86)\\Fresh MT4"}));
  EXPECT_EQ(AddTerminalFolder(added, Root() + L"Common"), -1);
  EXPECT_EQ(AddTerminalFolder(added, L"C:\\Removed MT4"), -1);
}

}  // namespace
}  // namespace copyloom
