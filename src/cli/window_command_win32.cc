#include <cstdio>

#include "cli/cli.h"
#include "cli/window_command.h"

namespace copyloom::cli {

int RunWindowCommand(const WindowRequest&) {
  std::fputs("copyloom: on Windows the window is copyloom-setup.exe (or the kit's setup program)\n",
             stderr);
  return kExitUsage;
}

}  // namespace copyloom::cli
