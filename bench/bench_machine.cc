#include "bench/bench_machine.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace copyloom::bench {
namespace fs = std::filesystem;

std::string CopyloomProgram() { return COPYLOOM_BENCH_CLI; }
std::string SampleKit() { return COPYLOOM_BENCH_KIT; }

Machine::Machine(std::string root) : root_(std::move(root)) {
  MakeFolders(drive_c());
  MakeFolders(root_ + "/prefix/dosdevices");
  MakeFolders(root_ + "/appdata");
  const std::string link = root_ + "/prefix/dosdevices/c:";
  if (!fs::is_symlink(link)) fs::create_directory_symlink("../drive_c", link);
  // What makes a folder a Wine prefix: its registry beside drive_c.
  std::ofstream(root_ + "/prefix/system.reg") << "WINE REGISTRY Version 2\n#arch=win64\n";
}

void Machine::MakeKit(int files, int64_t bytes) {
  const std::string kit = root_ + "/kit";
  RemoveTree(kit);
  std::error_code error;
  fs::copy(SampleKit(), kit, fs::copy_options::recursive, error);
  Require(!error, "cannot copy the sample kit from " + SampleKit());
  // The files added below are not in the sample kit's signed manifest: the
  // kit is measured unsigned.
  for (const char* side : {"/Signal Provider", "/Signal Receiver"}) {
    fs::remove(kit + side + "/kit.manifest", error);
    fs::remove(kit + side + "/kit.manifest.minisig", error);
  }
  int own = 0;
  int64_t own_bytes = 0;
  for (const auto& entry : fs::recursive_directory_iterator(PackageFolder())) {
    if (!entry.is_regular_file()) continue;
    ++own;
    own_bytes += static_cast<int64_t>(entry.file_size());
  }
  // The rest as indicators: every terminal takes them, none is searched.
  const int extra = files - own;
  const std::string folder = PackageFolder() + "/experts/indicators";
  MakeFolders(folder);
  for (int i = 0; i < extra; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "/Bench Indicator %02d.dat", i);
    const int64_t share = (bytes - own_bytes) / extra;
    WriteDataFile(folder + name, share > 0 ? share : 1, 1000 + i);
  }
}

bool Machine::SignKit() {
  const std::string minisign = COPYLOOM_BENCH_MINISIGN, key = COPYLOOM_BENCH_KEY;
  if (minisign.empty() || key.empty() || minisign.find("NOTFOUND") != std::string::npos) {
    return false;
  }
  const std::string package = PackageFolder();
  return RunChild({CopyloomProgram(), "kit", "manifest", package, "--kit-version", "1.4.0.7"}).ok &&
         RunChild({minisign, "-S", "-s", key, "-m", package + "/kit.manifest"}).ok;
}

void Machine::Signed(bool on) {
  std::error_code error;
  for (const char* name : {"/kit.manifest", "/kit.manifest.minisig"}) {
    const std::string file = PackageFolder() + name, aside = file + ".aside";
    fs::rename(on ? aside : file, on ? file : aside, error);
  }
}

std::string Machine::PackageFolder() const { return root_ + "/kit/Signal Provider"; }

void Machine::MakeTerminals(int count) {
  for (const auto& entry : fs::directory_iterator(drive_c())) {
    if (entry.path().filename().string().rfind("T", 0) == 0) RemoveTree(entry.path());
  }
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/T%04d", i);
    const std::string terminal = drive_c() + name;
    MakeFolders(terminal + "/config");
    MakeFolders(terminal + "/experts");
    std::ofstream(terminal + "/terminal.exe") << "MZ bench terminal";
  }
  sync();
}

ChildRun Machine::Copyloom(const std::vector<std::string>& args) const {
  std::vector<std::string> argv = {CopyloomProgram(), "--kit", root_ + "/kit", "--data-dir",
                                   root_ + "/appdata"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunChild(argv, "/dev/null", {"WINEPREFIX=" + root_ + "/prefix", "COPYLOOM_SHELL=none"});
}

}  // namespace copyloom::bench
