// Drive letters on Windows: the real drives, and the test drive table that
// redirects "X:\..." into a folder of the real file system.
#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/testing.h"
#include "support/temp_dir.h"

namespace copyloom::platform {
namespace {

TEST(Win32DrivesTest, RealDriveCIsListedAndFixed) {
  std::wstring drives = LogicalDriveStrings();
  ASSERT_FALSE(drives.empty());
  // "C:\" "\0" ...: every entry is a root followed by one zero.
  EXPECT_NE(drives.find(std::wstring(L"C:\\") + L'\0'), std::wstring::npos);
  EXPECT_EQ(drives.back(), L'\0');
  EXPECT_EQ(DriveType(L"C:"), kDriveFixed);
  EXPECT_EQ(DriveType(L"C:\\"), kDriveFixed);
}

class Win32DriveTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    temp_.MakeFolder(L"c");
    temp_.MakeFolder(L"q");
    testing::SetDriveTable(
        std::map<wchar_t, std::wstring>{{L'q', temp_.Join(L"q")}, {L'C', temp_.Join(L"c\\")}});
  }
  test::TempDir temp_;
};

TEST_F(Win32DriveTableTest, ListsExactlyTheTableLettersAsFixed) {
  EXPECT_EQ(LogicalDriveStrings(), std::wstring(L"C:\\\0Q:\\\0", 8));
  EXPECT_EQ(DriveType(L"Q:"), kDriveFixed);
  EXPECT_EQ(DriveType(L"q:\\"), kDriveFixed);
  EXPECT_EQ(DriveType(L"C:"), kDriveFixed);
  EXPECT_EQ(DriveType(L"Z:"), DRIVE_NO_ROOT_DIR);
  EXPECT_EQ(DriveType(L"Q:\\MT4"), DRIVE_NO_ROOT_DIR);
}

TEST_F(Win32DriveTableTest, EveryPrimitiveResolvesThroughTheTable) {
  temp_.WriteFile(L"q\\MT4\\config\\terminal.ini", "x=1");
  EXPECT_TRUE(QueryAttributes(L"Q:\\MT4\\config").is_folder);
  EXPECT_TRUE(QueryAttributes(L"q:/mt4/config/terminal.ini").exists);
  EXPECT_TRUE(QueryAttributes(L"Q:").is_folder);
  EXPECT_TRUE(QueryAttributes(L"Q:\\").is_folder);

  ASSERT_TRUE(CreateOneFolder(L"Q:\\MT4\\experts"));
  EXPECT_TRUE(QueryAttributes(temp_.Join(L"q\\MT4\\experts")).is_folder);

  ASSERT_TRUE(CopyOneFile(L"Q:\\MT4\\config\\terminal.ini", L"C:/copy.ini", true));
  EXPECT_EQ(temp_.ReadFile(L"c\\copy.ini"), "x=1");

  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListEntries(L"Q:\\MT4\\", L"*", &entries));
  ASSERT_EQ(entries.size(), 2u);

  ASSERT_TRUE(ProfileWrite(L"C:\\settings.cfg", L"MAIN", L"PATH", L"Q:\\MT4"));
  EXPECT_EQ(ProfileRead(L"C:\\settings.cfg", L"main", L"path"), L"Q:\\MT4");
  EXPECT_TRUE(QueryAttributes(temp_.Join(L"c\\settings.cfg")).exists);

  FileTimes times;
  EXPECT_TRUE(GetFileTimes(L"Q:\\MT4", &times));
  EXPECT_FALSE(IsFileInUse(L"Q:\\MT4\\config\\terminal.ini"));
  ASSERT_TRUE(RemoveOneFile(L"C:\\copy.ini"));
  EXPECT_FALSE(QueryAttributes(temp_.Join(L"c\\copy.ini")).exists);
}

TEST_F(Win32DriveTableTest, NativePathsOfTheTestFoldersAreNotRedirected) {
  // The temp folder itself is on C:, which the table maps elsewhere.
  temp_.WriteFile(L"package\\expert.ex4", "ex4");
  EXPECT_TRUE(QueryAttributes(temp_.Join(L"package\\expert.ex4")).exists);
  EXPECT_EQ(temp_.ReadFile(L"package\\expert.ex4"), "ex4");
  EXPECT_TRUE(QueryAttributes(temp_.Join(L"c")).is_folder);
  // A letter outside the table is the real drive.
  testing::SetDriveTable(std::map<wchar_t, std::wstring>{{L'Q', temp_.Join(L"q")}});
  EXPECT_TRUE(QueryAttributes(L"C:\\windows").is_folder);
}

TEST_F(Win32DriveTableTest, ResetRestoresTheRealDrives) {
  testing::SetDriveTable(std::nullopt);
  EXPECT_NE(LogicalDriveStrings(), std::wstring(L"C:\\\0Q:\\\0", 8));
  EXPECT_TRUE(QueryAttributes(L"C:\\windows").is_folder);
}

}  // namespace
}  // namespace copyloom::platform
