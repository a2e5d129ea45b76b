// File operations on what only POSIX lets a test build: a full device,
// symbolic link loops and a time zone of the test's choosing.
#include <gtest/gtest.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "foundation/file_ctrl.h"
#include "foundation/ini_file.h"
#include "platform/platform.h"
#include "platform/posix_test_env.h"
#include "support/temp_dir.h"

namespace copyloom {
namespace {

using test::TempDir;

TEST(PosixFileCtrl, WriteTextFileReportsAFailedWrite) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  CFileCtrl files;
  EXPECT_FALSE(files.WriteTextFile(L"/dev/full", L"no room", true));
  EXPECT_FALSE(files.AppendTextLine(L"/dev/full", L"no room"));
}

TEST(PosixFileCtrl, RecursiveListingDoesNotFollowLinks) {
  TempDir dir;
  dir.WriteFile(L"top\\a\\file.txt", "x");
  // a/loop points back at top: following it would never end.
  const std::string top = platform::WideToUtf8(dir.Join(L"top"));
  ASSERT_EQ(symlink(top.c_str(), (top + "/a/loop").c_str()), 0);
  ASSERT_EQ(symlink((top + "/a/file.txt").c_str(), (top + "/a/link.txt").c_str()), 0);
  CFileCtrl files;
  TextList list;
  files.ListFolder(dir.Join(L"top"), &list, true, true);
  std::sort(list.begin(), list.end());
  const std::wstring a = dir.Join(L"top") + L"\\a\\";
  EXPECT_EQ(list, (TextList{a + L"file.txt", a + L"link.txt"}));
  files.ListFolder(dir.Join(L"top"), &list, false, true);
  std::sort(list.begin(), list.end());
  EXPECT_EQ(list, (TextList{dir.Join(L"top") + L"\\a", a + L"loop"}));
}

TEST(PosixFileCtrl, SettingsKeepTheirTimeInTheHourRepeatedWhenClocksGoBack) {
  struct ResetZone {
    ~ResetZone() { tzset(); }
  } reset;  // destroyed after env has put TZ back
  test::ScopedEnv env;
  env.Set("TZ", "America/New_York");
  tzset();
  TempDir dir;
  dir.WriteFile(L"clinst.cfg", "[MAIN]\r\n");
  const std::wstring path = dir.Join(L"clinst.cfg");
  CIniFile ini;
  ASSERT_TRUE(ini.AttachFile(path));
  // 2021-11-07 1:30 local, first in summer time (5:30 UTC), then in winter
  // time (6:30 UTC).
  for (int64_t utc_hour : {5, 6}) {
    const int64_t written = 132807366000000000LL + (utc_hour - 5) * 36000000000LL;
    ASSERT_TRUE(platform::SetFileTimeOf(path, platform::TimeKind::kLastWrite, written));
    EXPECT_TRUE(ini.SetValue(L"MAIN", L"PATH", L"C:\\MT4"));
    platform::FileTimes times;
    ASSERT_TRUE(platform::GetFileTimes(path, &times));
    EXPECT_EQ(times.last_write, written) << utc_hour << ":30 UTC";
  }
}

}  // namespace
}  // namespace copyloom
