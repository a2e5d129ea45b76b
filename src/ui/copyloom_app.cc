#include "ui/copyloom_app.h"

#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <ole2.h>

#include <string>

#include "app/product_profile.h"
#include "app/self_check.h"
#include "foundation/path_util.h"
#include "ui/dlg_inst_multi.h"

namespace copyloom::ui {

CCopyloomApp::CCopyloomApp() = default;
CCopyloomApp::~CCopyloomApp() = default;

bool CCopyloomApp::InitInstance() {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = 0xFF;  // every class
  InitCommonControlsEx(&controls);
  // The web panel hosts an ActiveX control; the folder picker wants OLE too.
  const bool ole = SUCCEEDED(OleInitialize(nullptr));
  {
    CDlgInstMulti window;
    window.DoModal();
  }
  if (ole) OleUninitialize();
  return false;
}

int RunCopyloomSetup() {
  // No window exists yet: the start-up checks speak in boxes of their own.
  SetSelfCheckSink([](const std::wstring& message) {
    const std::wstring caption = GetPathFileName(GetProgramPath(), false);
    MessageBoxW(nullptr, message.c_str(), caption.c_str(), MB_OK);
  });
  InitProductProfile();
  SetSelfCheckSink({});
  CCopyloomApp app;
  app.InitInstance();
  return 0;
}

}  // namespace copyloom::ui
