// The command line as a user runs it: the built program in a process of its
// own, on terminals and a kit made in a temp folder.
#include "cli/cli.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_fixture.h"
#include "foundation/kit_signature.h"
#include "foundation/path_util.h"
#include "platform/platform.h"

namespace copyloom {
namespace {

// What an install from an unsigned kit (these tests' kits) says first.
constexpr char kUnsigned[] = "This kit is not signed: its files are installed as they are, unchecked";

TEST_F(CliTest, UsageErrorsExitWithTwo) {
  // Each with the reason it is refused (the parser's own where it is empty).
  const struct {
    Strings args;
    const char* why;
  } cases[] = {
      {{}, "a command is required"},
      {{L"frobnicate"}, ""},
      {{L"install"}, ""},
      {{L"install", L"both"}, ""},
      {{L"remove"}, "remove takes DIR arguments or --ticked"},
      {{L"remove", L"--ticked", L"C:\\MT4"}, "remove takes DIR arguments or --ticked"},
      {{L"install", L"provider", L"--chart", L"--no-chart"}, "--chart and --no-chart exclude each other"},
      {{L"uninstall", L"--all", L"C:\\MT4"}, "give DIR arguments or --all, not both"},
      {{L"--bogus", L"list"}, ""},
      {{L"--all-prefixes", L"deploy"}, "--all-prefixes runs list, status, verify, install or uninstall"},
      {{L"--all-prefixes", L"--prefix", L"/x", L"list"}, "give --prefix DIR or --all-prefixes, not both"},
  };
  for (const auto& c : cases) {
    const Strings& args = c.args;
    auto result = Run(args);
    EXPECT_EQ(result.exit_code, 2) << U8(args.empty() ? L"" : args[0]);
    EXPECT_NE(result.err.find("usage: copyloom"), std::string::npos);
    EXPECT_EQ(result.err.rfind(std::string("copyloom: ") + c.why, 0), 0u) << result.err;
    json said = RunJson(args);
    EXPECT_EQ(said["exit"], 2) << said.dump();
    EXPECT_EQ(said["messages"].size(), 1u) << said.dump();
  }
  auto help = Run({L"--help"}, false);
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("install provider|receiver|experts"), std::string::npos);
  auto version = Run({L"--version"}, false);
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_EQ(version.out.rfind("copyloom 1.", 0), 0u) << version.out;
}

TEST_F(CliTest, AddListAndRemove) {
  auto added = Run({L"add", Terminal(L"MT4 A"), Terminal(L"MT4 B")});
  EXPECT_EQ(added.exit_code, 0) << added.out << added.err;

  auto listed = Run({L"list"});
  EXPECT_EQ(listed.exit_code, 0);
  EXPECT_NE(listed.out.find("[ ]\t" + U8(Terminal(L"MT4 A")) + "\t\t"), std::string::npos)
      << listed.out;

  // Its experts folder, its program file or white space around it name the
  // same terminal: still two rows.
  json again = RunJson({L"add", Terminal(L"MT4 A") + L"\\experts",
                        Terminal(L"MT4 B") + L"\\terminal.exe", L" " + Terminal(L"MT4 A") + L"\t"});
  EXPECT_EQ(last_exit_, 0);
  EXPECT_EQ(again["rows"].size(), 2u) << again.dump();

  auto invalid = Run({L"add", dir_.Join(L"kit")});
  EXPECT_EQ(invalid.exit_code, 1);
  EXPECT_NE(invalid.out.find("Invalid installation diretory of MT4 Terminal"), std::string::npos);

  json removed = RunJson({L"remove", Terminal(L"MT4 A")});
  EXPECT_EQ(last_exit_, 0);
  ASSERT_EQ(removed["rows"].size(), 1u);
  EXPECT_EQ(removed["rows"][0]["folder"], U8(Terminal(L"MT4 B")));
  EXPECT_EQ(removed["messages"], json::array({"Completed"}));
  EXPECT_EQ(removed["exit"], 0);

  // Nothing ticked: the prompt, and nothing to do.
  json none = RunJson({L"remove", L"--ticked"});
  EXPECT_EQ(last_exit_, 0);
  EXPECT_EQ(none["messages"],
            json::array({"please select the MT4 Terminal need to be removed from above list"}));
  EXPECT_EQ(none["rows"].size(), 1u);
}

TEST_F(CliTest, InstallReportsEachRowAndTheSummary) {
  auto result = Run({L"install", L"provider", Terminal(L"MT4 A"), L"--no-chart"});
  EXPECT_EQ(result.exit_code, 0) << result.out << result.err;
  EXPECT_NE(result.out.find("[1/1] " + U8(Terminal(L"MT4 A")) + ": Completed\n"), std::string::npos)
      << result.out;
  EXPECT_EQ(dir_.ReadFile(L"terms\\MT4 A\\experts\\_Velmora Signal Provider.ex4"), kMarkedExpert);
  EXPECT_EQ(dir_.ReadFile(L"terms\\MT4 A\\experts\\libraries\\vlcpy.dll"), "MZ library");
  // The support files were deployed into the data folder on the way.
  EXPECT_EQ(dir_.ReadFile(L"data\\vlcpy.sin"), "settings");

  json rows = RunJson({L"install", L"receiver", L"--all"});
  EXPECT_EQ(last_exit_, 0);
  ASSERT_EQ(rows["rows"].size(), 1u);
  EXPECT_EQ(rows["rows"][0]["type"], "Receiver");
  EXPECT_EQ(rows["rows"][0]["state"], "Completed");
  EXPECT_EQ(rows["rows"][0]["ticked"], false);
  EXPECT_EQ(rows["messages"], json::array({kUnsigned, "Completed"}));
}

TEST_F(CliTest, AFailedRowExitsWithOne) {
  // A folder where the expert should go: the copy cannot succeed.
  dir_.MakeFolder(L"terms\\MT4 B\\experts\\_Velmora Signal Provider.ex4");
  json out = RunJson({L"install", L"provider", Terminal(L"MT4 A"), Terminal(L"MT4 B")});
  EXPECT_EQ(last_exit_, 1);
  EXPECT_EQ(out["exit"], 1);
  ASSERT_EQ(out["rows"].size(), 2u);
  EXPECT_EQ(out["rows"][0]["state"], "Completed");
  const std::string path = out["rows"][1]["error"]["path"];
  EXPECT_EQ(out["rows"][1]["error"]["kind"], "not-a-file");
  // The file as found on this machine: a host path on Linux.
  EXPECT_EQ(path, platform::WideToUtf8(platform::HostPath(
                      Terminal(L"MT4 B") + L"\\experts\\_Velmora Signal Provider.ex4")));
  const std::string failed =
      "Failed#Not a plain file: " + path + " - Nothing in the terminal was changed";
  EXPECT_EQ(out["rows"][1]["state"], failed);
  EXPECT_FALSE(out["rows"][0].contains("error"));
  EXPECT_EQ(out["rows"][1]["changes"], json::array());
  EXPECT_FALSE(out["rows"][0]["changes"].empty());
  // The run's own ticks are not left behind, even on a failed row.
  EXPECT_EQ(out["rows"][1]["ticked"], false);
  EXPECT_EQ(out["messages"], json::array({kUnsigned, "Failed\nNot a plain file: " + path +
                                                         " - Nothing in the terminal was changed"}));
}

TEST_F(CliTest, InstallWithoutPackageOrRowsExplainsItself) {
  // A first run finds nothing: every command says what to give instead of
  // the window's folder prompt.
  const std::string no_terminal =
      "No MT4 terminal found: add one with \"add DIR\", or choose a Wine prefix with "
      "\"--prefix DIR\"";
  const std::string no_row =
      "No MT4 terminal to work on: name one (DIR), give --all, or add one with \"add DIR\"";
  auto list = Run({L"list"});
  EXPECT_EQ(list.exit_code, 0);
  EXPECT_NE(list.out.find(no_terminal + "\n"), std::string::npos) << list.out;
  EXPECT_EQ(RunJson({L"list"})["messages"], json::array({no_terminal}));
  for (const Strings& args :
       {Strings{L"install", L"provider", L"--all"}, Strings{L"uninstall", L"--all"}}) {
    EXPECT_EQ(RunJson(args)["messages"], json::array({no_row}));
    EXPECT_EQ(last_exit_, 1);
  }

  Run({L"add", Terminal(L"MT4 A")});
  // No row ticked: nothing to do, and a run says so.
  json none = RunJson({L"install", L"provider"});
  EXPECT_EQ(last_exit_, 1);
  EXPECT_EQ(none["messages"], json::array({no_row}));
  EXPECT_EQ(none["rows"][0]["state"], "");

  // A kit without the side's package is a wrong --kit, as status takes it.
  test::RemoveTree(dir_.Join(L"kit\\Signal Receiver"));
  json missing = RunJson({L"install", L"receiver", L"--all"});
  EXPECT_EQ(last_exit_, 2);
  ASSERT_EQ(missing["messages"].size(), 1u);
  EXPECT_NE(missing["messages"][0].get<std::string>().find("Signal Receiver is missing"),
            std::string::npos);
}

TEST_F(CliTest, TheUsersTicksAreKept) {
  // Ticks come from the window, which shares the settings file.
  const std::wstring a = Terminal(L"MT4 A"), b = Terminal(L"MT4 B");
  dir_.WriteFile(L"data\\clinst.cfg", "[MAIN]\r\nPATH=10" + U8(a) + "*|00" + U8(b) + "*|\r\n");
  json out = RunJson({L"install", L"receiver", b});
  EXPECT_EQ(last_exit_, 0);
  ASSERT_EQ(out["rows"].size(), 2u);
  EXPECT_EQ(out["rows"][0]["folder"], U8(a));
  EXPECT_EQ(out["rows"][0]["ticked"], true);  // not chosen: untouched
  EXPECT_EQ(out["rows"][1]["ticked"], false);
  EXPECT_EQ(out["rows"][1]["state"], "Completed");

  // Without DIR arguments the saved ticks choose, and success clears them.
  auto result = Run({L"install", L"provider"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_NE(result.out.find("[1/1] " + U8(a) + ": Completed\n" + kUnsigned + "\nCompleted\n"),
            std::string::npos)
      << result.out;
  json after = RunJson({L"list"});
  for (const auto& row : after["rows"]) EXPECT_EQ(row["ticked"], false);
}

TEST_F(CliTest, ChartOptionControlsTheChartProfile) {
  dir_.WriteFile(L"terms\\MT4 A\\profiles\\lastprofile.ini", "default");
  dir_.WriteFile(L"terms\\MT4 A\\profiles\\default\\order.wnd", "EURUSD,H1\r\n");
  Run({L"install", L"provider", Terminal(L"MT4 A"), L"--no-chart"});
  EXPECT_EQ(dir_.ReadFile(L"terms\\MT4 A\\profiles\\default\\chart00.chr"), "");
  Run({L"install", L"provider", Terminal(L"MT4 A"), L"--chart"});
  EXPECT_NE(dir_.ReadFile(L"terms\\MT4 A\\profiles\\default\\chart00.chr")
                .find("name=_Velmora Signal Provider"),
            std::string::npos);
}

TEST_F(CliTest, UninstallReportsEachRow) {
  Run({L"install", L"provider", Terminal(L"MT4 A"), L"--no-chart"});
  auto result = Run({L"uninstall", Terminal(L"MT4 A"), Terminal(L"MT4 B")});
  EXPECT_EQ(result.exit_code, 0) << result.out;
  EXPECT_NE(result.out.find("[1/2] " + U8(Terminal(L"MT4 A")) + ": Uninstall completed"),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("[2/2] " + U8(Terminal(L"MT4 B")) +
                            ": Can't find the files need to be uninstalled"),
            std::string::npos);
  EXPECT_EQ(dir_.ReadFile(L"terms\\MT4 A\\experts\\_Velmora Signal Provider.ex4"), "");
}

TEST_F(CliTest, LaunchAndOpen) {
  auto launched = Run({L"launch", Terminal(L"MT4 A")});
  EXPECT_EQ(launched.exit_code, 0) << launched.out;
  EXPECT_NE(launched.out.find("Opening " + U8(Terminal(L"MT4 A"))), std::string::npos);
  EXPECT_NE(launched.out.find("terminal.exe"), std::string::npos);

  auto opened = Run({L"open", Terminal(L"MT4 B")});
  EXPECT_EQ(opened.exit_code, 0);
  EXPECT_NE(opened.out.find("Opening " + U8(Terminal(L"MT4 B")) + "\n"), std::string::npos);

  // A terminal folder without its program.
  dir_.MakeFolder(L"terms\\MT4 C\\config");
  dir_.MakeFolder(L"terms\\MT4 C\\experts");
  auto missing = Run({L"launch", Terminal(L"MT4 C")});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_NE(missing.out.find("terminal.exe not found!"), std::string::npos);
}

TEST_F(CliTest, StatusTellsWhetherAnInstallIsNeededAndChangesNothing) {
  // Nothing saved, nothing found: nothing to report, nothing written.
  EXPECT_EQ(Run({L"status"}).exit_code, 0);
  EXPECT_EQ(dir_.ReadFile(L"data\\clinst.cfg"), "");
  EXPECT_EQ(dir_.ReadFile(L"data\\vlcpy.sin"), "");

  dir_.WriteFile(L"terms\\MT4 P\\terminal.exe", "MZ terminal");
  dir_.MakeFolder(L"terms\\MT4 P\\MQL4\\Experts");
  const std::wstring portable = Terminal(L"MT4 P");
  Run({L"add", Terminal(L"MT4 A"), portable});
  json listed = RunJson({L"list"});
  ASSERT_EQ(listed["rows"].size(), 2u);
  EXPECT_EQ(listed["rows"][1]["layout"], "portable");
  EXPECT_EQ(listed["rows"][1]["data_folder"], U8(portable));

  json before = RunJson({L"status"});
  EXPECT_EQ(last_exit_, 1);
  ASSERT_EQ(before["rows"].size(), 2u);
  EXPECT_EQ(before["rows"][0]["layout"], "classic");
  EXPECT_EQ(before["rows"][0]["installed"], "none");
  EXPECT_EQ(before["rows"][0]["running"], false);

  Run({L"install", L"provider", L"--all", L"--no-chart"});
  auto current = Run({L"status"});
  EXPECT_EQ(current.exit_code, 0) << current.out;
  EXPECT_NE(current.out.find(U8(portable) + "\n  layout:    portable\n  files in:  " +
                             U8(portable) + "\n  running:   no\n  Provider:  current"),
            std::string::npos)
      << current.out;

  dir_.WriteFile(L"terms\\MT4 P\\MQL4\\Libraries\\vlcpy.dll", "MZ older library");
  json outdated = RunJson({L"status", portable});
  EXPECT_EQ(last_exit_, 1);
  ASSERT_EQ(outdated["rows"].size(), 1u);
  EXPECT_EQ(outdated["rows"][0]["installed"], "outdated");
  EXPECT_EQ(outdated["rows"][0]["differs"], json::array({"MQL4\\Libraries\\vlcpy.dll"}));
  EXPECT_EQ(RunJson({L"status", Terminal(L"MT4 A")})["rows"][0]["installed"], "current");
  EXPECT_EQ(last_exit_, 0);

  json invalid = RunJson({L"status", dir_.Join(L"kit")});
  EXPECT_EQ(last_exit_, 1);
  EXPECT_EQ(invalid["messages"], json::array({"Invalid installation diretory of MT4 Terminal"}));

  // It writes nothing and takes no lock, so a data folder it cannot make
  // does not stop it.
  dir_.WriteFile(L"afile", "x");
  auto read_only = Run({L"--kit", dir_.Join(L"kit"), L"--data-dir", dir_.Join(L"afile\\sub"),
                        L"status", Terminal(L"MT4 A")},
                       false);
  EXPECT_EQ(read_only.exit_code, 0) << read_only.err;

  // Without a kit there is nothing to compare with.
  auto no_kit = Run({L"--json", L"status"}, false);
  EXPECT_EQ(no_kit.exit_code, 2);
  json said = json::parse(no_kit.out, nullptr, false);
  ASSERT_TRUE(said.is_object()) << no_kit.out;
  EXPECT_EQ(said["exit"], 2);
  ASSERT_EQ(said["messages"].size(), 1u);
  EXPECT_NE(said["messages"][0].get<std::string>().find("\"--kit DIR\""), std::string::npos);
}

TEST_F(CliTest, DeploymentFailureStopsEveryCommand) {
  json ok = RunJson({L"deploy"});
  EXPECT_EQ(last_exit_, 0);
  EXPECT_EQ(ok["messages"], json::array({"SUCC"}));

  dir_.WriteFile(L"kit\\vlcpy2027.tag", "");
  json bad = RunJson({L"list"});
  EXPECT_EQ(last_exit_, 1);
  EXPECT_EQ(bad["messages"], json::array({"CFGERROR"}));
  EXPECT_EQ(bad["rows"].size(), 0u);
}

// Bad input ends with a message and a status, before anything is changed.
TEST_F(CliTest, BadInputIsRefusedBeforeAnythingChanges) {
  dir_.WriteFile(L"afile", "x");
  dir_.MakeFolder(L"binary");
  dir_.WriteFile(L"binary\\clinst.cfg", std::string("[MAIN]\0PATH=\x01\x02", 14));
  const std::wstring kit = dir_.Join(L"kit"), file = dir_.Join(L"afile");
  struct Case {
    Strings args;
    int exit_code;
    const char* says;
  };
  // A kit without the package asked for, and a data folder behind a link to
  // nowhere (a prefix copied from another user).
  dir_.MakeFolder(L"empty-kit");
  dir_.WriteFile(L"bare-kit\\Signal Receiver\\experts\\readme.txt", "no expert");
  const std::wstring fresh = dir_.Join(L"fresh");
  std::vector<Case> cases = {
      {{L"--kit", dir_.Join(L"empty-kit"), L"--data-dir", fresh, L"install", L"provider", L"--all"},
       2,
       "No Provider package to install: the folder"},
      {{L"--kit", dir_.Join(L"bare-kit"), L"--data-dir", fresh, L"install", L"receiver", L"--all"},
       2,
       "Signal Receiver"},
      {{L"--kit", dir_.Join(L"no-kit"), L"list"}, 2, "--kit folder not found"},
      {{L"--kit", file, L"list"}, 2, "--kit is not a folder"},
      {{L"--kit", kit, L"--data-dir", file, L"list"}, 1, "afile) is a file, not a folder"},
      {{L"--kit", kit, L"--data-dir", file + L"/sub", L"list"}, 1, "cannot create the folder"},
      {{L"--kit", kit, L"--data-dir", dir_.Join(L"binary"), L"list"}, 1, "not a text file"},
  };
  std::error_code made;
  std::filesystem::create_directory_symlink(dir_.Join(L"gone"), dir_.Join(L"linked"), made);
  // Under Wine the Windows build makes no Unix link, but sees one.
  if (!made && platform::LeadsNowhere(dir_.Join(L"linked"))) {
    cases.push_back({{L"--kit", kit, L"--data-dir", dir_.Join(L"linked\\cplm"), L"list"},
                     1,
                     "linked) is a link to "});
  }
  for (const Case& c : cases) {
    auto result = Run(c.args, false);
    EXPECT_EQ(result.exit_code, c.exit_code) << c.says << result.out << result.err;
    EXPECT_NE((result.out + result.err).find(c.says), std::string::npos) << result.err;
    // --json answers with one object all the same.
    Strings json_args = c.args;
    json_args.insert(json_args.begin(), L"--json");
    auto as_json = Run(json_args, false);
    json said = json::parse(as_json.out, nullptr, false);
    ASSERT_TRUE(said.is_object()) << as_json.out;
    EXPECT_EQ(said["exit"], c.exit_code);
    ASSERT_EQ(said["messages"].size(), 1u) << as_json.out;
    EXPECT_NE(said["messages"][0].get<std::string>().find(c.says), std::string::npos);
  }
  EXPECT_EQ(dir_.ReadFile(L"binary\\clinst.cfg"), std::string("[MAIN]\0PATH=\x01\x02", 14));
  EXPECT_FALSE(platform::QueryAttributes(dir_.Join(L"binary\\vlcpy.sin")).exists);
  EXPECT_FALSE(platform::QueryAttributes(fresh + L"\\clinst.cfg").exists);
  EXPECT_FALSE(platform::QueryAttributes(fresh + L"\\vlcpy.sin").exists);
  EXPECT_FALSE(platform::QueryAttributes(dir_.Join(L"gone")).exists);

  // A folder given as DIR that is a file is no terminal.
  auto added = Run({L"install", L"provider", file});
  EXPECT_EQ(added.exit_code, 1);
  EXPECT_NE(added.out.find("Invalid installation diretory of MT4 Terminal"), std::string::npos);
}

// An unzip may spell a side folder in capitals; Windows finds it all the same.
TEST_F(CliTest, ASideFolderInAnyLetterCaseIsTheKit) {
  const std::wstring upper = dir_.Join(L"kit\\SIGNAL PROVIDER");
  std::filesystem::rename(dir_.Join(L"kit\\Signal Provider"), upper);
  for (const Strings& args : {Strings{L"install", L"provider", Terminal(L"MT4 A")},
                              Strings{L"status", Terminal(L"MT4 A")}}) {
    Strings full = {L"--kit", upper, L"--data-dir", dir_.Join(L"data")};
    full.insert(full.end(), args.begin(), args.end());
    auto result = Run(full, false);
    EXPECT_EQ(result.exit_code, 0) << result.out << result.err;
  }
  EXPECT_TRUE(
      platform::QueryAttributes(Terminal(L"MT4 A") + L"\\experts\\_Velmora Signal Provider.ex4").exists);
}

// One parser serves every parse of a process: nothing of a parse, nor of
// one that failed midway, may carry over into the next.
TEST(CliParse, EachParseStartsAfresh) {
  using Strings = std::vector<std::wstring>;
  const struct {
    Strings args;
    bool parsed;
  } runs[] = {
      {{L"install", L"provider", L"--chart"}, true},
      {{L"install", L"provider", L"--no-chart"}, true},  // not both charts
      {{L"uninstall", L"--all"}, true},
      {{L"uninstall", L"C:\\MT4"}, true},  // not --all with a DIR
      {{L"add", L"C:\\MT4"}, true},
      {{L"remove"}, false},  // the DIR of add is gone
      {{L"--prefix", L"/x", L"list"}, true},
      {{L"--all-prefixes", L"list"}, true},  // not --prefix as well
      {{L"install", L"both", L"C:\\MT4"}, false},
      {{L"--all-prefixes", L"list", L"--bogus"}, false},
      {{L"list"}, true},
      {{}, false},  // no command left over from list
  };
  for (const auto& run : runs) {
    int status = -1;
    EXPECT_EQ(cli::ParseArguments(run.args, &status), run.parsed)
        << (run.args.empty() ? "" : platform::WideToUtf8(run.args[0]));
  }
}

TEST_F(CliTest, VersionAndOptionsAfterTheCommand) {
  auto version = Run({L"--version"});
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_EQ(version.out.rfind("copyloom ", 0), 0u) << version.out;

  Run({L"add", Terminal(L"MT4 A")});
  json rows = json::parse(Run({L"install", L"provider", L"--all", L"--json", L"--no-chart"}).out,
                          nullptr, false);
  EXPECT_EQ(rows["exit"], 0);
  auto tail = Run({L"uninstall", L"--all", L"--yes", L"--kit", dir_.Join(L"kit"), L"--data-dir",
                   dir_.Join(L"data")},
                  false);
  EXPECT_EQ(tail.exit_code, 0) << tail.err;
}

// Two runs that each read the list at the start and write it at the end
// would lose each other's rows: the second one waits.
TEST_F(CliTest, ASecondRunWaitsForTheFirst) {
  bool busy = false;
  auto held = platform::TryLockFile(dir_.Join(L"data\\copyloom.lock"), &busy);
  ASSERT_TRUE(held);
  auto refused = Run({L"add", Terminal(L"MT4 A")}, true, {{L"COPYLOOM_LOCK_WAIT", L"1"}});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_NE(refused.err.find("waiting for another copyloom run"), std::string::npos);
  EXPECT_NE(refused.err.find("still uses"), std::string::npos);
  EXPECT_EQ(dir_.ReadFile(L"data\\clinst.cfg"), "");

  std::thread release([&] {
    platform::SleepMs(700);
    held.reset();
  });
  auto waited = Run({L"add", Terminal(L"MT4 A")}, true, {{L"COPYLOOM_LOCK_WAIT", L"30"}});
  release.join();
  EXPECT_EQ(waited.exit_code, 0) << waited.err;
  EXPECT_NE(waited.err.find("waiting for another copyloom run"), std::string::npos);
  EXPECT_NE(dir_.ReadFile(L"data\\clinst.cfg").find("MT4 A"), std::string::npos);
}

// Every file below the folder, relative path ("/" separated) -> content.
std::map<std::string, std::string> Snapshot(const std::wstring& root) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(fs::path(root))) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    files[fs::relative(entry.path(), fs::path(root)).generic_string()] =
        std::string(std::istreambuf_iterator<char>(in), {});
  }
  return files;
}

