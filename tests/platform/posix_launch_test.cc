#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/platform.h"
#include "platform/posix/path_mapper.h"
#include "support/temp_dir.h"

namespace copyloom::platform {
namespace {

TEST(LaunchTest, StartsAProgramInItsFolder) {
  test::TempDir dir;
  dir.MakeFolder(L"work");
  dir.WriteFile(L"tool.sh", "#!/bin/sh\npwd > started.txt\n");
  ASSERT_EQ(chmod(posix::WideToNative(dir.Join(L"tool.sh")).c_str(), 0755), 0);

  ASSERT_TRUE(LaunchProgram(dir.Join(L"tool.sh"), dir.Join(L"work")));
  std::string started;
  for (int i = 0; i < 300 && started.empty(); ++i) {
    SleepMs(10);
    started = dir.ReadFile(L"work\\started.txt");
  }
  EXPECT_EQ(started, posix::WideToNative(dir.Join(L"work")) + "\n");
}

TEST(LaunchTest, RefusesWhatCannotRun) {
  test::TempDir dir;
  dir.WriteFile(L"data.txt", "not a program");
  EXPECT_FALSE(LaunchProgram(dir.Join(L"missing"), dir.path()));
  EXPECT_FALSE(LaunchProgram(dir.Join(L"data.txt"), dir.path()));
  EXPECT_FALSE(LaunchProgram(L"/bin/true", dir.Join(L"no-such-folder")));
  EXPECT_FALSE(ShellOpen(dir.Join(L"missing.htm")));
}

}  // namespace
}  // namespace copyloom::platform
