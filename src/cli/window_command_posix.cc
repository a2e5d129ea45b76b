#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/setup_arguments.h"
#include "cli/cli.h"
#include "cli/window_command.h"
#include "install/install_commands.h"
#include "platform/platform.h"
#include "platform/posix/spawn.h"
#include "platform/prefix.h"

namespace copyloom::cli {
namespace {

std::string WideToNative(const std::wstring& text) { return platform::NativeFileName(text); }

bool IsFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string Folder(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

// `wine` as the shell would find it; empty when it is not installed.
std::string FindWine() {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string candidate = (end > start ? dirs.substr(start, end - start) : ".") + "/wine";
    if (access(candidate.c_str(), X_OK) == 0 && IsFile(candidate)) return candidate;
    start = end + 1;
  }
  return "";
}

// Debian splits Wine's loaders: lib/wine/wine64 (wine64) and lib/wine/wine
// (wine32, an i386 package). With only the first, a win32 prefix cannot run.
bool LacksThirtyTwoBitPart(const std::string& wine) {
  char resolved[PATH_MAX];
  const std::string real = realpath(wine.c_str(), resolved) ? resolved : wine;
  for (const std::string& bin : {Folder(wine), Folder(real)}) {
    const std::string lib = Folder(bin) + "/lib/wine/";
    if (IsFile(lib + "wine64") && !IsFile(lib + "wine")) return true;
  }
  return false;
}

// The Windows path Wine gives a native one (drive Z: is the root).
std::string WindowsPathOf(const std::string& native) {
  std::string path = "Z:" + native;
  for (auto& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

int Fail(const std::string& why) {
  std::fputs(("copyloom: " + why + "\n").c_str(), stderr);
  return kExitFailed;
}

// The program the window runs, with its arguments, put after *argv: the
// kit's own setup program, else the one the package installs. False with
// *why when there is neither.
bool ChooseProgram(const WindowRequest& request, bool win32, std::vector<std::string>* argv,
                   std::string* why) {
  // The side: as asked, else the kit folder's name (as install takes it).
  const std::string kit = WideToNative(request.kit);
  std::string side = request.side;
  if (side.empty() && !kit.empty()) {
    const int detected = DetectInstallSide(request.kit + L"/", true);
    if (detected == kSideProvider) side = "provider";
    if (detected == kSideReceiver) side = "receiver";
  }

  std::string program;
  std::vector<std::string> args;
  if (!kit.empty()) {
    std::vector<const wchar_t*> names;
    if (side != "receiver") names.push_back(win32 ? kProviderSetup32Name : kProviderSetupName);
    if (side != "provider") names.push_back(win32 ? kReceiverSetup32Name : kReceiverSetupName);
    for (const wchar_t* name : names) {
      const std::string candidate = kit + "/" + WideToNative(name);
      if (IsFile(candidate)) {
        program = candidate;
        break;
      }
    }
  }
  if (program.empty()) {
    const std::string self = WideToNative(platform::ProgramPath());
    const std::string packaged = Folder(Folder(self)) + "/lib/copyloom/" +
                                 (win32 ? "copyloom-setup-32.exe" : "copyloom-setup.exe");
    if (!IsFile(packaged)) {
      *why = "no window program: neither " +
             (kit.empty() ? std::string("a kit folder (--kit DIR)") : kit) +
             " holds a setup program nor is " + packaged + " installed";
      return false;
    }
    program = packaged;
    if (!kit.empty()) args = {"--kit", WindowsPathOf(kit)};
    if (!side.empty()) args.insert(args.end(), {"--side", side});
  }

  argv->push_back(program);
  argv->insert(argv->end(), args.begin(), args.end());
  return true;
}

}  // namespace

int RunWindowCommand(const WindowRequest& request) {
  const std::string wine = FindWine();
  if (wine.empty()) {
    return Fail("Wine is not installed; the window needs it (Debian: sudo apt-get install wine)");
  }
  // The run's prefix, as chosen for any run.
  const platform::WinePrefix run_prefix = platform::CurrentPrefix();
  std::string prefix = WideToNative(run_prefix.root());
  std::string arch = WideToNative(platform::WinePrefixArch(run_prefix.root()));
  // A prefix Wine is yet to make is made for this machine: 64-bit.
  if (arch.empty()) arch = "win64";
  const bool win32 = arch == "win32";
  if (win32 && LacksThirtyTwoBitPart(wine)) {
    return Fail("the Wine prefix " + prefix +
                " is made for 32-bit Windows, and Wine's 32-bit part is not installed "
                "(Debian: sudo dpkg --add-architecture i386 && sudo apt-get update && "
                "sudo apt-get install wine32:i386)");
  }

  std::vector<std::string> argv = {wine};
  if (std::string why; !ChooseProgram(request, win32, &argv, &why)) return Fail(why);
  platform::posix::ChildRun run;
  run.argv = argv;
  run.environment = {{"WINEPREFIX", prefix}, {"WINEARCH", arch}};
  // Started in the program's folder, as a double-click would.
  run.folder = Folder(argv[1]);
  const platform::posix::ChildEnd end = platform::posix::RunAndWait(run);
  if (!end.started) return Fail("cannot start " + wine);
  return end.exit_status.value_or(kExitFailed);
}

}  // namespace copyloom::cli
