// The saved terminal list ("PATH" of clinst.cfg) on any text: the rows
// restored are distinct, existing, non-empty folders, and saving them and
// restoring again gives the same rows.
//
// Input: the value after "PATH=" (a line break in it ends the value and the
// rest is more of the file). The machine's terminals are C:\MT4 and
// D:\Terminal.
#include <algorithm>
#include <cstdint>
#include <tuple>

#include "app/process_objects.h"
#include "foundation/file_ctrl.h"
#include "fuzz_support.h"
#include "support/fake_view.h"
#include "terminals/terminal_list.h"

namespace {

using Row = std::tuple<std::wstring, bool, std::wstring>;

std::vector<Row> Rows(const copyloom::test::FakeView& view) {
  std::vector<Row> rows;
  for (const auto& r : view.rows) rows.emplace_back(r.folder, r.ticked, r.type);
  std::sort(rows.begin(), rows.end());
  return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace copyloom;
  const fuzz::RunScope run;
  auto& machine = fuzz::Machine();
  machine.WriteFile(TheConfig().config_path(),
                    "[MAIN]\r\nPATH=" + std::string(reinterpret_cast<const char*>(data), size));

  test::FakeView first;
  RestoreTerminalList(first);
  const CFileCtrl files;
  for (size_t i = 0; i < first.rows.size(); ++i) {
    const std::wstring& folder = first.rows[i].folder;
    if (folder.empty()) fuzz::Broken("a row without a folder");
    // A row on a drive this prefix does not map is kept; any other must exist.
    if (!KeptFolder(files, folder)) fuzz::Broken("a row of a missing folder");
    for (size_t j = 0; j < i; ++j) {
      if (SameFolder(first.rows[j].folder, folder)) fuzz::Broken("a folder listed twice");
    }
  }

  SaveTerminalList(first);
  test::FakeView second;
  RestoreTerminalList(second);
  if (Rows(first) != Rows(second)) fuzz::Broken("saved rows restore otherwise");
  return 0;
}
