// The command line killed with SIGKILL at random moments of an install into
// 100 terminals: after each kill every destination file is the old one or
// the new one (or still missing), never torn, and the saved list keeps every
// row; the next run (a plain list) then finishes or undoes what was cut
// short, so that each terminal holds all its old files or all its new ones
// and nothing of the transaction is left; a rerun then completes. The
// moments come from a fixed seed, so a failing round can be replayed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace copyloom {
namespace {

constexpr int kTerminals = 50;
constexpr int kRounds = 10;
constexpr unsigned kSeed = 20261208;

const std::string kNewExpert = "\x01\x02 compiled CopyloomSignedEA new " + std::string(400000, 'n');
const std::string kOldExpert = "\x01\x02 compiled CopyloomSignedEA old " + std::string(300000, 'o');
const std::string kNewLibrary = "MZ library new " + std::string(600000, 'l');

struct Destination {
  const wchar_t* path;  // below the terminal
  const std::string* new_bytes;
};
const Destination kDestinations[] = {
    {L"experts\\_Velmora Signal Provider.ex4", &kNewExpert},
    {L"experts\\libraries\\vlcpy.dll", &kNewLibrary},
};

class KillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.WriteFile(L"kit\\Signal Provider\\experts\\_Velmora Signal Provider.ex4", kNewExpert);
    dir_.WriteFile(L"kit\\Signal Provider\\experts\\libraries\\vlcpy.dll", kNewLibrary);
    dir_.WriteFile(L"kit\\vlcpy.sin", "settings");
    dir_.WriteFile(L"kit\\vlcpy2026.tag", "");
    std::string list = "[MAIN]\r\nPATH=";
    for (int i = 0; i < kTerminals; ++i) {
      dir_.MakeFolder(Terminal(i) + L"\\config");
      dir_.MakeFolder(Terminal(i) + L"\\experts");
      list += "00" + platform::WideToUtf8(dir_.Join(Terminal(i))) + "*|";
    }
    dir_.WriteFile(L"data\\clinst.cfg", list + "\r\n");
  }

  static std::wstring Terminal(int i) {
    wchar_t name[16];
    std::swprintf(name, 16, L"terms\\T%03d", i);
    return name;
  }

  // Every other terminal has an older copier; the rest have none.
  void ResetTerminals() {
    for (int i = 0; i < kTerminals; ++i) {
      const std::wstring expert = dir_.Join(Terminal(i) + L"\\" + kDestinations[0].path);
      if (i % 2 == 0) {
        dir_.WriteFile(Terminal(i) + L"\\" + kDestinations[0].path, kOldExpert);
      } else {
        platform::RemoveOneFile(expert);
      }
      platform::RemoveOneFile(dir_.Join(Terminal(i) + L"\\" + kDestinations[1].path));
    }
  }

  std::vector<std::string> Argv() const {
    return {COPYLOOM_CLI_PATH,
            "--kit",
            platform::WideToUtf8(dir_.Join(L"kit")),
            "--data-dir",
            platform::WideToUtf8(dir_.Join(L"data")),
            "install",
            "provider",
            "--all",
            "--no-chart"};
  }

  // Starts the install and kills it after delay; the time it ran.
  std::chrono::microseconds RunAndKill(std::chrono::microseconds delay, bool* finished) {
    std::vector<std::string> storage = Argv();
    std::vector<char*> argv;
    for (auto& a : storage) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string home = platform::WideToUtf8(dir_.path());
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
      const int null = open("/dev/null", O_RDWR);
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
      setenv("HOME", home.c_str(), 1);
      unsetenv("WINEPREFIX");
      execv(argv[0], argv.data());
      _exit(127);
    }
    int status = 0;
    *finished = false;
    while (std::chrono::steady_clock::now() - start < delay) {
      if (waitpid(pid, &status, WNOHANG) == pid) {
        *finished = true;
        break;
      }
      usleep(200);
    }
    if (!*finished) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
    }
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 start);
  }

  // Each destination file old, new or missing; the list with every row.
  void ExpectNothingTorn(int round) {
    for (int i = 0; i < kTerminals; ++i) {
      for (const Destination& d : kDestinations) {
        const std::wstring path = dir_.Join(Terminal(i) + L"\\" + d.path);
        if (!platform::QueryAttributes(path).exists) continue;
        const std::string bytes = dir_.ReadFile(Terminal(i) + L"\\" + d.path);
        const bool old_one = d.new_bytes == &kNewExpert && bytes == kOldExpert;
        EXPECT_TRUE(bytes == *d.new_bytes || old_one)
            << "round " << round << ": torn " << platform::WideToUtf8(path);
      }
    }
    const std::string list = dir_.ReadFile(L"data\\clinst.cfg");
    for (int i = 0; i < kTerminals; ++i) {
      EXPECT_NE(list.find(platform::WideToUtf8(dir_.Join(Terminal(i))) + "*"), std::string::npos)
          << "round " << round << ": row lost " << i;
    }
  }

  // After the next run: each terminal wholly old or wholly new, with no
  // staged, kept, journal or temporary file left in it.
  void ExpectWholeTerminals(int round) {
    for (int i = 0; i < kTerminals; ++i) {
      std::string state;
      for (const Destination& d : kDestinations) {
        const std::wstring relative = Terminal(i) + L"\\" + d.path;
        if (!platform::QueryAttributes(dir_.Join(relative)).exists) {
          state += "-";
        } else {
          state += dir_.ReadFile(relative) == *d.new_bytes ? "n" : "o";
        }
      }
      const std::string old_state = i % 2 == 0 ? "o-" : "--";
      EXPECT_TRUE(state == "nn" || state == old_state)
          << "round " << round << ": terminal " << i << " is " << state;
      for (const auto& entry :
           std::filesystem::recursive_directory_iterator(dir_.Join(Terminal(i)))) {
        const std::string name = entry.path().filename().string();
        for (const char* tail : {".cltmp", ".clnew", ".clold", ".cljournal", ".lock"}) {
          EXPECT_FALSE(name.size() > strlen(tail) &&
                       name.compare(name.size() - strlen(tail), std::string::npos, tail) == 0)
              << "round " << round << ": left " << entry.path();
        }
      }
    }
  }

  int RunNext() {
    return test::RunProgram(
               platform::Utf8ToWide(COPYLOOM_CLI_PATH),
               {L"--kit", dir_.Join(L"kit"), L"--data-dir", dir_.Join(L"data"), L"list"},
               {{L"HOME", dir_.path()}, {L"WINEPREFIX", L""}})
        .exit_code;
  }

  // Starts the install, sends the signals once the first terminal is done
  // (the second one right after the first), and gives the wait status.
  int RunAndSignal(const std::vector<int>& signals, std::string* out) {
    std::vector<std::string> storage = Argv();
    std::vector<char*> argv;
    for (auto& a : storage) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string home = platform::WideToUtf8(dir_.path());
    const std::wstring first_done = dir_.Join(Terminal(0) + L"\\" + kDestinations[1].path);
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
      const int null = open("/dev/null", O_RDWR);
      dup2(null, 0);
      dup2(pipe_fds[1], 1);
      dup2(pipe_fds[1], 2);
      close(pipe_fds[0]);
      setenv("HOME", home.c_str(), 1);
      unsetenv("WINEPREFIX");
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(pipe_fds[1]);
    const auto start = std::chrono::steady_clock::now();
    while (!platform::QueryAttributes(first_done).exists &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(60)) {
      usleep(500);
    }
    for (size_t i = 0; i < signals.size(); ++i) {
      if (i > 0) usleep(5000);  // two signals, not one coalesced
      kill(pid, signals[i]);
    }
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipe_fds[0], buffer, sizeof buffer)) > 0) out->append(buffer, n);
    close(pipe_fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
  }

  // Terminals holding the new copier, and rows the list saved as done.
  int NewTerminals() {
    int count = 0;
    for (int i = 0; i < kTerminals; ++i) {
      count += dir_.ReadFile(Terminal(i) + L"\\" + kDestinations[1].path) == kNewLibrary;
    }
    return count;
  }
  int CompletedRows() {
    const std::string list = dir_.ReadFile(L"data\\clinst.cfg");
    int count = 0;
    for (size_t at = 0; (at = list.find("*Completed|", at)) != std::string::npos; ++at) ++count;
    return count;
  }

  test::TempDir dir_;
};

