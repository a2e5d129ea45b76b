// Stop requests on Windows: Ctrl+C, Ctrl+Break and a closed console let the
// terminal in progress finish; a second Ctrl+C ends the process at once.
// A closed console gives the process only a few seconds after the handler
// returns, so the handler waits for the run to save its list first.
#include <windows.h>

#include <atomic>

#include "platform/platform.h"

namespace copyloom::platform {
namespace {

std::atomic<int> g_requested{0};

BOOL WINAPI OnConsoleEvent(DWORD event) {
  const bool interrupt = event == CTRL_C_EVENT;
  if (g_requested.load() != 0 && interrupt) ::ExitProcess(130);
  int expected = 0;
  const int status = interrupt ? 130 : event == CTRL_BREAK_EVENT ? 143 : 129;
  g_requested.compare_exchange_strong(expected, status);
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
    // Windows ends the process when this returns; the run ends it sooner.
    ::Sleep(4500);
  }
  return TRUE;
}

}  // namespace

void WatchStopRequests() { ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

int StopRequested() { return g_requested.load(); }

}  // namespace copyloom::platform
