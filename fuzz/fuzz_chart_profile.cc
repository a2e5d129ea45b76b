// The chart profile on any lastprofile.ini and order.wnd: nothing is
// written outside the named profile, and a chart written comes with its
// window line.
//
// Input: lastprofile.ini, then optionally "\n====\n" and order.wnd of the
// profile "default" (no order.wnd without it).
#include <algorithm>
#include <cstdint>

#include "foundation/path_util.h"
#include "fuzz_support.h"
#include "install/mt_assist.h"
#include "platform/platform.h"

namespace {

namespace pf = copyloom::platform;

// The names in a folder, sorted.
std::vector<std::wstring> Names(const std::wstring& folder) {
  std::vector<pf::DirEntry> entries;
  pf::ListEntries(folder, L"*", &entries);
  std::vector<std::wstring> names;
  for (const auto& e : entries) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace copyloom;
  const fuzz::RunScope run;
  auto& machine = fuzz::Machine();
  const std::vector<std::string> parts = fuzz::SplitParts(data, size, 3);
  const std::wstring profiles = L"C:\\MT4\\profiles\\";
  const std::wstring chart = profiles + L"default\\chart00.chr";
  const std::wstring order = profiles + L"default\\order.wnd";
  machine.WriteFile(profiles + L"lastprofile.ini", parts[0]);
  pf::RemoveOneFile(chart);
  pf::RemoveOneFile(order);
  // A third part "f..." or "s..." makes order.wnd a FIFO or one past its
  // cap: nothing is written, and the row is failed by its name.
  const char odd = parts.size() > 2 && !parts[2].empty() ? parts[2][0] : 0;
  if (parts.size() > 1 && !fuzz::PlantOddFile(order, odd, pf::kProfileFileCap)) {
    machine.WriteFile(order, parts[1]);
  }

  CMTAssist engine;
  engine.WriteChartProfile(L"C:\\MT4", L"Copyloom");
  if (odd == 'f' || odd == 's') {
    if (parts.size() > 1 && !fuzz::OddFileUnchanged(order, odd, pf::kProfileFileCap)) {
      fuzz::Broken("an odd order.wnd changed");
    }
    if (machine.Exists(chart)) fuzz::Broken("a chart beside an odd order.wnd");
    const std::wstring& broken = engine.m_BrokenFile;
    // The profile is named as lastprofile.ini spells it ("defAult"): the same
    // file on Windows, so letter case does not count.
    const std::wstring named = ToLower(broken);
    if (!named.empty() && named != ToLower(order) &&
        named != ToLower(profiles + L"lastprofile.ini")) {
      fuzz::Broken("another file named as broken");
    }
    return 0;
  }

  using Names = std::vector<std::wstring>;
  if (::Names(L"C:\\MT4") != Names{L"config", L"experts", L"profiles"} ||
      ::Names(profiles) != Names{L"default", L"lastprofile.ini"}) {
    fuzz::Broken("a file written outside the profile");
  }
  if (machine.Exists(chart)) {
    const std::string text = machine.ReadFile(chart);
    const std::string list = machine.ReadFile(order);
    if (text.rfind("<chart>\r\nsymbol=", 0) != 0 ||
        text.find("\r\n<expert>\r\nname=Copyloom\r\n") == std::string::npos) {
      fuzz::Broken("a chart file of another shape");
    }
    if (parts.size() < 2 || list.size() <= parts[1].size() || list.size() < 9 ||
        list.compare(list.size() - 9, 9, ",Weekly\r\n") != 0) {
      fuzz::Broken("a chart without its window line");
    }
  }
  return 0;
}
