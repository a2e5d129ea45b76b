#include "foundation/common.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/file_ctrl.h"
#include "foundation/path_util.h"
#include "platform/platform.h"
#include "platform/testing.h"
#include "support/test_files.h"
#include "support/temp_dir.h"

namespace copyloom {
namespace {

namespace pf = platform;
namespace hook = platform::testing;
using test::TempDir;

constexpr uint32_t kHalfHour = 1800000;

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hook::SetProgramPath(dir_.Join(L"Copier Tools\\Setup Provider.exe"));
    hook::SetTickCount(1000);
    log_.SetDataFolder(dir_.Join(L"data\\"));
  }
  std::string LogContent() { return files_.ReadWholeFile(log_.log_path()); }
  // Replaces the log file with one of exactly size bytes.
  void FillLog(size_t size) {
    ASSERT_FALSE(log_.log_path().empty());
    ASSERT_TRUE(files_.WriteTextFile(log_.log_path(), std::wstring(size, L'.'), true));
  }
  TempDir dir_;
  CFileCtrl files_;
  CCommon log_;
};

TEST_F(LogTest, LinesAreTimeStampedAndSeparatedWithoutATrailingBreak) {
  log_.WriteLog(L"copy done\r\n");
  const std::string expected_name = pf::WideToUtf8(MakeFolderTag(L"")) + "SetupProvider.lsg";
  EXPECT_EQ(log_.log_path(), dir_.Join(L"data\\") + pf::Utf8ToWide(expected_name));
  const std::string first = LogContent();
  ASSERT_GT(first.size(), 10u);
  EXPECT_EQ(first.substr(first.size() - 10), " copy done");
  EXPECT_GT(first.find(' '), 0u);  // the date and time come first

  log_.WriteLog(L"second\n\r\n");
  const std::string both = LogContent();
  EXPECT_EQ(both.rfind(first + "\r\n", 0), 0u);
  EXPECT_EQ(both.substr(both.size() - 7), " second");
}

TEST_F(LogTest, OnlyLineBreaksWriteNothing) {
  log_.WriteLog(L"\r\n");
  log_.WriteLog(L"");
  EXPECT_EQ(log_.log_path(), L"");
  EXPECT_FALSE(files_.FolderExists(dir_.Join(L"data")));
}

TEST_F(LogTest, WithoutADataFolderTheLogGoesBesideTheProgram) {
  CCommon log;
  log.WriteLog(L"x");
  EXPECT_EQ(GetPathFolder(log.log_path()), GetProgramFolder() + L"logs\\");
  EXPECT_TRUE(files_.FolderExists(dir_.Join(L"Copier Tools\\logs")));
  EXPECT_TRUE(files_.FileExists(log.log_path()));
}

TEST_F(LogTest, UpperCaseExeStaysInTheName) {
  hook::SetProgramPath(dir_.Join(L"t\\SETUP.EXE"));
  log_.WriteLog(L"x");
  EXPECT_EQ(GetPathFileName(log_.log_path()), MakeFolderTag(L"") + L"SETUP.EXE");
}

TEST_F(LogTest, AProgramWithoutExtensionStillGetsALogExtension) {
  hook::SetProgramPath(dir_.Join(L"bin\\copyloom"));
  log_.WriteLog(L"x");
  EXPECT_EQ(GetPathFileName(log_.log_path()), MakeFolderTag(L"") + L"copyloom.lsg");
}

TEST_F(LogTest, TheLogPathIsFixedAtTheFirstLine) {
  log_.WriteLog(L"first");
  const std::wstring path = log_.log_path();
  log_.SetDataFolder(dir_.Join(L"other\\"));
  log_.WriteLog(L"second");
  EXPECT_EQ(log_.log_path(), path);
  EXPECT_FALSE(files_.FolderExists(dir_.Join(L"other")));
}

TEST_F(LogTest, SizeLimitIsExclusive) {
  log_.WriteLog(L"start");
  FillLog(4096000);
  hook::SetTickCount(1000 + kHalfHour + 1);
  log_.WriteLog(L"kept");
  const std::string kept = LogContent();
  EXPECT_EQ(kept.substr(0, 4096002), std::string(4096000, '.') + "\r\n");
  EXPECT_EQ(kept.substr(kept.size() - 5), " kept");

  FillLog(4096001);
  hook::SetTickCount(1000 + 2 * kHalfHour + 2);
  log_.WriteLog(L"fresh");
  const std::string fresh = LogContent();
  EXPECT_LT(fresh.size(), 100u);
  EXPECT_EQ(fresh.find("\r\n"), std::string::npos);
  EXPECT_EQ(fresh.substr(fresh.size() - 6), " fresh");
}

TEST_F(LogTest, SizeIsCheckedAtMostEveryHalfHour) {
  // Machine up for one second: the first line does not check yet, and the
  // half hour counts from the start of the tick counter.
  log_.WriteLog(L"start");
  FillLog(5000000);
  hook::SetTickCount(kHalfHour);
  log_.WriteLog(L"not yet");
  EXPECT_GT(files_.GetFileLength(log_.log_path()), 5000000);
  hook::SetTickCount(kHalfHour + 1);
  log_.WriteLog(L"now");
  EXPECT_LT(files_.GetFileLength(log_.log_path()), 100);
  // Checked just now: a big file waits for the next half hour.
  FillLog(5000000);
  hook::SetTickCount(2 * kHalfHour + 1);
  log_.WriteLog(L"waits");
  EXPECT_GT(files_.GetFileLength(log_.log_path()), 5000000);
  hook::SetTickCount(2 * kHalfHour + 2);
  log_.WriteLog(L"deleted");
  EXPECT_LT(files_.GetFileLength(log_.log_path()), 100);
}

TEST_F(LogTest, AFailedDeleteIsRetriedOnTheNextLine) {
  log_.WriteLog(L"start");
  FillLog(5000000);
  hook::SetTickCount(1000 + kHalfHour + 1);
  hook::FailNthCall(hook::Op::kRemove, 1);
  log_.WriteLog(L"delete fails");
  EXPECT_GT(files_.GetFileLength(log_.log_path()), 5000000);
  log_.WriteLog(L"retried");  // same tick: only a failed delete checks again
  EXPECT_LT(files_.GetFileLength(log_.log_path()), 100);
}

TEST_F(LogTest, TickWrapAroundIsHarmless) {
  hook::SetTickCount(0xFFFFFF00u);
  log_.WriteLog(L"before the wrap");  // checks: the machine has been up long
  FillLog(5000000);
  hook::SetTickCount(100);  // 356 ms later
  log_.WriteLog(L"after the wrap");
  EXPECT_GT(files_.GetFileLength(log_.log_path()), 5000000);
  hook::SetTickCount(0xFFFFFF00u + kHalfHour + 1);
  log_.WriteLog(L"half an hour later");
  EXPECT_LT(files_.GetFileLength(log_.log_path()), 100);
}

}  // namespace
}  // namespace copyloom