// SIGINT, SIGTERM and SIGHUP mid-install: the terminal in progress is
// finished, the list saved with every row's real state, the run says which
// terminals were done and exits 130, 143 or 129. A second SIGINT stops at
// once; the next run then makes each terminal whole.
TEST_F(KillTest, ASignalStopsTheInstallAfterTheTerminalInProgress) {
  for (const auto& [number, exit_code] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143},
                                         std::pair{SIGHUP, 129}}) {
    SCOPED_TRACE(strsignal(number));
    ResetTerminals();
    platform::RemoveOneFile(dir_.Join(L"data\\clinst.cfg"));
    SetUp();
    std::string out;
    const int status = RunAndSignal({number}, &out);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), exit_code) << out;
    const int done = NewTerminals();
    EXPECT_GE(done, 1);
    EXPECT_LT(done, kTerminals) << "the signal came too late to stop anything";
    EXPECT_EQ(CompletedRows(), done);
    EXPECT_NE(out.find("stopped by a signal: " + std::to_string(done) + " of " +
                           std::to_string(kTerminals) + " terminals done"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("not done: " + platform::WideToUtf8(dir_.Join(Terminal(done)))),
              std::string::npos)
        << out;
    ExpectNothingTorn(0);
    ExpectWholeTerminals(0);  // nothing left for a next run to finish
  }

  ResetTerminals();
  std::string out;
  const int status = RunAndSignal({SIGINT, SIGINT}, &out);
  // The second ends the run where it is; when the run had already finished
  // its terminal and saved, the first one's stop stands.
  EXPECT_TRUE((WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) ||
              (WIFEXITED(status) && WEXITSTATUS(status) == 130))
      << status << out;
  ExpectNothingTorn(1);
  EXPECT_EQ(RunNext(), 0);
  ExpectWholeTerminals(1);
}