// The terminal-relative paths of a row's plan or changes, "\" made "/".
std::set<std::string> PlanPaths(const json& row, const char* key) {
  std::set<std::string> paths;
  for (const auto& item : row[key]) {
    std::string path = item["path"];
    std::replace(path.begin(), path.end(), '\\', '/');
    paths.insert(path);
  }
  return paths;
}

TEST_F(CliTest, ADryRunPlansExactlyWhatTheRealRunThenChanges) {
  // A terminal with an older install, a profile and an experts.ini to mark;
  // a second one without anything.
  dir_.WriteFile(L"terms\\MT4 A\\experts\\_Velmora Signal Provider.ex4", "older build");
  dir_.WriteFile(L"terms\\MT4 A\\config\\experts.ini", std::string(256, '\0'));
  dir_.WriteFile(L"terms\\MT4 A\\profiles\\lastprofile.ini", "default");
  dir_.WriteFile(L"terms\\MT4 A\\profiles\\default\\order.wnd", "EURUSD,H1\r\n");
  const Strings install = {L"install", L"provider", L"--all", L"--chart"};
  Run({L"add", Terminal(L"MT4 A"), Terminal(L"MT4 B")});

  for (const Strings& command : {install, Strings{L"uninstall", L"--all"}}) {
    SCOPED_TRACE(U8(command[0]));
    const auto before = Snapshot(dir_.path());
    Strings dry = command;
    dry.push_back(L"--dry-run");
    json planned = RunJson(dry);
    const int planned_exit = last_exit_;
    EXPECT_EQ(Snapshot(dir_.path()), before) << "a dry run changed a file";
    json done = RunJson(command);
    EXPECT_EQ(last_exit_, planned_exit);
    const auto after = Snapshot(dir_.path());

    ASSERT_EQ(planned["rows"].size(), 2u);
    std::set<std::string> changed_files;
    for (const auto& [path, bytes] : after) {
      auto was = before.find(path);
      if (was == before.end() || was->second != bytes) changed_files.insert(path);
    }
    for (const auto& [path, bytes] : before) {
      if (!after.count(path)) changed_files.insert(path);
    }
    std::set<std::string> listed;
    for (size_t i = 0; i < 2; ++i) {
      EXPECT_EQ(planned["rows"][i]["plan"], done["rows"][i]["changes"]);
      const std::string folder = done["rows"][i]["data_folder"];
      const std::string prefix =
          std::filesystem::relative(std::filesystem::path(platform::Utf8ToWide(folder)),
                                    std::filesystem::path(dir_.path()))
              .generic_string() +
          "/";
      for (const auto& path : PlanPaths(done["rows"][i], "changes")) listed.insert(prefix + path);
    }
    // The data folder's files are the run's own, not the terminals'.
    for (auto it = changed_files.begin(); it != changed_files.end();) {
      it = it->rfind("data/", 0) == 0 ? changed_files.erase(it) : std::next(it);
    }
    EXPECT_EQ(listed, changed_files);
  }
  // Nothing left to change: an empty plan.
  RunJson(install);
  json again = RunJson({L"install", L"provider", L"--all", L"--chart", L"--dry-run"});
  EXPECT_EQ(again["rows"][0]["plan"], json::array());
  EXPECT_EQ(again["rows"][1]["plan"], json::array());
}

