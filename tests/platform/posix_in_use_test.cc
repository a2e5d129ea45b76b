// A terminal running under Wine holds terminal.exe in a way a native open
// cannot see; the running process is found through /proc instead.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/path_mapper.h"
#include "platform/testing.h"
#include "support/temp_dir.h"

extern char** environ;

namespace copyloom::platform {
namespace {

// A child that runs "sleep" with the given argv[0] and arguments.
class Child {
 public:
  explicit Child(std::vector<std::string> argv) {
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    if (posix_spawn(&pid_, "/bin/sleep", nullptr, nullptr, args.data(), environ) != 0) pid_ = 0;
    // Wait until /proc shows the new program's command line: the exe link
    // changes a moment before the arguments are in place.
    const std::string first = argv.empty() ? "" : argv.front();
    for (int i = 0; i < 500 && pid_; ++i) {
      char cmdline[4096] = {};
      FILE* f = std::fopen(("/proc/" + std::to_string(pid_) + "/cmdline").c_str(), "r");
      size_t n = 0;
      if (f) {
        n = std::fread(cmdline, 1, sizeof cmdline - 1, f);
        std::fclose(f);
      }
      if (n > 0 && first == cmdline) break;
      usleep(10000);
    }
  }
  ~Child() { Stop(); }
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }
  bool running() const { return pid_ > 0; }

 private:
  pid_t pid_ = 0;
};

class InUseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.WriteFile(L"MT4\\terminal.exe", "MZ not really");
    dir_.WriteFile(L"MT4\\notes.txt", "text");
    native_ = posix::WideToNative(dir_.Join(L"MT4\\terminal.exe"));
  }

  test::TempDir dir_;
  std::string native_;
};

TEST_F(InUseTest, ANotRunningProgramIsFree) {
  EXPECT_FALSE(IsFileInUse(dir_.Join(L"MT4\\terminal.exe")));
  EXPECT_FALSE(IsFileInUse(dir_.Join(L"MT4\\notes.txt")));
}

TEST_F(InUseTest, AProcessNamingTheProgramInItsCommandLineHoldsIt) {
  Child child({native_, "30"});
  ASSERT_TRUE(child.running());
  EXPECT_TRUE(IsFileInUse(dir_.Join(L"MT4\\terminal.exe")));
  // Found whatever the case or separators of the question.
  EXPECT_TRUE(IsFileInUse(dir_.Join(L"mt4\\TERMINAL.EXE")));
  EXPECT_FALSE(IsFileInUse(dir_.Join(L"MT4\\notes.txt")));
  child.Stop();
  EXPECT_FALSE(IsFileInUse(dir_.Join(L"MT4\\terminal.exe")));
}

TEST_F(InUseTest, AWindowsPathInTheCommandLineIsMappedThroughTheDrives) {
  // Wine shows the Windows path of the program in the command line.
  testing::SetDriveTable(std::map<wchar_t, std::wstring>{{L'C', dir_.path()}});
  Child child({"C:\\mt4\\Terminal.exe", "30"});
  ASSERT_TRUE(child.running());
  EXPECT_TRUE(IsFileInUse(L"C:\\MT4\\terminal.exe"));
  EXPECT_TRUE(IsFileInUse(dir_.Join(L"MT4\\terminal.exe")));
}

TEST_F(InUseTest, AProgramRunThroughALinkIsHeld) {
  // The process runs what the link points at, whatever its command line.
  const std::string link = posix::WideToNative(dir_.Join(L"MT4\\sleeper.exe"));
  ASSERT_EQ(symlink("/bin/sleep", link.c_str()), 0);
  Child child({"sleep-under-another-name", "30"});
  ASSERT_TRUE(child.running());
  EXPECT_TRUE(IsFileInUse(dir_.Join(L"MT4\\sleeper.exe")));
}

}  // namespace
}  // namespace copyloom::platform
