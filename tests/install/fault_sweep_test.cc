// The fault sweep, as LevelDB's fault-injecting environment does it: for
// install (both sides, with and without the chart), uninstall, deployment
// and the settings save, each platform operation fails at its 1st call,
// then its 2nd, ... until a run ends without the fault firing. Whatever
// failed: no row says it completed unless its files are complete, a failed
// row left its terminal as it was, no file
// is torn (each is as before the run or as after a clean run, and no
// temporary file is left), the saved list restores every row, and a rerun
// without faults ends exactly where a clean run does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>

#include "app/process_objects.h"
#include "app/product_profile.h"
#include "foundation/ini_file.h"
#include "foundation/path_util.h"
#include "install/install_commands.h"
#include "install/support_files.h"
#include "install/transaction.h"
#include "install/uninstall.h"
#include "platform/platform.h"
#include "platform/test_hooks.h"
#include "platform/testing.h"
#include "support/fake_view.h"
#include "support/power_cut_files.h"
#include "support/test_files.h"
#include "support/test_machine.h"
#include "terminals/terminal_layout.h"
#include "terminals/terminal_list.h"

namespace copyloom {
namespace {

namespace pf = copyloom::platform;
using pf::testing::Op;
using Files = std::map<std::wstring, std::string>;

constexpr wchar_t kPlain[] = L"C:\\MT4 A";
// Not in code page 1252: the saved list must still keep it.
constexpr wchar_t kCyrillic[] = L"D:\\Терминал МТ4";

std::string Signed(const std::string& body) { return "EX4 " + body + " CopyloomSignedEA"; }

// A machine as a trader has it: the kit beside the program, older support
// files, two listed and ticked terminals, one with an older provider.
class Machine {
 public:
  explicit Machine(bool in_memory = false) : m(L"CopyloomSetup.exe", in_memory) {
    pf::testing::SetAnsiCodePage(1252);
    pf::testing::SetSkipSync(true);
    const std::wstring kit = L"C:\\Setup\\";
    m.WriteFile(kit + L"Signal Provider\\experts\\_Velmora Signal Provider.ex4",
                Signed("provider 2"));
    m.WriteFile(kit + L"Signal Provider\\experts\\libraries\\vlcpy.dll", "MZ library 2");
    m.WriteFile(kit + L"Signal Provider\\templates\\Copyloom Provider.tpl", "<chart 2>");
    m.WriteFile(kit + L"Signal Receiver\\experts\\_Velmora Signal Receiver.ex4",
                Signed("receiver 2"));
    m.WriteFile(kit + L"Signal Receiver\\experts\\libraries\\vlcpy.dll", "MZ library 2");
    m.WriteFile(kit + L"vlcpy.sin", "settings 2");
    m.WriteFile(kit + L"vlcpy2026.tag", "tag");
    for (const std::wstring t : {kPlain, kCyrillic}) {
      m.MakeTerminal(t);
      m.WriteFile(t + L"\\profiles\\lastprofile.ini", "default\r\n");
      m.WriteFile(t + L"\\profiles\\default\\order.wnd", "EURUSD,H1\r\n");
      m.WriteFile(t + L"\\config\\experts.ini", std::string(256, '\0'));
    }
    const std::wstring plain = kPlain;
    m.WriteFile(plain + L"\\experts\\_Velmora Signal Provider.ex4", Signed("provider 1"));
    m.WriteFile(plain + L"\\experts\\libraries\\vlcpy.dll", "MZ library 1");
    m.StartProduct();
    m.WriteFile(TheProfile().data_folder + L"vlcpy.sin", "settings 1");
    view.AddRow(kPlain, true, L"Provider", L"Completed");
    view.AddRow(kCyrillic, true);
    SaveTerminalList(view);
    RestoreTerminalList(view);
  }

  void TickAll() {
    for (auto& row : view.rows) row.ticked = true;
  }
  // Sorted: the saved list groups the rows by type.
  std::vector<std::wstring> RestoredFolders() const {
    test::FakeView restored;
    RestoreTerminalList(restored);
    return Sorted(restored.Folders());
  }
  static std::vector<std::wstring> Sorted(std::vector<std::wstring> folders) {
    std::sort(folders.begin(), folders.end());
    return folders;
  }

