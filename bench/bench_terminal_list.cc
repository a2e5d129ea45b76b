// The terminal list: restore and save of a long list in process, and a whole
// `copyloom list` run on a small machine, start to exit.
#include <cstdio>

#include "app/product_profile.h"
#include "app/text_table.h"
#include "bench/bench_machine.h"
#include "cli/console_view.h"
#include "platform/platform.h"
#include "terminals/terminal_list.h"

using namespace copyloom::bench;
namespace cl = copyloom;

int main(int argc, char** argv) {
  const Args args(argc, argv);
  const int rows = static_cast<int>(args.Number("rows", 1000));

  Machine machine(args.data() + "/list");
  machine.MakeTerminals(rows);
  cl::ProfileOptions options;
  options.data_folder_override = cl::platform::Utf8ToWide(machine.root() + "/appdata/");
  cl::InitProductProfile(options);
  cl::BindInstallerSettings();
  auto quiet = [](const std::wstring&) {};
  {
    cl::cli::ConsoleView view(cl::InitTexts(), false, quiet);
    view.ResetList({});
    for (int i = 0; i < rows; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "/T%04d", i);
      view.AppendRow(cl::platform::Utf8ToWide(machine.drive_c() + name));
    }
    cl::SaveTerminalList(view);
  }

  cl::cli::ConsoleView view(cl::InitTexts(), false, quiet);
  Series restore, save;
  for (int i = 0; i < args.reps(); ++i) {
    TimeInProcess(&restore, [&] { cl::RestoreTerminalList(view); });
    Require(view.RowCount() == rows, "the restored list lost rows");
    TimeInProcess(&save, [&] { cl::SaveTerminalList(view); });
  }
  PrintRow("Restore of a " + std::to_string(rows) + "-row terminal list",
           FormatSeconds(restore.Wall()), "", "", "", "");
  PrintRow("Save of a " + std::to_string(rows) + "-row terminal list", FormatSeconds(save.Wall()),
           "", "", "", "");

  // A machine of three terminals, listed once so that the search is behind it.
  Machine small(args.data() + "/list-small");
  small.MakeKit(4, 0);
  small.MakeTerminals(3);
  Require(small.Copyloom({"list"}).ok, "copyloom list");
  Series list, floor;
  for (int i = 0; i < args.reps() * 4; ++i) {
    ChildRun run = small.Copyloom({"list"});
    Require(run.ok, "copyloom list");
    list.Add(run.seconds, run.cpu);
    run = RunChild({"true"});
    floor.Add(run.seconds, run.cpu);
  }
  PrintRow("`copyloom list` on 3 terminals, start to exit (anchor: `true`)",
           FormatSeconds(list.Wall()), FormatSeconds(floor.Wall()), "", "", "< 20 ms");
  RemoveTree(machine.root());
  RemoveTree(small.root());
  return 0;
}
