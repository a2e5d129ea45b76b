// The terminal search over a drive root with many subfolders, against
// find ROOT -maxdepth 2 -name experts.
#include <stdlib.h>

#include <cstdio>
#include <fstream>

#include "bench/bench_machine.h"
#include "foundation/path_util.h"
#include "terminals/terminal_discovery.h"

using namespace copyloom::bench;

int main(int argc, char** argv) {
  const Args args(argc, argv);
  const int folders = static_cast<int>(args.Number("folders", 10000));
  Machine machine(args.data() + "/search");
  // Plain program folders with a file each; every 1,000th is a terminal.
  int terminals = 0;
  for (int i = 0; i < folders; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/Folder %05d", i);
    const std::string folder = machine.drive_c() + name;
    MakeFolders(folder);
    std::ofstream(folder + "/readme.txt") << "x";
    if (i % 1000 == 500) {
      MakeFolders(folder + "/config");
      MakeFolders(folder + "/experts");
      ++terminals;
    }
  }
  setenv("WINEPREFIX", (machine.root() + "/prefix").c_str(), 1);

  Series ours, find;
  for (int i = 0; i < args.reps(); ++i) {
    std::wstring found;
    TimeInProcess(&ours, [&] { found = copyloom::FindTerminalFolders(); });
    copyloom::TextList pieces;
    copyloom::SplitText(found, L"|", &pieces, true);
    // The registry's entry comes first, empty here.
    Require(static_cast<int>(pieces.size()) == terminals + 1, "the search missed terminals");
    const ChildRun run =
        RunChild({"find", machine.drive_c(), "-maxdepth", "2", "-name", "experts"});
    Require(run.ok, "find");
    find.Add(run.seconds, run.cpu);
  }
  PrintRow("Terminal search, " + std::to_string(folders) +
               " subfolders of a drive root vs `find ROOT -maxdepth 2 -name experts` (time)",
           FormatSeconds(ours.Wall()), FormatSeconds(find.Wall()),
           FormatRatio(ours.Wall() / find.Wall()), FormatRatio(ours.Cpu() / find.Cpu()), "<= 1.0x");
  RemoveTree(machine.root());
  return 0;
}
