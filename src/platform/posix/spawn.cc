#include "platform/posix/spawn.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>

#include "platform/posix/fd.h"

extern char** environ;

namespace copyloom::platform::posix {
namespace {

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (auto& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

// Owns the file actions so that every return destroys them.
class FileActions {
 public:
  FileActions() { posix_spawn_file_actions_init(&actions_); }
  ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
  FileActions(const FileActions&) = delete;
  FileActions& operator=(const FileActions&) = delete;
  posix_spawn_file_actions_t* get() { return &actions_; }

 private:
  posix_spawn_file_actions_t actions_;
};

void ReadAll(int fd, std::string* into) {
  char buffer[65536];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
    if (n > 0) into->append(buffer, static_cast<size_t>(n));
  }
}

// The environment a child gets: ours with the additions put in.
std::vector<std::string> ChildEnvironment(
    char** ours, const std::vector<std::pair<std::string, std::string>>& additions) {
  std::vector<std::string> all;
  for (char** entry = ours; entry && *entry; ++entry) {
    const std::string_view text(*entry);
    const std::string_view name = text.substr(0, text.find('='));
    bool replaced = false;
    for (const auto& addition : additions) replaced = replaced || addition.first == name;
    if (!replaced) all.emplace_back(text);
  }
  for (const auto& [name, value] : additions) all.push_back(name + "=" + value);
  return all;
}

}  // namespace

ChildEnd RunAndWait(const ChildRun& run) {
  ChildEnd end;
  if (run.argv.empty()) return end;
  std::vector<std::string> args = run.argv;
  std::vector<std::string> environment = ChildEnvironment(environ, run.environment);
  std::vector<char*> argv = Pointers(args), envp = Pointers(environment);
  FileActions actions;
  if (!run.folder.empty()) posix_spawn_file_actions_addchdir_np(actions.get(), run.folder.c_str());
  UniqueFd read_end, write_end;
  if (run.output) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return end;
    read_end = UniqueFd(fds[0]);
    write_end = UniqueFd(fds[1]);
    posix_spawn_file_actions_adddup2(actions.get(), write_end.get(), 1);
  }
  pid_t pid;
  if (posix_spawn(&pid, args.front().c_str(), actions.get(), nullptr, argv.data(), envp.data()) !=
      0) {
    return end;
  }
  end.started = true;
  if (run.output) {
    // Our copy of the write end must go, or the read never sees the end.
    write_end.Close();
    ReadAll(read_end.get(), run.output);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) end.exit_status = WEXITSTATUS(status);
  return end;
}

}  // namespace copyloom::platform::posix