  test::TestMachine m;
  test::FakeView view;
  RowFailures failures;  // of the last row command
};

// What a run says it completed: the files below each of these folders must
// then be exactly those of a clean run.
using Claims = std::vector<std::wstring>;

struct Scenario {
  const char* name;
  std::function<void(Machine&)> prepare;  // before the run, without faults
  std::function<Claims(Machine&)> run;
  bool rows_repeat = true;  // a rerun ends with the rows of a clean run
};

Claims CompletedRows(Machine& x, TextKey done, bool is_install) {
  Claims claims;
  bool any_unfinished = false;
  for (const auto& row : x.view.rows) {
    const bool completed = StartsWith(row.state, x.view.Text(done));
    any_unfinished = any_unfinished || !completed;
    // The chart is an extra the install adds after the row completed.
    if (completed) claims.push_back(row.folder + (is_install ? L"\\experts" : L""));
  }
  if (any_unfinished) {
    for (const auto& text : x.view.MessageTexts()) {
      EXPECT_NE(text, x.view.Text(TextKey::InstallCompleted)) << "a summary claiming success";
    }
  }
  return claims;
}

std::function<Claims(Machine&)> Install(bool provider, bool chart) {
  return [=](Machine& x) {
    // Only what this run says counts.
    for (auto& row : x.view.rows) row.state.clear();
    x.view.load_ea_auto = chart;
    x.failures = (provider ? OnInstallProvider(x.view, InstallSession{})
                           : OnInstallReceiver(x.view, InstallSession{}))
                     .failures;
    return CompletedRows(x, TextKey::InstallCompleted, true);
  };
}

const Scenario kScenarios[] = {
    {"InstallProviderWithChart", nullptr, Install(true, true)},
    {"InstallProviderWithoutChart", nullptr, Install(true, false)},
    {"InstallReceiverWithChart", nullptr, Install(false, true)},
    {"InstallReceiverWithoutChart", nullptr, Install(false, false)},
    {"Uninstall",
     [](Machine& x) {
       Install(true, true)(x);
       x.TickAll();
       x.view.messages.clear();
     },
     [](Machine& x) {
       for (auto& row : x.view.rows) row.state.clear();
       x.failures = OnUninstall(x.view).failures;
       Claims claims;
       for (const auto& row : x.view.rows) {
         if (row.state == x.view.Text(TextKey::UninstallCompleted)) claims.push_back(row.folder);
       }
       return claims;
     },
     false},
    {"Deployment", nullptr,
     [](Machine&) {
       if (DeploySupportFiles() != L"SUCC") return Claims{};
       return Claims{TheProfile().data_folder + L"vlcpy"};
     }},
    {"SettingsSave",
     [](Machine& x) {
       x.view.rows[0].state = L"Failed";
       x.view.rows[1].state = L"Completed";
       x.view.rows[1].type = L"Receiver";
     },
     [](Machine& x) {
       if (!SaveTerminalList(x.view)) return Claims{};
       return Claims{TheConfig().config_path()};
     }},
};

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

struct Outcome {
  Files files;
  std::vector<TerminalRow> rows;
};

Outcome CleanRun(const Scenario& s, bool in_memory = false) {
  Machine x(in_memory);
  if (s.prepare) s.prepare(x);
  s.run(x);
  SaveTerminalList(x.view);  // as a command-line run ends
  return {x.m.Files(), x.view.rows};
}

bool SameRows(const std::vector<TerminalRow>& a, const std::vector<TerminalRow>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].folder != b[i].folder || a[i].type != b[i].type || a[i].state != b[i].state ||
        a[i].ticked != b[i].ticked) {
      return false;
    }
  }
  return true;
}

std::string Name(const std::wstring& path) { return pf::WideToUtf8(path); }

// What a transaction keeps while it runs: left only with its journal, for
// the next run to finish.
bool TransactionFile(const std::wstring& path) {
  for (const wchar_t* tail : {L".clold", L".clnew", L".cljournal", L".cljournal.lock"}) {
    if (EndsWith(path, tail)) return true;
  }
  return false;
}