TEST_F(CliTest, SignaturesAreRequiredOnRequestAndAKitsManifestIsWrittenForItsVendor) {
  const std::wstring expert = L"terms\\MT4 A\\experts\\_Velmora Signal Provider.ex4";
  json refused = RunJson({L"install", L"provider", Terminal(L"MT4 A"), L"--require-signature"});
  EXPECT_EQ(last_exit_, 1);
  ASSERT_EQ(refused["messages"].size(), 1u);
  EXPECT_EQ(refused["messages"][0].get<std::string>().rfind(
                "This kit is not signed and a signature is required: ", 0),
            0u);
  EXPECT_EQ(dir_.ReadFile(expert), "");

  auto made = Run({L"kit", L"manifest", dir_.Join(L"kit\\Signal Provider"), L"--kit-version",
                   L"2.0"},
                  false);
  EXPECT_EQ(made.exit_code, 0) << made.err;
  const std::string manifest = dir_.ReadFile(L"kit\\Signal Provider\\kit.manifest");
  EXPECT_EQ(manifest.rfind("copyloom kit manifest 1\nname\tSignal Provider\nversion\t2.0\n"
                           "sides\tprovider\n", 0),
            0u)
      << manifest;
  EXPECT_NE(manifest.find("file\t10\t" + Sha256Hex("MZ library", 10) +
                          "\texperts\\libraries\\vlcpy.dll\n"),
            std::string::npos)
      << manifest;
  // A manifest nobody signed is no genuine kit.
  json unsigned_manifest = RunJson({L"install", L"provider", Terminal(L"MT4 A")});
  EXPECT_EQ(last_exit_, 1);
  EXPECT_EQ(unsigned_manifest["messages"][0].get<std::string>().rfind("This kit is not genuine: ", 0),
            0u);
  EXPECT_EQ(dir_.ReadFile(expert), "");
  // Why, on the error stream of a run read by a person.
  const auto said = Run({L"install", L"provider", Terminal(L"MT4 A")});
  EXPECT_EQ(said.exit_code, 1);
  EXPECT_NE(said.err.find("copyloom: the signature is missing, a link or too long\n"),
            std::string::npos)
      << said.err;
}

