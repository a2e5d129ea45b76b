// Stop requests on POSIX: SIGINT (Ctrl-C), SIGTERM (systemd, a timeout) and
// SIGHUP (a dropped ssh session) let the terminal in progress finish; a
// second SIGINT ends the process at once, as a user pressing Ctrl-C again
// expects (the journal covers the terminal then).
#include <signal.h>
#include <unistd.h>

#include "platform/platform.h"

namespace copyloom::platform {
namespace {

volatile sig_atomic_t g_requested = 0;

void OnSignal(int number) {
  if (g_requested != 0 && number == SIGINT) {
    signal(SIGINT, SIG_DFL);
    raise(SIGINT);
    _exit(130);
  }
  if (g_requested == 0) g_requested = number;
}

}  // namespace

void WatchStopRequests() {
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  // Reads and writes go on: the terminal in progress is finished first.
  action.sa_flags = SA_RESTART;
  for (int number : {SIGINT, SIGTERM, SIGHUP}) sigaction(number, &action, nullptr);
}

int StopRequested() {
  switch (g_requested) {
    case SIGINT:
      return 130;
    case SIGTERM:
      return 143;
    case SIGHUP:
      return 129;
    default:
      return 0;
  }
}

}  // namespace copyloom::platform