// A row that failed left its terminal exactly as it was.
void ExpectFailedRowsUntouched(const Machine& x, const Files& before, const Files& after) {
  for (const auto& row : x.view.rows) {
    if (!StartsWith(row.state, x.view.Text(TextKey::InstallFailed)) &&
        !StartsWith(row.state, x.view.Text(TextKey::UninstallFailed))) {
      continue;
    }
    const std::wstring folder = row.folder + L"\\";
    auto below = [&](const Files& files) {
      Files kept;
      for (const auto& [path, bytes] : files) {
        if (StartsWith(path, folder) && !TransactionFile(path)) kept[path] = bytes;
      }
      return kept;
    };
    EXPECT_TRUE(below(before) == below(after)) << "failed but changed: " << Name(row.folder);
  }
}

// One faulted run and its checks; false when the fault never fired.
bool FaultedRun(const Scenario& s, Op op, int nth, const Outcome& clean) {
  Machine x;
  if (s.prepare) s.prepare(x);
  const Files before = x.m.Files();
  const std::vector<TerminalRow> rows_before = x.view.rows;
  const int fired_before = pf::testing::FaultsFired();
  pf::testing::FailNthCall(op, nth);
  const Claims claims = s.run(x);
  pf::testing::FailNthCall(op, 0);
  if (pf::testing::FaultsFired() == fired_before) return false;

  // Each file as it was, or as a clean run leaves it.
  const Files after = x.m.Files();
  bool journal_kept = false;
  for (const auto& [path, bytes] : after)
    journal_kept = journal_kept || EndsWith(path, L".cljournal");
  ExpectFailedRowsUntouched(x, before, after);
  // Each row the run failed names its cause, of the trader's file, never of ours.
  const RowFailures& causes = x.failures;
  for (size_t i = 0; i < x.view.rows.size(); ++i) {
    const TerminalRow& row = x.view.rows[i];
    if (i < rows_before.size() && rows_before[i].state == row.state) continue;
    if (!StartsWith(row.state, x.view.Text(TextKey::InstallFailed)) &&
        !StartsWith(row.state, x.view.Text(TextKey::UninstallFailed))) {
      continue;
    }
    const auto cause = causes.find(row.folder);
    EXPECT_TRUE(cause != causes.end()) << "no cause: " << Name(row.folder);
    if (cause == causes.end()) continue;
    EXPECT_NE(cause->second.kind(), pf::FailureKind::kNone);
    EXPECT_FALSE(TransactionFile(cause->second.path())) << Name(cause->second.path());
    EXPECT_FALSE(EndsWith(cause->second.path(), L".cltmp")) << Name(cause->second.path());
  }
  for (const auto& [path, bytes] : after) {
    EXPECT_FALSE(EndsWith(path, L".cltmp")) << "left behind: " << Name(path);
    if (TransactionFile(path)) {
      // An empty lock file that would not go is swept by the next run.
      EXPECT_TRUE(journal_kept || EndsWith(path, L".lock"))
          << "left without a journal: " << Name(path);
      continue;
    }
    auto was = before.find(path);
    auto wanted = clean.files.find(path);
    const bool as_before = was != before.end() && was->second == bytes;
    const bool as_clean = wanted != clean.files.end() && wanted->second == bytes;
    EXPECT_TRUE(as_before || as_clean) << "torn: " << Name(path);
  }
  for (const auto& [path, bytes] : before) {
    if (clean.files.count(path) && !after.count(path)) ADD_FAILURE() << "lost: " << Name(path);
  }
  // What the run says it completed is complete.
  for (const auto& folder : claims) {
    for (const auto& [path, bytes] : clean.files) {
      if (!StartsWith(path, folder)) continue;
      auto got = after.find(path);
      EXPECT_TRUE(got != after.end() && got->second == bytes)
          << "claimed complete, but not: " << Name(path);
    }
  }

  // The list still restores every row.
  if (!SaveTerminalList(x.view)) ADD_FAILURE() << "the list cannot be saved after the fault";
  EXPECT_EQ(x.RestoredFolders(), Machine::Sorted(x.view.Folders()));

  // A rerun ends where a clean run does.
  x.TickAll();
  x.view.messages.clear();
  s.run(x);
  SaveTerminalList(x.view);
  const Files rerun = x.m.Files();
  for (const auto& [path, bytes] : clean.files) {
    // The rows, and so the saved list, may differ (see below).
    if (!s.rows_repeat && path == TheConfig().config_path()) continue;
    auto got = rerun.find(path);
    EXPECT_TRUE(got != rerun.end() && got->second == bytes) << "rerun differs: " << Name(path);
  }
  for (const auto& [path, bytes] : rerun) {
    EXPECT_TRUE(clean.files.count(path)) << "rerun left: " << Name(path);
  }
  // An uninstall rerun finds nothing left to remove where the first one
  // got through, and says so.
  if (s.rows_repeat) {
    EXPECT_TRUE(SameRows(x.view.rows, clean.rows));
  }
  return true;
}

