// File operations on what only POSIX lets a test build: a full device and
// symbolic link loops.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "foundation/file_ctrl.h"
#include "platform/platform.h"
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

}  // namespace
}  // namespace copyloom
