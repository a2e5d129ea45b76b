// Marks a long command (install, uninstall) as running for its lifetime, so
// that the commands dispatched while it pumps messages are refused as during
// a search.
#pragma once

#include "terminals/installer_view.h"

namespace copyloom {

class RunningCommand {
 public:
  explicit RunningCommand(InstallerView& view)
      : view_(view), was_running_(view.IsCommandRunning()) {
    view_.SetCommandRunning(true);
  }
  ~RunningCommand() { view_.SetCommandRunning(was_running_); }
  RunningCommand(const RunningCommand&) = delete;
  RunningCommand& operator=(const RunningCommand&) = delete;

 private:
  InstallerView& view_;
  bool was_running_;
};

}  // namespace copyloom