class FaultSweepTest : public ::testing::TestWithParam<Scenario> {};

TEST_P(FaultSweepTest, NothingIsLostWhereverAnOperationFails) {
  const Scenario& s = GetParam();
  const Outcome clean = CleanRun(s);
  // Under Wine a sample keeps the run short: every k-th call.
  int stride = COPYLOOM_SWEEP_STRIDE;
  if (const char* sample = std::getenv("COPYLOOM_SWEEP_SAMPLE"))
    stride = std::max(1, std::atoi(sample));
  int runs = 0, fired = 0;
  for (Op op : pf::testing::kAllOps) {
    for (int nth = 1; nth < 1000; nth += stride) {
      SCOPED_TRACE("op " + std::to_string(static_cast<int>(op)) + " call " + std::to_string(nth));
      ++runs;
      if (!FaultedRun(s, op, nth, clean)) break;
      ++fired;
      if (HasFailure()) return;
    }
  }
  std::cout << "[ sweep ] " << s.name << ": " << runs << " runs, " << fired << " faults fired\n";
}

// The fuzz targets run on the memory store: it must end each scenario with
// the files and rows the disk does.
TEST_P(FaultSweepTest, TheMemoryStoreEndsWhereTheDiskDoes) {
  const Outcome disk = CleanRun(GetParam());
  const Outcome memory = CleanRun(GetParam(), true);
  for (const auto& [path, bytes] : disk.files) {
    auto got = memory.files.find(path);
    EXPECT_TRUE(got != memory.files.end() && got->second == bytes) << "differs: " << Name(path);
  }
  for (const auto& [path, bytes] : memory.files) {
    EXPECT_TRUE(disk.files.count(path)) << "only in memory: " << Name(path);
  }
  EXPECT_TRUE(SameRows(disk.rows, memory.rows));
}

// The power-cut sweep: the same scenarios run on the memory store under a
// durability model; at every operation each disk a cut could leave is
// restored, the next run's recovery runs on it, and then each terminal is
// all old or all new (its profiles, which the chart changes in a second
// transaction, on their own), no file of ours is left, every other file
// is as before or as after, and a row the saved list calls completed is
// durably new.
struct PowerCut {
  const Scenario* scenario;
  test::Persistence model;
};

Files Below(const Files& files, const std::wstring& folder, bool profiles) {
  Files kept;
  for (const auto& [path, bytes] : files) {
    if (!StartsWith(path, folder + L"\\")) continue;
    if (StartsWith(path, folder + L"\\profiles\\") == profiles) kept[path] = bytes;
  }
  return kept;
}

void CheckCrashImage(Machine& x, const Files& before, const Files& after) {
  for (const auto& row : x.view.rows) RecoverCutShort(ResolveTerminalLayout(row.folder).data_folder);
  const Files got = x.m.Files();
  for (const auto& [path, bytes] : got) {
    EXPECT_FALSE(TransactionFile(path) || EndsWith(path, L".cltmp"))
        << "left: " << Name(path) << " [" << bytes << "]";
  }
  std::vector<std::wstring> terminals;
  for (const auto& row : x.view.rows) terminals.push_back(row.folder);
  for (const auto& t : terminals) {
    for (bool profiles : {false, true}) {
      const Files now = Below(got, t, profiles);
      EXPECT_TRUE(now == Below(before, t, profiles) || now == Below(after, t, profiles))
          << "neither old nor new: " << Name(t) << (profiles ? " profiles" : "");
    }
  }
  for (const auto& [path, bytes] : got) {
    if (std::any_of(terminals.begin(), terminals.end(),
                    [&](const std::wstring& t) { return StartsWith(path, t + L"\\"); })) {
      continue;
    }
    auto was = before.find(path);
    auto now = after.find(path);
    EXPECT_TRUE((was != before.end() && was->second == bytes) ||
                (now != after.end() && now->second == bytes))
        << "torn: " << Name(path);
  }
  // The list this run saved (an older one speaks of older runs).
  auto config = got.find(TheConfig().config_path());
  auto saved = after.find(TheConfig().config_path());
  if (config == got.end() || saved == after.end() || config->second != saved->second) return;
  test::FakeView restored;
  RestoreTerminalList(restored);
  for (const auto& row : restored.rows) {
    if (!StartsWith(row.state, x.view.Text(TextKey::InstallCompleted)) &&
        row.state != x.view.Text(TextKey::UninstallCompleted)) {
      continue;
    }
    EXPECT_TRUE(Below(got, row.folder, false) == Below(after, row.folder, false))
        << "completed, but not durably: " << Name(row.folder);
  }
}

