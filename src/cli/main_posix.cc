// Entry of the Linux command line: UTF-8 arguments.
#include <unistd.h>

#include <clocale>
#include <climits>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  copyloom::cli::Invocation invocation;
  for (int i = 1; i < argc; ++i) invocation.args.push_back(copyloom::platform::Utf8ToWide(argv[i]));
  char cwd[PATH_MAX];
  if (getcwd(cwd, sizeof cwd) != nullptr) {
    invocation.current_folder = copyloom::platform::Utf8ToWide(cwd);
  }
  return copyloom::cli::RunCopyloom(invocation);
}
