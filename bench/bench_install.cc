// Install of a package into many terminals, first and repeat, against
// rsync -r --checksum and cp -r of the same package into as many folders,
// and against the disk's limit: the same bytes written by dd with
// conv=fsync, and one cp per file followed by sync, per terminal. And the
// same kit signed against it unsigned: what checking the signature and each
// file's SHA-256 costs.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "bench/bench_machine.h"

using namespace copyloom::bench;

namespace {

std::vector<std::string> Folders(const std::string& base, int count) {
  std::vector<std::string> folders;
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/%04d", i);
    folders.push_back(base + name);
  }
  return folders;
}

// One run of the tool into every folder, timed as a whole.
void CopyInto(Series* series, const std::vector<std::string>& folders,
              const std::function<std::vector<std::string>(const std::string&)>& command) {
  const double start = Now();
  double cpu = 0;
  for (const auto& folder : folders) {
    const ChildRun run = RunChild(command(folder));
    Require(run.ok, command(folder)[0]);
    cpu += run.cpu;
  }
  series->Add(Now() - start, cpu);
}

// The package's files, relative to it, with their folders.
std::vector<std::string> PackageFiles(const std::string& package, std::vector<std::string>* dirs) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(package)) {
    const std::string below = entry.path().lexically_relative(package).string();
    if (entry.is_directory()) {
      dirs->push_back(below);
    } else if (entry.is_regular_file()) {
      files.push_back(below);
    }
  }
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  const Args args(argc, argv);
  const int terminals = static_cast<int>(args.Number("terminals", 100));
  const int files = static_cast<int>(args.Number("files", 50));
  const int64_t mib = args.Number("mib", 20);

  Machine machine(args.data() + "/install");
  machine.MakeKit(files, mib << 20);
  machine.MakeTerminals(terminals);
  // The first run finds the terminals (they sit at the drive's root).
  Require(machine.Copyloom({"list"}).ok, "copyloom list");
  const std::vector<std::string> install = {"install", "provider", "--all", "--no-chart"};
  const std::string package = machine.PackageFolder();
  const auto rsync_folders = Folders(args.data() + "/install/rsync", terminals);
  const auto cp_folders = Folders(args.data() + "/install/cp", terminals);
  auto rsync = [&](const std::string& to) {
    return std::vector<std::string>{"rsync", "-r", "--checksum", package + "/", to + "/"};
  };
  auto cp = [&](const std::string& to) {
    return std::vector<std::string>{"cp", "-r", package + "/.", to + "/"};
  };

  const auto dd_folders = Folders(args.data() + "/install/dd", terminals);
  const auto cpsync_folders = Folders(args.data() + "/install/cpsync", terminals);
  std::vector<std::string> package_dirs;
  const std::vector<std::string> package_files = PackageFiles(package, &package_dirs);
  int64_t package_bytes = 0;
  for (const auto& file : package_files)
    package_bytes += static_cast<int64_t>(std::filesystem::file_size(package + "/" + file));
  const std::string dd_count = std::to_string(std::max<int64_t>(1, package_bytes >> 16));

  const bool signable = machine.SignKit();
  machine.Signed(false);
  Series signed_first, signed_repeat;
  Series first, repeat, rsync_first, rsync_repeat, cp_first, cp_repeat, dd_fsync, cp_sync;
  int64_t peak_kib = 0;
  for (int i = 0; i < args.reps(); ++i) {
    machine.MakeTerminals(terminals);
    ChildRun run = machine.Copyloom(install);
    Require(run.ok, "copyloom install (first)");
    first.Add(run.seconds, run.cpu);
    peak_kib = std::max(peak_kib, run.peak_kib);
    sync();
    run = machine.Copyloom(install);
    Require(run.ok, "copyloom install (repeat)");
    repeat.Add(run.seconds, run.cpu);
    if (signable) {
      machine.Signed(true);
      machine.MakeTerminals(terminals);
      run = machine.Copyloom(install);
      Require(run.ok, "copyloom install of the signed kit (first)");
      signed_first.Add(run.seconds, run.cpu);
      sync();
      run = machine.Copyloom(install);
      Require(run.ok, "copyloom install of the signed kit (repeat)");
      signed_repeat.Add(run.seconds, run.cpu);
      machine.Signed(false);
    }

    RemoveTree(args.data() + "/install/rsync");
    RemoveTree(args.data() + "/install/cp");
    MakeFolders(args.data() + "/install/rsync");
    sync();
    CopyInto(&rsync_first, rsync_folders, rsync);
    sync();
    CopyInto(&rsync_repeat, rsync_folders, rsync);
    for (const auto& folder : cp_folders) MakeFolders(folder);
    sync();
    CopyInto(&cp_first, cp_folders, cp);
    sync();
    CopyInto(&cp_repeat, cp_folders, cp);

    // The disk's limit: the package's bytes in one file, synced, per terminal.
    RemoveTree(args.data() + "/install/dd");
    for (const auto& folder : dd_folders) MakeFolders(folder);
    sync();
    CopyInto(&dd_fsync, dd_folders, [&](const std::string& to) {
      return std::vector<std::string>{"dd", "if=/dev/zero", "of=" + to + "/package", "bs=64k",
                                      "count=" + dd_count, "conv=fsync", "status=none"};
    });
    // One cp per file, then one sync, per terminal.
    RemoveTree(args.data() + "/install/cpsync");
    for (const auto& folder : cpsync_folders) {
      MakeFolders(folder);
      for (const auto& dir : package_dirs) MakeFolders(folder + "/" + dir);
    }
    sync();
    {
      const double start = Now();
      double cpu = 0;
      for (const auto& folder : cpsync_folders) {
        for (const auto& file : package_files) {
          const ChildRun run = RunChild({"cp", package + "/" + file, folder + "/" + file});
          Require(run.ok, "cp");
          cpu += run.cpu;
        }
        const ChildRun run = RunChild({"sync"});
        Require(run.ok, "sync");
        cpu += run.cpu;
      }
      cp_sync.Add(Now() - start, cpu);
    }
  }

  const std::string what = std::to_string(mib) + " MiB, " + std::to_string(files) + " files into " +
                           std::to_string(terminals) + " terminals";
  auto row = [](const std::string& figure, const Series& ours, const Series& anchor,
                const std::string& goal) {
    PrintRow(figure, FormatSeconds(ours.Wall()), FormatSeconds(anchor.Wall()),
             FormatRatio(ours.Wall() / anchor.Wall()), FormatRatio(ours.Cpu() / anchor.Cpu()),
             goal);
  };
  row("First install (" + what + ") vs `rsync -r --checksum`", first, rsync_first, "<= 0.3x");
  row("First install vs `cp -r`", first, cp_first, "<= 1.0x");
  row("Repeat install (" + what + ") vs `rsync -r --checksum`", repeat, rsync_repeat, "<= 0.3x");
  row("Repeat install vs `cp -r`", repeat, cp_repeat, "");
  row("First install vs the same bytes by `dd conv=fsync`, one file per terminal (disk limit)",
      first, dd_fsync, "");
  row("First install vs one `cp` per file and `sync`, per terminal", first, cp_sync, "");
  if (signable) {
    row("First install, the kit signed vs unsigned", signed_first, first, "<= 1.05x");
    row("Repeat install, the kit signed vs unsigned", signed_repeat, repeat, "<= 1.10x");
  }
  char peak[32];
  std::snprintf(peak, sizeof peak, "%.1f MiB", static_cast<double>(peak_kib) / 1024);
  PrintRow("Peak memory of the first install (" + what + ")", peak, "", "", "",
           "< 64 MiB + " + std::to_string(mib) + " MiB");
  RemoveTree(args.data() + "/install");
  return 0;
}
