// The application object: registers the common controls, runs the installer
// window modally and lets the process end when it closes.
#pragma once

namespace copyloom::ui {

class CCopyloomApp {
 public:
  CCopyloomApp();
  virtual ~CCopyloomApp();

  // Always false: there is no message loop after the window, the process
  // ends.
  bool InitInstance();
};

// The program: the product profile, its self-check messages, then the
// application object. Returns the process's exit status.
int RunCopyloomSetup();

}  // namespace copyloom::ui
