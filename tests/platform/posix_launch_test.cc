#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/platform.h"
#include "platform/posix/path_mapper.h"
#include "platform/posix/spawn.h"
#include "posix_test_env.h"
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

TEST(LaunchTest, AWindowsProgramRunsUnderWineInItsOwnPrefix) {
  test::TempDir dir;
  test::ScopedEnv env;
  const std::string root = posix::WideToNative(dir.path());
  // A wine that says how it was started.
  dir.WriteFile(L"bin\\wine", "#!/bin/sh\necho \"$WINEPREFIX|$WINEARCH|$(pwd)|$1\" >> \"$WINE_LOG\"\n");
  ASSERT_EQ(chmod((root + "bin/wine").c_str(), 0755), 0);
  env.Set("PATH", root + "bin:" + getenv("PATH"));
  env.Set("WINE_LOG", root + "wine.log");
  env.Set("WINEARCH", std::nullopt);
  // A 32-bit prefix holding a terminal, and a current prefix elsewhere.
  dir.WriteFile(L"mt4\\system.reg", "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win32\n");
  dir.WriteFile(L"mt4\\drive_c\\MT4\\terminal.exe", "MZ");
  dir.WriteFile(L"loose\\terminal.exe", "MZ");
  env.Set("WINEPREFIX", root + "current");

  struct Case {
    const wchar_t* folder;
    std::string expected;
  } cases[] = {
      {L"mt4\\drive_c\\MT4", root + "mt4|win32|" + root + "mt4/drive_c/MT4|"},
      // Outside any prefix: the current one, whose architecture is unknown.
      {L"loose", root + "current||" + root + "loose|"},
  };
  std::string expected;
  for (const auto& c : cases) {
    const std::wstring folder = dir.Join(c.folder);
    ASSERT_TRUE(LaunchProgram(folder + L"/terminal.exe", folder));
    expected += c.expected + posix::WideToNative(folder) + "/terminal.exe\n";
    std::string log;
    for (int i = 0; i < 300 && log != expected; ++i) {
      SleepMs(10);
      log = dir.ReadFile(L"wine.log");
    }
    EXPECT_EQ(log, expected);
  }
}

// The one spawn behind the per-prefix runs, the window and the openers:
// environment additions reach the child only, output is collected whole,
// and a child that cannot start is told apart from one that failed.
TEST(LaunchTest, RunAndWaitGivesTheChildItsEnvironmentFolderAndOutput) {
  test::TempDir dir;
  test::ScopedEnv env;
  env.Set("COPYLOOM_SPAWN_A", "ours");
  env.Set("COPYLOOM_SPAWN_B", "kept");
  std::string folder = posix::WideToNative(dir.path());
  if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  struct Case {
    std::vector<std::string> argv;
    std::string folder;
    bool started;
    std::optional<int> exit_status;
    std::string output;
  } cases[] = {
      {{"/bin/sh", "-c", "echo \"$COPYLOOM_SPAWN_A $COPYLOOM_SPAWN_B\"; exit 3"}, "", true, 3,
       "theirs kept\n"},
      {{"/bin/sh", "-c", "pwd"}, folder, true, 0, folder + "\n"},
      {{"/bin/sh", "-c", "kill -9 $$"}, "", true, std::nullopt, ""},
      {{folder + "/missing"}, "", false, std::nullopt, ""},
  };
  for (const auto& c : cases) {
    std::string output;
    posix::ChildRun run{c.argv, {{"COPYLOOM_SPAWN_A", "theirs"}}, c.folder, &output};
    const posix::ChildEnd end = posix::RunAndWait(run);
    EXPECT_EQ(end.started, c.started) << c.argv.back();
    EXPECT_EQ(end.exit_status, c.exit_status) << c.argv.back();
    EXPECT_EQ(output, c.output) << c.argv.back();
  }
  EXPECT_STREQ(getenv("COPYLOOM_SPAWN_A"), "ours");
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
