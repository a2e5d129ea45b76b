#include "ui/copyloom_app.h"

#include <windows.h>
// After windows.h, which they need.
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/product_profile.h"
#include "app/self_check.h"
#include "app/setup_arguments.h"
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

namespace {

// "--kit DIR" and "--side SIDE" (from `copyloom window`) make the program act
// as the kit's own setup program for that side; what is left ("en") goes on
// to the language choice.
void ApplySetupArguments() {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!argv) return;
  std::vector<std::wstring> args(argv + std::min(count, 1), argv + count);
  LocalFree(argv);
  const SetupArguments parsed = ParseSetupArguments(args);
  if (parsed.kit.empty() && parsed.side.empty()) return;
  SetProgramPathOverride(SetupProgramPath(parsed, GetProgramPath()));
  std::wstring rest;
  for (const auto& arg : parsed.rest) rest += (rest.empty() ? L"" : L" ") + arg;
  SetCommandLineArgsOverride(&rest);
}

}  // namespace

int RunCopyloomSetup() {
  ApplySetupArguments();
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
