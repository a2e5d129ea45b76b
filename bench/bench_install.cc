// Install of a package into many terminals, first and repeat, against
// rsync -r --checksum and cp -r of the same package into as many folders.
#include <unistd.h>

#include <algorithm>
#include <cstdio>

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

  Series first, repeat, rsync_first, rsync_repeat, cp_first, cp_repeat;
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
  char peak[32];
  std::snprintf(peak, sizeof peak, "%.1f MiB", static_cast<double>(peak_kib) / 1024);
  PrintRow("Peak memory of the first install (" + what + ")", peak, "", "", "",
           "< 64 MiB + " + std::to_string(mib) + " MiB");
  RemoveTree(args.data() + "/install");
  return 0;
}
