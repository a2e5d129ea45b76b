// `copyloom verify`: the kit beside the program against its signature and
// manifest, and each chosen terminal's files against the record of the
// signed kit it holds. One line per finding; changes nothing.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "terminals/terminal_list.h"

namespace copyloom::cli {

struct VerifyReport {
  bool all_good = true;  // every kit genuine, no terminal file modified
  std::vector<std::wstring> lines;
  // "kits": root, state ("genuine", "unsigned", "not-genuine"), name,
  // version, file, why; "rows": folder, kit, kit_version, state
  // ("as-installed", "modified", "no-record"), modified.
  nlohmann::ordered_json json;
};

// The package folders that exist among roots, and the rows' terminals.
VerifyReport VerifyKitsAndTerminals(const std::vector<std::wstring>& roots,
                                    const std::vector<TerminalRow>& rows);

}  // namespace copyloom::cli
