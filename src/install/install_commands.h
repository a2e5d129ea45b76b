// The install commands of the window (buttons 1017 and 1018): choose the
// rows, run the engine per row, write Type and State, optionally prepare a
// chart, and sum the run up in one message.
#pragma once

#include <string>
#include <vector>

#include "install/command_result.h"
#include "install/mt_assist.h"
#include "terminals/installer_view.h"

namespace copyloom {

// Which side the program installs, from its own path: 0 none chosen,
// 1 Signal Provider, 2 Signal Receiver.
enum InstallSide { kSideNone = 0, kSideProvider = 1, kSideReceiver = 2 };

// "安装喊单"/"Provider" give 1, then "安装跟单"/"Receiver" give 2 (case
// sensitive); else a program inside a side folder ("Signal Provider", any
// letter case) gets that side; without the side chooser always 1.
int DetectInstallSide(const std::wstring& program_path, bool side_chooser);

// The version of the copier's support library beside the program
// ("vlcpy.dll", else "vlcpyw.dll"); empty when none.
std::wstring FindSupportLibraryVersion();

// What the window fixed while it opened.
struct InstallSession {
  int side = kSideNone;
  std::wstring library_version;
};

// The package a side installs from, as its install command chooses it: the
// program folder, or its side folder when the program's name names no side.
struct PackageChoice {
  std::wstring root;
  std::wstring expert_pattern = L"*";
  std::wstring library_pattern = L"*";
};
// side: kSideProvider or kSideReceiver; kSideNone gives the expert-advisor
// edition's package (everything beside the program).
PackageChoice ChoosePackage(const InstallSession& session, int side);

// True when the kit (the program's folder) holds a package of a side the
// session may install: something to install or to compare with.
bool KitHasPackage(const InstallSession& session);
// Empty when an install of the side (kSideNone: the expert-advisor edition's
// package) finds its package; else, for the command line, which folder or
// expert is missing.
std::wstring MissingPackageText(const InstallSession& session, int side);
// Every package root an install from this program may use, with "\": the
// side folders (both languages) when the program's name names no side and
// the edition chooses one, else the program folder.
std::vector<std::wstring> PackageRoots(const InstallSession& session);

// The three install commands.
enum class InstallCommand { kProvider, kReceiver, kExperts };

// What an install command works with, built afresh for each run of it: the
// package root and the engine's set-up (the kit and the dry run are added
// when its rows run). Nothing an earlier command chose carries over: a
// Receiver install checks no marker, also after a Provider install.
struct InstallSetup {
  std::wstring package_root;
  EngineSetup engine;
};
InstallSetup SetUpInstall(InstallCommand command, const InstallSession& session);

// Button 1017; in the expert-advisor edition it runs OnInstallExperts.
CommandResult OnInstallProvider(InstallerView& view, const InstallSession& session,
                                const CommandOptions& options = {});
// Button 1018.
CommandResult OnInstallReceiver(InstallerView& view, const InstallSession& session,
                                const CommandOptions& options = {});
// The expert-advisor edition's install: everything beside the program.
CommandResult OnInstallExperts(InstallerView& view, const InstallSession& session,
                               const CommandOptions& options = {});

}  // namespace copyloom
