// Entry of the command line, copyloom (Linux) and copyloom.exe (Windows).
#include "cli/cli.h"
#include "platform/entry.h"
#include "platform/platform.h"

int WideMain(const std::vector<std::wstring>& args) {
  copyloom::cli::Invocation invocation;
  invocation.args = args;
  invocation.current_folder = copyloom::platform::CurrentFolder();
  return copyloom::cli::RunCopyloom(invocation);
}
