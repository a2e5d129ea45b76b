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

  double per_terminal_first = 0;
  for (int64_t count = largest / 100; count <= largest; count *= 10) {
    if (count < 1) continue;
    Machine machine(args.data() + "/scaling/" + std::to_string(count));
    machine.MakeKit(files, mib << 20);
    machine.MakeTerminals(static_cast<int>(count));
    Require(machine.Copyloom({"list"}).ok, "copyloom list");
    Require(machine.Copyloom(install).ok, "copyloom install (first)");
    std::vector<double> times;
    int64_t peak = 0;
    for (int i = 0; i < args.reps(); ++i) {
      const ChildRun run = machine.Copyloom(install);
      Require(run.ok, "copyloom install (repeat)");
      times.push_back(run.seconds);
      peak = std::max(peak, run.peak_kib);
    }
    const double per = Median(times) / static_cast<double>(count);
    if (per_terminal_first == 0) per_terminal_first = per;
    const std::string what = "Repeat install, " + std::to_string(mib) + " MiB package, " +
                             std::to_string(count) + " terminals";
    PrintRow(what + ": time per terminal",
             FormatSeconds(per) + " (total " + FormatSeconds(Median(times)) + ")", "",
             FormatRatio(per / per_terminal_first) + " of the smallest run", "flat (about 1.0x)");
    if (count == largest) {
      PrintRow("Peak memory of the " + std::to_string(count) + "-terminal run", FormatMib(peak), "",
               "", "< 64 MiB + " + std::to_string(mib) + " MiB");
    }
    RemoveTree(machine.root());
  }
  return 0;
}