TEST_F(CliTest, TheSignedSampleKitInstallsWithASignatureRequiredAndATamperedOneDoesNot) {
  namespace fs = std::filesystem;
  // build/<preset>/tests/<test program> -> build/<preset>/kit
  const fs::path kit(GetPathFolder(GetPathFolder(platform::ProgramPath())) + L"kit");
  if (!fs::exists(kit / "Signal Provider" / "kit.manifest.minisig")) {
    GTEST_SKIP() << "built without minisign: the sample kit is unsigned";
  }
  std::error_code error;
  fs::remove_all(fs::path(dir_.Join(L"kit")), error);
  fs::copy(kit, fs::path(dir_.Join(L"kit")), fs::copy_options::recursive, error);
  ASSERT_FALSE(error) << error.message();
  const std::wstring library = L"kit\\Signal Provider\\experts\\libraries\\vlcpy.dll";
  std::string bytes = dir_.ReadFile(library);
  bytes[100] ^= 1;
  dir_.WriteFile(library, bytes);
  json refused = RunJson({L"install", L"provider", Terminal(L"MT4 A"), Terminal(L"MT4 B"),
                          L"--require-signature"});
  EXPECT_EQ(last_exit_, 1);
  ASSERT_FALSE(refused["messages"].empty());
  EXPECT_EQ(refused["messages"][0].get<std::string>().rfind("This kit is not genuine: ", 0), 0u);
  EXPECT_NE(refused["messages"][0].get<std::string>().find("vlcpy.dll"), std::string::npos);
  // One separator throughout, as the kit was named.
  const std::string shown = refused["messages"][0].get<std::string>();
  EXPECT_TRUE(shown.find('/') == std::string::npos || shown.find('\\') == std::string::npos)
      << shown;
  EXPECT_EQ(dir_.ReadFile(L"terms\\MT4 A\\experts\\libraries\\vlcpy.dll"), "");
  EXPECT_EQ(dir_.ReadFile(L"terms\\MT4 B\\experts\\libraries\\vlcpy.dll"), "");

  bytes[100] ^= 1;
  dir_.WriteFile(library, bytes);
  json done = RunJson({L"install", L"provider", Terminal(L"MT4 A"), Terminal(L"MT4 B"),
                          L"--require-signature"});
  EXPECT_EQ(last_exit_, 0);
  EXPECT_EQ(done["messages"], json::array({"Completed"}));
  EXPECT_EQ(dir_.ReadFile(L"terms\\MT4 B\\experts\\libraries\\vlcpy.dll"), bytes);
  // verify and status see a terminal's library changed after its install.
  json good = RunJson({L"verify", Terminal(L"MT4 A"), Terminal(L"MT4 B")});
  EXPECT_EQ(last_exit_, 0) << good.dump();
  ASSERT_EQ(good["kits"].size(), 2u);  // both sides
  for (const auto& kit : good["kits"]) EXPECT_EQ(kit["state"], "genuine");
  EXPECT_EQ(good["rows"][0]["state"], "as-installed");
  EXPECT_EQ(good["rows"][0]["kit_version"], "1.4.0.7");
  bytes[200] ^= 1;
  dir_.WriteFile(L"terms\\MT4 A\\experts\\libraries\\vlcpy.dll", bytes);
  bytes[200] ^= 1;
  json modified = RunJson({L"verify", Terminal(L"MT4 A"), Terminal(L"MT4 B")});
  EXPECT_EQ(last_exit_, 1);
  EXPECT_EQ(modified["rows"][0]["modified"], json::array({"experts\\libraries\\vlcpy.dll"}));
  EXPECT_EQ(modified["rows"][1]["state"], "as-installed");
  json status = RunJson({L"status", Terminal(L"MT4 A"), Terminal(L"MT4 B")});
  EXPECT_EQ(status["rows"][0]["installed"], "modified");
  EXPECT_EQ(status["rows"][1]["installed"], "current");
  EXPECT_EQ(status["rows"][1]["kit_version"], "1.4.0.7");
  // Uninstall leaves nothing of the sample kit, its indicator included.
  RunJson({L"uninstall", Terminal(L"MT4 A"), Terminal(L"MT4 B")});
  EXPECT_EQ(last_exit_, 0);
  for (const wchar_t* gone : {L"experts\\indicators\\Copyloom Monitor.ex4",
                              L"experts\\libraries\\vlcpy.dll",
                              L"experts\\_Velmora Signal Provider.ex4",
                              L"templates\\Copyloom Provider.tpl"}) {
    EXPECT_FALSE(fs::exists(fs::path(dir_.Join(L"terms\\MT4 A\\" + std::wstring(gone)))))
        << platform::WideToUtf8(gone);
  }
}

}  // namespace
}  // namespace copyloom