TEST_F(KillTest, AKilledInstallLeavesOldOrNewFilesAndEveryRow) {
  // How long a whole run takes here sets the range of the kill moments.
  ResetTerminals();
  bool finished = false;
  const auto whole = RunAndKill(std::chrono::seconds(60), &finished);
  ASSERT_TRUE(finished);
  ASSERT_EQ(dir_.ReadFile(Terminal(kTerminals - 1) + L"\\" + kDestinations[1].path), kNewLibrary);
  std::mt19937 random(kSeed);
  int killed = 0;
  for (int round = 0; round < kRounds; ++round) {
    ResetTerminals();
    std::uniform_int_distribution<int64_t> moment(0, whole.count());
    RunAndKill(std::chrono::microseconds(moment(random)), &finished);
    killed += finished ? 0 : 1;
    ExpectNothingTorn(round);
    EXPECT_EQ(RunNext(), 0);
    ExpectWholeTerminals(round);
    if (HasFailure()) return;
  }
  std::cout << "[ kill ] " << kRounds << " rounds, " << killed << " killed midway, a run took "
            << whole.count() / 1000 << " ms\n";

  // The rerun completes and sweeps what the killed runs left.
  auto rerun = test::RunProgram(platform::Utf8ToWide(COPYLOOM_CLI_PATH),
                                {L"--kit", dir_.Join(L"kit"), L"--data-dir", dir_.Join(L"data"),
                                 L"install", L"provider", L"--all", L"--no-chart"},
                                {{L"HOME", dir_.path()}, {L"WINEPREFIX", L""}});
  EXPECT_EQ(rerun.exit_code, 0) << rerun.err;
  for (int i = 0; i < kTerminals; ++i) {
    for (const Destination& d : kDestinations) {
      EXPECT_EQ(dir_.ReadFile(Terminal(i) + L"\\" + d.path), *d.new_bytes) << i;
    }
    for (const wchar_t* folder : {L"\\experts", L"\\experts\\libraries"}) {
      std::vector<platform::DirEntry> left;
      platform::ListEntries(dir_.Join(Terminal(i) + folder), L"*.cltmp", &left);
      EXPECT_TRUE(left.empty()) << i;
    }
  }
  ExpectNothingTorn(kRounds);
}

}  // namespace
}  // namespace copyloom
