// The terminal list: restore and save of a long list in process, and a whole
// `copyloom list` run on a small machine, start to exit.
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "app/process_objects.h"
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
  // Rows are the prefix's drive-letter paths, as a list saved under Wine.
  setenv("WINEPREFIX", (machine.root() + "/prefix").c_str(), 1);
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
      std::snprintf(name, sizeof name, "C:\\T%04d", i);
      view.AppendRow(cl::platform::Utf8ToWide(name));
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

  // A list from someone else's machine: 2,000 terminals long gone, beside
  // 5,000 folders, each missing name looked up in another letter case.
  {
    const int gone = static_cast<int>(args.Number("gone", 2000));
    const int beside = static_cast<int>(args.Number("beside", 5000));
    for (int i = 0; i < beside; ++i) {
      char name[48];
      std::snprintf(name, sizeof name, "/Traders/Kept %05d", i);
      MakeFolders(machine.drive_c() + name);
    }
    std::wstring saved;
    for (int i = 0; i < gone; ++i) {
      saved += L"00C:\\Traders\\Gone " + std::to_wstring(i) + L"\\MT4*|";
    }
    cl::TheConfig().SetConfigValue(cl::kKeyPath, saved);
    Series removed;
    for (int i = 0; i < args.reps(); ++i) {
      TimeInProcess(&removed, [&] { cl::RestoreTerminalList(view); });
      Require(view.RowCount() == 0, "rows of missing folders were restored");
    }
    PrintRow("Restore of " + std::to_string(gone) + " rows of removed terminals beside " +
                 std::to_string(beside) + " folders",
             FormatSeconds(removed.Wall()), "", "", "", "< 2 s");
  }

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
  // An uninstall of terminals, one of which holds a folder 1,500 levels
  // deep: the search for the copier's chart walks each terminal's whole
  // tree. (The kit's own folders are listed one level only.)
  {
    std::string deep = small.drive_c() + "/T0000/experts/files";
    MakeFolders(deep);
    for (int i = 0; i < static_cast<int>(args.Number("depth", 1500)); ++i) {
      deep += "/d";
      // Level by level: the whole path may grow past what one call takes.
      Require(mkdir(deep.c_str(), 0755) == 0 || errno == EEXIST, "deep folder");
    }
    Series uninstall;
    for (int i = 0; i < args.reps(); ++i) {
      ChildRun run = small.Copyloom({"uninstall", "--all", "--yes"});
      Require(run.ok, "copyloom uninstall");
      uninstall.Add(run.seconds, run.cpu);
    }
    PrintRow("`copyloom uninstall --all` of 3 terminals, one holding a folder 1,500 levels deep",
             FormatSeconds(uninstall.Wall()), "", "", "", "< 5 s");
  }
  RemoveTree(machine.root());
  RemoveTree(small.root());
  return 0;
}
