// `copyloom status`: per terminal its layout, the folder that receives its
// files, whether it runs, and whether the kit's package is installed and up
// to date. Changes nothing: no deployment, no save, no search written back.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "cli/console_view.h"
#include "install/install_commands.h"
#include "install/install_status.h"

namespace copyloom::cli {

struct StatusEntry {
  TerminalRow row;    // a DIR that is not listed gets a row of its own
  std::wstring side;  // the package compared: "Provider", "Receiver" or "EA"
  TerminalStatus status;
};

// Restores the list as opening the window does, without writing anything:
// a machine without a saved list is searched, the result not saved.
void RestoreListReadOnly(ConsoleView& view);

// The chosen terminals: every row when dirs is empty, else each DIR (an
// absolute path; a data folder stands for its installation). A DIR that is
// no terminal shows InvalidTerminalFolder and is left out (*refused set).
std::vector<StatusEntry> CollectStatus(ConsoleView& view, const std::vector<std::wstring>& dirs,
                                       const InstallSession& session, bool* refused);

// The text block of one terminal.
std::wstring StatusText(const StatusEntry& entry);

// A JSON row: ticked, folder, type, state, then layout and data_folder, and
// for status running, installed, differs.
nlohmann::ordered_json RowJson(const TerminalRow& row);
nlohmann::ordered_json StatusJson(const StatusEntry& entry);

}  // namespace copyloom::cli
