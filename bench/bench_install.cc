// Install of a package into many terminals, first and repeat, against
// rsync -r --checksum and cp -r of the same package into as many folders.
#include <unistd.h>

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

// One run of tool into every folder, timed as a whole.
double CopyInto(const std::vector<std::string>& folders,
                const std::function<std::vector<std::string>(const std::string&)>& command) {
  const double start = Now();
  for (const auto& folder : folders) Require(RunChild(command(folder)).ok, command(folder)[0]);
  return Now() - start;
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

  std::vector<double> first, repeat, rsync_first, rsync_repeat, cp_first, cp_repeat;
  for (int i = 0; i < args.reps(); ++i) {
    machine.MakeTerminals(terminals);
    ChildRun run = machine.Copyloom(install);
    Require(run.ok, "copyloom install (first)");
    first.push_back(run.seconds);
    sync();
    run = machine.Copyloom(install);
    Require(run.ok, "copyloom install (repeat)");
    repeat.push_back(run.seconds);

    RemoveTree(args.data() + "/install/rsync");
    RemoveTree(args.data() + "/install/cp");
    MakeFolders(args.data() + "/install/rsync");
    sync();
    rsync_first.push_back(CopyInto(rsync_folders, rsync));
    sync();
    rsync_repeat.push_back(CopyInto(rsync_folders, rsync));
    for (const auto& folder : cp_folders) MakeFolders(folder);
    sync();
    cp_first.push_back(CopyInto(cp_folders, cp));
    sync();
    cp_repeat.push_back(CopyInto(cp_folders, cp));
  }

  const std::string what = std::to_string(mib) + " MiB, " + std::to_string(files) + " files into " +
                           std::to_string(terminals) + " terminals";
  const double f = Median(first), r = Median(repeat);
  PrintRow("First install (" + what + ") vs `rsync -r --checksum`", FormatSeconds(f),
           FormatSeconds(Median(rsync_first)), FormatRatio(f / Median(rsync_first)), "<= 0.3x");
  PrintRow("First install vs `cp -r`", FormatSeconds(f), FormatSeconds(Median(cp_first)),
           FormatRatio(f / Median(cp_first)), "");
  PrintRow("Repeat install (" + what + ") vs `rsync -r --checksum`", FormatSeconds(r),
           FormatSeconds(Median(rsync_repeat)), FormatRatio(r / Median(rsync_repeat)), "<= 0.3x");
  PrintRow("Repeat install vs `cp -r`", FormatSeconds(r), FormatSeconds(Median(cp_repeat)),
           FormatRatio(r / Median(cp_repeat)), "");
  RemoveTree(args.data() + "/install");
  return 0;
}
