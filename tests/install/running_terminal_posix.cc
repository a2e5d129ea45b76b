#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "install/running_terminal.h"
#include "platform/platform.h"

extern char** environ;

namespace copyloom::test {

// A process whose command line names terminal.exe, as "wine terminal.exe"
// does: sleep, started with that path as its own name.
struct RunningTerminal::Impl {
  pid_t pid = -1;
};

RunningTerminal::RunningTerminal(const std::wstring& native_exe) : impl_(std::make_unique<Impl>()) {
  std::string name = platform::WideToUtf8(native_exe);
  std::string seconds = "60";
  char* argv[] = {name.data(), seconds.data(), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, "/bin/sleep", nullptr, nullptr, argv, environ) != 0) return;
  impl_->pid = pid;
  // Until the exec, the child still shows this program's command line.
  const std::string path = "/proc/" + std::to_string(pid) + "/cmdline";
  for (int i = 0; i < 400; ++i) {
    std::ifstream in(path, std::ios::binary);
    std::string cmdline((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (cmdline.compare(0, name.size(), name) == 0) return;
    usleep(5000);
  }
}

RunningTerminal::~RunningTerminal() {
  if (impl_->pid <= 0) return;
  kill(impl_->pid, SIGKILL);
  int status = 0;
  waitpid(impl_->pid, &status, 0);
}

bool RunningTerminal::running() const { return impl_->pid > 0; }

}  // namespace copyloom::test