class PowerCutTest : public ::testing::TestWithParam<PowerCut> {};

TEST_P(PowerCutTest, EveryTerminalIsWholeWhereverThePowerIsCut) {
  const Scenario& s = *GetParam().scenario;
  Machine x(true);
  pf::testing::SetSkipSync(false);
  if (s.prepare) s.prepare(x);
  SaveTerminalList(x.view);
  const Files before = x.m.Files();
  pf::MemoryFiles* store = pf::testing::InstalledMemoryFiles();
  std::vector<test::CrashImage> images;
  Files after;
  {
    test::PowerCutFiles cut(store);
    cut.model = GetParam().model;
    s.run(x);
    SaveTerminalList(x.view);
    cut.Stop();
    images = cut.images();
    after = x.m.Files();
  }
  size_t checked = 0;
  for (size_t i = 0; i < images.size(); ++i) {
    SCOPED_TRACE("crash image " + std::to_string(i));
    test::PowerCutFiles::Restore(store, images[i]);
    CheckCrashImage(x, before, after);
    ++checked;
    if (HasFailure()) break;
  }
  // Recovery cut short by a second cut: from a sample of the images.
  for (size_t i = 0; i < images.size() && !HasFailure(); i += 7) {
    SCOPED_TRACE("recovery cut, image " + std::to_string(i));
    test::PowerCutFiles::Restore(store, images[i]);
    std::vector<test::CrashImage> again;
    {
      test::PowerCutFiles cut(store);
      cut.model = GetParam().model;
      for (const auto& row : x.view.rows)
        RecoverCutShort(ResolveTerminalLayout(row.folder).data_folder);
      cut.Stop();
      again = cut.images();
    }
    for (const auto& image : again) {
      test::PowerCutFiles::Restore(store, image);
      CheckCrashImage(x, before, after);
      ++checked;
      if (HasFailure()) break;
    }
  }
  std::cout << "[ power cut ] " << s.name << ": " << checked << " crash images\n";
  EXPECT_GT(images.size(), 10u);
}

std::vector<PowerCut> PowerCuts() {
  std::vector<PowerCut> cuts;
  for (const Scenario& s : kScenarios) {
    // The settings save is the last step of each install; the chart
    // installs cover those without.
    const std::string name = s.name;
    if (name != "InstallProviderWithChart" && name != "InstallReceiverWithChart" &&
        name != "Uninstall") {
      continue;
    }
    for (auto model : {test::Persistence::kDropUnsynced, test::Persistence::kOrderedMetadata,
                       test::Persistence::kReordered}) {
      if (name == "InstallReceiverWithChart" && model == test::Persistence::kReordered) continue;
      cuts.push_back({&s, model});
    }
  }
  return cuts;
}

std::string PowerCutName(const ::testing::TestParamInfo<PowerCut>& info) {
  static const char* const kModels[] = {"DropUnsynced", "OrderedMetadata", "Reordered"};
  return std::string(info.param.scenario->name) + kModels[static_cast<int>(info.param.model)];
}

// Each build's store keeps the persistence of that build's disk.
INSTANTIATE_TEST_SUITE_P(Operations, PowerCutTest, ::testing::ValuesIn(PowerCuts()), PowerCutName);

INSTANTIATE_TEST_SUITE_P(Operations, FaultSweepTest, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<Scenario>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace copyloom
