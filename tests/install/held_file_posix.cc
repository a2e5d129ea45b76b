#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "install/held_file.h"
#include "platform/platform.h"

extern char** environ;

namespace copyloom::test {
namespace {

const char* HolderProgram() {
  const char* program = getenv("COPYLOOM_HOLD_FILE_EXE");
  return program && *program ? program : nullptr;
}

}  // namespace

struct HeldFile::Impl {
  pid_t pid = -1;
  int input = -1;  // closing it tells the program to let go
  bool holding = false;
  std::wstring path;
};

HeldFile::HeldFile(const std::wstring& native_path) : impl_(std::make_unique<Impl>()) {
  impl_->path = native_path;
  if (!available()) return;
  // Wine's Z: drive is the native root.
  std::string windows_path = "Z:" + platform::WideToUtf8(native_path);
  for (char& c : windows_path) {
    if (c == '/') c = '\\';
  }
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0) return;
  if (pipe2(out, O_CLOEXEC) != 0) {
    close(in[0]);
    close(in[1]);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  // Wine's services, started with the first program, inherit it: they must
  // not keep the test's own output open.
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::string wine = "wine", program = HolderProgram();
  char* argv[] = {wine.data(), program.data(), windows_path.data(), nullptr};
  pid_t pid = -1;
  const bool started = posix_spawnp(&pid, "wine", &actions, nullptr, argv, environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  impl_->input = in[1];
  if (started) {
    impl_->pid = pid;
    char buffer[5];
    size_t got = 0;
    while (got < sizeof buffer) {
      const ssize_t n = read(out[0], buffer + got, sizeof buffer - got);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    impl_->holding = got == sizeof buffer && std::string(buffer, got) == "ready";
  }
  close(out[0]);
}

HeldFile::~HeldFile() { Release(); }

bool HeldFile::available() { return HolderProgram() != nullptr; }

bool HeldFile::holding() const { return impl_->holding; }

void HeldFile::Release() {
  if (impl_->input >= 0) close(impl_->input);
  impl_->input = -1;
  if (impl_->pid > 0) {
    int status = 0;
    waitpid(impl_->pid, &status, 0);
    // The Wine server lets go of the program's files a moment after it ends.
    for (int i = 0; i < 500 && impl_->holding && platform::IsFileInUse(impl_->path); ++i) {
      usleep(10000);
    }
  }
  impl_->pid = -1;
  impl_->holding = false;
}

}  // namespace copyloom::test
