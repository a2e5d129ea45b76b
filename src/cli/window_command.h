// `copyloom window [provider|receiver]`: the installer window on Linux, under
// Wine in the run's prefix (Windows: refused, the window is
// copyloom-setup.exe).
#pragma once

#include <string>

namespace copyloom::cli {

struct WindowRequest {
  std::wstring kit;  // --kit DIR, absolute; empty when not given
  std::string side;  // "provider", "receiver" or empty
};

// Starts the window and waits for it; returns its exit status, or 1 after
// saying why when Wine or the window program is missing.
int RunWindowCommand(const WindowRequest& request);

}  // namespace copyloom::cli
