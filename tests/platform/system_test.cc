#include <gtest/gtest.h>

#include <ctime>

#include "platform/platform.h"
#include "platform/testing.h"

namespace copyloom::platform {
namespace {

TEST(SystemTest, ProgramPathNamesThisRunningFile) {
  const std::wstring path = ProgramPath();
  ASSERT_FALSE(path.empty());
  auto attributes = QueryAttributes(path);
  EXPECT_TRUE(attributes.exists && !attributes.is_folder);
  EXPECT_NE(path.find(L"copyloom_tests"), std::wstring::npos);
  EXPECT_NE(CommandLine().find(L"copyloom_tests"), std::wstring::npos);

  testing::SetProgramPath(L"C:\\Setup\\CopyloomSetup.exe");
  testing::SetCommandLine(L"\"C:\\Setup\\CopyloomSetup.exe\" en");
  EXPECT_EQ(ProgramPath(), L"C:\\Setup\\CopyloomSetup.exe");
  EXPECT_EQ(CommandLine(), L"\"C:\\Setup\\CopyloomSetup.exe\" en");
}

TEST(SystemTest, TickCountMovesAndCanBeFrozen) {
  const uint32_t before = TickCount();
  SleepMs(30);
  const uint32_t elapsed = TickCount() - before;  // wraps like GetTickCount
  // GetTickCount moves in steps of up to 16 ms.
  EXPECT_GE(elapsed, 14u);
  EXPECT_LT(elapsed, 5000u);
  testing::SetTickCount(0xFFFFFFF0u);
  EXPECT_EQ(TickCount(), 0xFFFFFFF0u);
}

TEST(SystemTest, LocalTimeConversionsRoundTrip) {
  const LocalTime samples[] = {{2012, 3, 6, 9, 5, 0},
                               {2000, 2, 29, 23, 59, 59},
                               {2026, 12, 31, 0, 0, 1},
                               {1999, 7, 1, 12, 0, 0}};
  for (const auto& local : samples) {
    int64_t filetime = 0;
    ASSERT_TRUE(LocalToFileTime(local, &filetime));
    EXPECT_EQ(filetime % 10000000, 0);
    LocalTime back;
    ASSERT_TRUE(FileTimeToLocal(filetime, &back));
    EXPECT_EQ(back.year, local.year);
    EXPECT_EQ(back.month, local.month);
    EXPECT_EQ(back.day, local.day);
    EXPECT_EQ(back.hour, local.hour);
    EXPECT_EQ(back.minute, local.minute);
    EXPECT_EQ(back.second, local.second);
  }
  // Both builds refuse what Windows refuses; Wine alone would roll
  // 29 February 2013 over into March.
  const LocalTime refused[] = {{2021, 2, 30, 0, 0, 0}, {2013, 2, 29, 0, 0, 0},
                               {2021, 13, 1, 0, 0, 0}, {2021, 1, 1, 24, 0, 0},
                               {2021, 1, 1, 0, 60, 0}, {1600, 12, 31, 0, 0, 0}};
  for (const auto& local : refused) {
    int64_t filetime = 0;
    EXPECT_FALSE(LocalToFileTime(local, &filetime)) << local.year << "-" << local.month;
  }
}

TEST(SystemTest, NowTextShowsTheDateAndTheTime) {
  const std::wstring text = LocalDateTimeNowText();
  const std::time_t now = std::time(nullptr);
  std::tm local = *std::localtime(&now);
  EXPECT_NE(text.find(std::to_wstring(local.tm_year + 1900)), std::wstring::npos) << text;
  EXPECT_NE(text.find(L':'), std::wstring::npos) << text;
}

TEST(SystemTest, FoldersExistOrAreReplaced) {
  const std::wstring temp = TempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_TRUE(QueryAttributes(temp).is_folder);
  for (auto which :
       {SpecialFolder::kAppData, SpecialFolder::kLocalAppData, SpecialFolder::kPersonal}) {
    const std::wstring folder = FallbackSpecialFolder(which);
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(folder.back() == L'\\' || folder.back() == L'/') << folder;
  }
  testing::SetTempFolder(L"C:\\temp\\");
  testing::SetWindowsFolder(L"C:\\Windows");
  EXPECT_EQ(TempFolder(), L"C:\\temp\\");
  EXPECT_EQ(WindowsFolder(), L"C:\\Windows");
}

}  // namespace
}  // namespace copyloom::platform
