// Repeat install of a small package into more and more terminals: the time
// per terminal should stay flat, and the peak memory bounded.
#include "bench/bench_machine.h"

using namespace copyloom::bench;

int main(int argc, char** argv) {
  const Args args(argc, argv);
  const int64_t mib = args.Number("mib", 2);
  const int files = static_cast<int>(args.Number("files", 20));
  const int64_t largest = args.Number("terminals", 1000);
  const std::vector<std::string> install = {"install", "provider", "--all", "--no-chart"};

  double per_terminal_first = 0, per_terminal_first_cpu = 0;
  // Three runs, each ten times the size of the one before.
  for (const int64_t count : {std::max<int64_t>(1, largest / 100),
                              std::max<int64_t>(1, largest / 10), largest}) {
    Machine machine(args.data() + "/scaling/" + std::to_string(count));
    machine.MakeKit(files, mib << 20);
    machine.MakeTerminals(static_cast<int>(count));
    Require(machine.Copyloom({"list"}).ok, "copyloom list");
    Require(machine.Copyloom(install).ok, "copyloom install (first)");
    Series times;
    int64_t peak = 0;
    for (int i = 0; i < args.reps(); ++i) {
      const ChildRun run = machine.Copyloom(install);
      Require(run.ok, "copyloom install (repeat)");
      times.Add(run.seconds, run.cpu);
      peak = std::max(peak, run.peak_kib);
    }
    const double n = static_cast<double>(count);
    const double per = times.Wall() / n, per_cpu = times.Cpu() / n;
    if (per_terminal_first == 0) {
      per_terminal_first = per;
      per_terminal_first_cpu = per_cpu;
    }
    const std::string what = "Repeat install, " + std::to_string(mib) + " MiB package, " +
                             std::to_string(count) + " terminals: time per terminal";
    PrintRow(what + " (ratio to the smallest run)",
             FormatSeconds(per) + " (total " + FormatSeconds(times.Wall()) + ")", "",
             FormatRatio(per / per_terminal_first), FormatRatio(per_cpu / per_terminal_first_cpu),
             "flat (1.0x)");
    if (count == largest) {
      PrintRow("Peak memory of the " + std::to_string(count) + "-terminal repeat install",
               FormatMib(peak), "", "", "", "< 64 MiB + " + std::to_string(mib) + " MiB");
    }
    RemoveTree(machine.root());
  }
  return 0;
}
