// The Linux command line on a home folder holding several Wine prefixes of
// the kinds traders have: ~/.wine, ~/.wine64, MetaQuotes' ~/.mt4 (32-bit), a
// Bottles bottle and a Lutris game one level below ~/Games; each with its
// Documents linked to ~/Documents, as wineboot leaves them.
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cstdlib>

#include "cli/cli_fixture.h"

namespace copyloom {
namespace {

class PrefixesTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    env_[L"WINEPREFIX"] = L"";  // none: the program chooses
    shared_data_dir_ = false;
    dir_.MakeFolder(L"Documents");
    MakePrefix(L".wine", "win64");
    MakePrefix(L".wine64", "win64");
    MakePrefix(L".mt4", "win32");
    MakePrefixTerminal(L".mt4", L"Program Files\\MetaTrader 4");
    MakePrefix(kBottle, "win64");
    MakePrefixTerminal(kBottle, L"Program Files (x86)\\XM MT4");
    MakePrefixTerminal(kBottle, L"Program Files (x86)\\FxPro MT4");
    MakePrefix(L"Games\\metatrader\\prefix", "win64", false);
    MakePrefix(L".var\\app\\com.usebottles.bottles\\data\\bottles\\bottles\\Flat", "win64");
    MakePrefix(L".cxoffice\\MT4", "win32");
    dir_.MakeFolder(L".PlayOnLinux\\wineprefix\\Office\\drive_c");  // no system.reg
  }

  // A prefix as wineboot leaves it: its shell folders (unless told
  // otherwise) and Documents linked to ~/Documents.
  void MakePrefix(const std::wstring& name, const std::string& arch, bool documents = true) {
    dir_.WriteFile(name + L"\\system.reg",
                   "WINE REGISTRY Version 2\n;; All keys relative to "
                   "\\\\Machine\n\n#arch=" +
                       arch + "\n");
    dir_.WriteFile(
        name + L"\\user.reg",
        "WINE REGISTRY Version 2\n\n#arch=" + arch +
            (documents ? "\n\n[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\"
                         "Shell Folders] 1765152000\n"
                         "\"AppData\"=\"C:\\\\users\\\\trader\\\\AppData\\\\Roaming\"\n"
                         "\"Personal\"=\"C:\\\\users\\\\trader\\\\Documents\"\n"
                       : "\n"));
    dir_.MakeFolder(name + L"\\drive_c\\users\\trader\\AppData\\Roaming");
    ASSERT_EQ(symlink(U8(dir_.Join(L"Documents")).c_str(),
                      U8(dir_.Join(name + L"\\drive_c\\users\\trader\\Documents")).c_str()),
              0);
    dir_.MakeFolder(name + L"\\dosdevices");
    ASSERT_EQ(symlink("../drive_c", U8(dir_.Join(name + L"\\dosdevices\\c:")).c_str()), 0);
  }

  void MakePrefixTerminal(const std::wstring& prefix, const std::wstring& folder) {
    const std::wstring root = prefix + L"\\drive_c\\" + folder;
    dir_.MakeFolder(root + L"\\config");
    dir_.MakeFolder(root + L"\\experts");
    dir_.WriteFile(root + L"\\terminal.exe", "MZ terminal");
  }

  std::string Home(const std::wstring& name) const { return U8(dir_.Join(name)); }
  // A prefix's own list.
  void SaveList(const std::wstring& prefix, const std::string& path) {
    dir_.WriteFile(prefix + kOwnList, "[MAIN]\r\nPATH=" + path + "\r\n");
  }

  static constexpr wchar_t kListTail[] = L"\\Velmora\\cplm\\clinst.cfg";
  static constexpr wchar_t kOwnList[] =
      L"\\drive_c\\users\\trader\\AppData\\Roaming\\Velmora\\cplm\\clinst.cfg";

  static constexpr wchar_t kBottle[] = L".local\\share\\bottles\\bottles\\Trading";
};

TEST_F(PrefixesTest, PrefixesAreFoundWithTheirTerminals) {
  json out = RunJson({L"prefixes"});
  EXPECT_EQ(last_exit_, 0);
  json expected = json::array();
  for (const auto& [name, arch, terminals] :
       {std::tuple{L".wine", "win64", 0}, std::tuple{L".wine64", "win64", 0},
       std::tuple{L".mt4", "win32", 1},
        std::tuple{kBottle, "win64", 2},
        std::tuple{L".var\\app\\com.usebottles.bottles\\data\\bottles\\bottles\\Flat", "win64", 0},
        std::tuple{L"Games\\metatrader\\prefix", "win64", 0},
        std::tuple{L".cxoffice\\MT4", "win32", 0}}) {
    expected.push_back(
        {{"folder", Home(name)}, {"arch", arch}, {"terminals", terminals}, {"saved_list", false}});
  }
  EXPECT_EQ(out["prefixes"], expected);

  // A list saved in ~/.wine shows; one in the shared Documents, or in the
  // data folder that prefixes without shell folders share, is no prefix's
  // own. The text form has one line per prefix.
  dir_.WriteFile(L".config\\Velmora\\cplm\\clinst.cfg", "[MAIN]\r\nPATH=00C:\\MT4*|\r\n");
  dir_.WriteFile(L"Documents\\Velmora\\cplm\\clinst.cfg", "[MAIN]\r\nPATH=00C:\\MT4*|\r\n");
  SaveList(L".wine", "00C:\\Trading\\MT4*|");
  auto text = Run({L"prefixes"});
  EXPECT_NE(text.out.find(Home(L".wine") + "\twin64\t0 terminals\tsaved list\n" +
                          Home(L".wine64") + "\twin64\t0 terminals\tno saved list\n" +
                          Home(L".mt4") + "\twin32\t1 terminal\tno saved list\n"),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("/Games/metatrader/prefix\twin64\t0 terminals\tno saved list\n"),
            std::string::npos);
}

// A settings or registry file that is a FIFO or past its cap ends the run
// with a message, at once, and is left as it was.
TEST_F(PrefixesTest, ABrokenSettingsOrRegistryFileEndsTheRunAndStaysAsItIs) {
  const std::wstring settings =
      L".mt4\\drive_c\\users\\trader\\AppData\\Roaming\\Velmora\\cplm\\clinst.cfg";
  dir_.WriteFile(settings, "[MAIN]\r\nPATH=00C:\\Program Files\\MetaTrader 4*|\r\n");
  const std::pair<std::wstring, off_t> cases[] = {{settings, -1},
                                                  {settings, (64 << 20) + 1},
                                                  {L".mt4\\user.reg", -1},
                                                  {L".mt4\\user.reg", (512ll << 20) + 1}};
  for (const auto& [file, size] : cases) {
    SCOPED_TRACE(U8(file) + " " + std::to_string(size));
    const std::string native = U8(dir_.Join(file));
    const std::string before = dir_.ReadFile(file);
    ASSERT_EQ(unlink(native.c_str()), 0);
    if (size < 0) {
      ASSERT_EQ(mkfifo(native.c_str(), 0644), 0);
    } else {
      dir_.WriteFile(file, "");
      ASSERT_EQ(truncate(native.c_str(), size), 0);
    }
    auto result = Run({L"--prefix", dir_.Join(L".mt4"), L"list"});
    EXPECT_EQ(result.exit_code, 1) << result.out << result.err;
    const std::string said = result.out + result.err;
    EXPECT_NE(said.find("plain file"), std::string::npos) << said;
    EXPECT_NE(said.find(U8(file.substr(file.rfind(L'\\') + 1))), std::string::npos);
    struct stat st;
    ASSERT_EQ(lstat(native.c_str(), &st), 0);
    EXPECT_EQ(size < 0 ? S_ISFIFO(st.st_mode) : st.st_size == size, true);
    unlink(native.c_str());
    dir_.WriteFile(file, before);
  }
}

TEST_F(PrefixesTest, ThePrefixOfARun) {
  // Two prefixes hold terminals: the user must choose.
  auto several = Run({L"list"});
  EXPECT_EQ(several.exit_code, 2);
  EXPECT_NE(several.err.find(Home(L".mt4") + " (1 terminal)"), std::string::npos) << several.err;
  EXPECT_NE(several.err.find(Home(kBottle) + " (2 terminals)"), std::string::npos);
  EXPECT_NE(several.err.find("--prefix DIR"), std::string::npos);

  // --prefix chooses, and wins over WINEPREFIX.
  env_[L"WINEPREFIX"] = dir_.Join(kBottle);
  json chosen = RunJson({L"--prefix", dir_.Join(L".mt4"), L"list"});
  EXPECT_EQ(last_exit_, 0);
  ASSERT_EQ(chosen["rows"].size(), 1u);
  EXPECT_EQ(chosen["rows"][0]["folder"], "C:\\Program Files\\MetaTrader 4");
  EXPECT_FALSE(chosen.contains("prefix"));
  EXPECT_EQ(RunJson({L"list"})["rows"].size(), 2u);  // WINEPREFIX alone
  EXPECT_EQ(Run({L"--prefix", dir_.Join(L"Games"), L"list"}).exit_code, 2);
  // A WINEPREFIX that names no prefix is refused the same way.
  env_[L"WINEPREFIX"] = dir_.Join(L"Games");
  auto not_prefix = Run({L"list"});
  EXPECT_EQ(not_prefix.exit_code, 2);
  EXPECT_NE(not_prefix.err.find(Home(L"Games") + " is no Wine prefix"), std::string::npos)
      << not_prefix.err;
  // Without HOME, only a prefix can say where the data folder is.
  env_[L"WINEPREFIX"] = L"";
  env_[L"HOME"] = L"";
  auto homeless = Run({L"list"});
  EXPECT_EQ(homeless.exit_code, 1);
  EXPECT_NE(homeless.err.find("HOME is not set"), std::string::npos) << homeless.err;
  env_[L"HOME"] = dir_.Join(L"");

  // One prefix holds terminals: it is taken and named first.
  env_[L"WINEPREFIX"] = L"";
  test::RemoveTree(dir_.Join(kBottle));
  auto one = Run({L"list"});
  EXPECT_EQ(one.exit_code, 0) << one.err;
  EXPECT_EQ(
      one.out.rfind("Wine prefix: " + Home(L".mt4") + "\n[ ]\tC:\\Program Files\\MetaTrader 4", 0),
      0u)
      << one.out;
  EXPECT_EQ(RunJson({L"list"})["prefix"], Home(L".mt4"));

  // ~/.wine comes first as soon as it has a saved list.
  SaveList(L".wine", "00C:\\Trading\\MT4*|");
  MakePrefixTerminal(L".wine", L"Trading\\MT4");
  auto wine = Run({L"list"});
  EXPECT_EQ(wine.out, "[ ]\tC:\\Trading\\MT4\t\t\n");
}

// Every prefix shares ~/Documents; what a run does in one prefix never shows
// in another, and the shared list of earlier versions is taken over, not lost.
TEST_F(PrefixesTest, EachPrefixKeepsItsOwnList) {
  const std::string shared = "[MAIN]\r\nPATH=11C:\\Program Files\\MetaTrader 4*Completed|\r\n";
  dir_.WriteFile(L"Documents\\Velmora\\cplm\\clinst.cfg", shared);
  MakePrefixTerminal(L".wine", L"Program Files\\MetaTrader 4");
  json wine = RunJson({L"--prefix", dir_.Join(L".wine"), L"list"});
  ASSERT_EQ(wine["rows"].size(), 1u);
  EXPECT_EQ(wine["rows"][0]["ticked"], true);
  EXPECT_EQ(wine["rows"][0]["type"], "");
  EXPECT_EQ(wine["rows"][0]["state"], "");

  json installed = RunJson({L"--prefix", dir_.Join(L".mt4"), L"install", L"provider",
                            L"C:\\Program Files\\MetaTrader 4", L"--no-chart"});
  EXPECT_EQ(last_exit_, 0) << installed.dump();
  EXPECT_EQ(installed["rows"][0]["type"], "Provider");
  // The terminal of the same path in ~/.wine has nothing installed.
  wine = RunJson({L"--prefix", dir_.Join(L".wine"), L"list"});
  ASSERT_EQ(wine["rows"].size(), 1u);
  EXPECT_EQ(wine["rows"][0]["type"], "");
  EXPECT_EQ(dir_.ReadFile(L"Documents\\Velmora\\cplm\\clinst.cfg"), shared);
  // The shared Documents keeps the support files.
  EXPECT_EQ(dir_.ReadFile(L"Documents\\Velmora\\cplm\\vlcpy.sin"), "settings");

  // Each run of all prefixes sees every one of them.
  for (int run = 0; run < 2; ++run) {
    json all = RunJson({L"--all-prefixes", L"list"});
    ASSERT_EQ(all["prefixes"].size(), 3u) << all.dump();
    EXPECT_EQ(all["prefixes"][1]["prefix"], Home(L".mt4"));
    EXPECT_EQ(all["prefixes"][1]["rows"][0]["type"], "Provider");
  }
}

TEST_F(PrefixesTest, AllPrefixesRunOneAfterTheOther) {
  // The expert cannot be copied into one terminal of the bottle.
  dir_.MakeFolder(std::wstring(kBottle) +
                  L"\\drive_c\\Program Files (x86)\\XM MT4\\experts\\_Velmora Signal Provider.ex4");
  json out = RunJson({L"--all-prefixes", L"install", L"provider", L"--all", L"--no-chart"});
  EXPECT_EQ(last_exit_, 1);
  EXPECT_EQ(out["exit"], 1);
  ASSERT_EQ(out["prefixes"].size(), 2u) << out.dump();
  const json& mt4 = out["prefixes"][0];
  EXPECT_EQ(mt4["prefix"], Home(L".mt4"));
  EXPECT_EQ(mt4["exit"], 0);
  ASSERT_EQ(mt4["rows"].size(), 1u);
  EXPECT_EQ(mt4["rows"][0]["state"], "Completed");
  const json& bottle = out["prefixes"][1];
  EXPECT_EQ(bottle["prefix"], Home(kBottle));
  EXPECT_EQ(bottle["exit"], 1);
  ASSERT_EQ(bottle["rows"].size(), 2u);
  std::vector<std::string> states = {bottle["rows"][0]["state"], bottle["rows"][1]["state"]};
  std::sort(states.begin(), states.end());
  EXPECT_EQ(states[0], "Completed");
  EXPECT_EQ(states[1].rfind("Failed#", 0), 0u) << states[1];

  // Text: each prefix's rows under its own heading.
  auto text = Run({L"--all-prefixes", L"list"});
  EXPECT_EQ(text.exit_code, 0);
  const size_t first = text.out.find("== Wine prefix: " + Home(L".mt4") + "\n[ ]\tC:\\");
  const size_t second = text.out.find("\n== Wine prefix: " + Home(kBottle) + "\n[ ]\tC:\\");
  EXPECT_EQ(first, 0u) << text.out;
  EXPECT_NE(second, std::string::npos) << text.out;
}

}  // namespace
}  // namespace copyloom

namespace copyloom {
namespace {

// `copyloom window` with a stand-in wine that logs how it was started and
// ends with status 7; lib/wine beside it says which of Wine's parts exist.
TEST_F(PrefixesTest, WindowStartsTheSetupProgramUnderWineInTheRunsPrefix) {
  dir_.WriteFile(L"wine\\bin\\wine",
                 "#!/bin/sh\necho \"$WINEPREFIX|$WINEARCH|$PWD|$*\" >> \"$0.log\"\nexit 7\n");
  ASSERT_EQ(chmod(Home(L"wine/bin/wine").c_str(), 0755), 0);
  dir_.WriteFile(L"wine\\lib\\wine\\wine64", "");
  env_[L"PATH"] = dir_.Join(L"wine\\bin") + L":/usr/bin:/bin";
  const std::wstring provider = dir_.Join(L"kit\\Signal Provider");
  dir_.WriteFile(L"kit\\Signal Provider\\Setup Signal Provider.exe", "MZ");
  dir_.WriteFile(L"kit\\Signal Provider\\Setup Signal Provider (32-bit).exe", "MZ");
  auto log = [&] {
    std::string text = dir_.ReadFile(L"wine\\bin\\wine.log");
    dir_.WriteFile(L"wine\\bin\\wine.log", "");
    return text;
  };

  // The kit's program for its side, in the prefix chosen as for any run,
  // 64-bit for a 64-bit prefix; the window's status is the run's.
  auto run = Run({L"--prefix", dir_.Join(L".wine"), L"--kit", provider, L"window"}, false);
  EXPECT_EQ(run.exit_code, 7) << run.err;
  EXPECT_EQ(log(), Home(L".wine") + "|win64|" + U8(provider) + "|" + U8(provider) +
                       "/Setup Signal Provider.exe\n");

  // A 32-bit prefix needs Wine's 32-bit part: said plainly, else its build.
  run = Run({L"--prefix", dir_.Join(L".mt4"), L"--kit", provider, L"window", L"provider"}, false);
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("Wine's 32-bit part is not installed"), std::string::npos) << run.err;
  EXPECT_EQ(log(), "");
  dir_.WriteFile(L"wine\\lib\\wine\\wine", "");
  run = Run({L"--prefix", dir_.Join(L".mt4"), L"--kit", provider, L"window"}, false);
  EXPECT_EQ(run.exit_code, 7) << run.err;
  EXPECT_NE(log().find("|win32|" + U8(provider) + "|" + U8(provider) +
                       "/Setup Signal Provider (32-bit).exe\n"),
            std::string::npos);

  // The receiver side asked of a provider kit: no such program here, and no
  // packaged one beside this build.
  run = Run({L"--prefix", dir_.Join(L".wine"), L"--kit", provider, L"window", L"receiver"}, false);
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("no window program"), std::string::npos) << run.err;
  EXPECT_EQ(Run({L"window", L"both"}, false).exit_code, 2);

  env_[L"PATH"] = dir_.Join(L"empty");
  run = Run({L"--prefix", dir_.Join(L".wine"), L"--kit", provider, L"window"}, false);
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("Wine is not installed"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace copyloom

namespace copyloom {
namespace {

// Prefixes whose registry names no AppData: each keeps its list and lock in
// Wine's default folder inside it, never one file shared through ~/.config.
// In one process, a prefix's rows never depend on the one run before.
TEST_F(PrefixesTest, PrefixesWithoutAppDataKeepTheirOwnLists) {
  const std::wstring games = L"Games\\metatrader\\prefix";
  for (const std::wstring& prefix : {std::wstring(L".mt4"), std::wstring(kBottle)}) {
    dir_.WriteFile(prefix + L"\\user.reg", "WINE REGISTRY Version 2\n\n#arch=win64\n");
  }
  MakePrefixTerminal(games, L"MT4 Games");
  const std::vector<std::wstring> three = {L".mt4", kBottle, games};
  const std::vector<std::vector<std::string>> folders = {
      {"C:\\Program Files\\MetaTrader 4"},
      {"C:\\Program Files (x86)\\FxPro MT4", "C:\\Program Files (x86)\\XM MT4"},
      {"C:\\MT4 Games"}};
  auto folders_of = [](const json& run) {
    std::vector<std::string> out;
    for (const auto& row : run["rows"]) out.push_back(row["folder"]);
    std::sort(out.begin(), out.end());
    return out;
  };

  // Two of them one by one, then all three together: twice in their order,
  // then with the last one first (WINEPREFIX leads the order).
  for (size_t i = 0; i < 2; ++i) {
    json one = RunJson({L"--prefix", dir_.Join(three[i]), L"list"});
    EXPECT_EQ(folders_of(one), folders[i]) << one.dump();
  }
  json installed =
      RunJson({L"--all-prefixes", L"install", L"provider", L"--all", L"--no-chart"});
  ASSERT_EQ(installed["prefixes"].size(), 3u) << installed.dump();
  for (const std::wstring& lead : {std::wstring(), std::wstring(), games}) {
    env_[L"WINEPREFIX"] = lead.empty() ? L"" : dir_.Join(lead);
    json all = RunJson({L"--all-prefixes", L"list"});
    ASSERT_EQ(all["prefixes"].size(), 3u) << all.dump();
    EXPECT_EQ(all["prefixes"][0]["prefix"], Home(lead.empty() ? three[0] : lead));
    for (const json& p : all["prefixes"]) {
      const size_t i = std::find_if(three.begin(), three.end(), [&](const std::wstring& name) {
                         return p["prefix"] == Home(name);
                       }) - three.begin();
      ASSERT_LT(i, 3u) << p.dump();
      EXPECT_EQ(folders_of(p), folders[i]) << p.dump();
      for (const auto& row : p["rows"]) EXPECT_EQ(row["state"], "Completed") << p.dump();
    }
  }
  for (const std::wstring& prefix : three) {
    EXPECT_NE(dir_.ReadFile(prefix + kOwnList).find("Completed"), std::string::npos) << U8(prefix);
  }
  struct stat st;
  EXPECT_NE(stat(Home(L".config").c_str(), &st), 0);
}

// A prefix copied from alice and run by trader: Wine expands every shell
// folder from C:\users\trader, so the list goes there, never into alice's.
// Her AppData is hand-edited in raw UTF-8, which Wine reads as UTF-8. So it
// goes one by one and among all prefixes alike.
TEST_F(PrefixesTest, APrefixCopiedFromAnotherUserIsUsedForTheRunningOne) {
  dir_.WriteFile(L".mt4\\user.reg",
                 "WINE REGISTRY Version 2\n\n#arch=win32\n\n"
                 "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders]\n"
                 "\"AppData\"=\"C:\\\\users\\\\alice\\\\\xE4\xBA\xA4\xE6\x98\x93\"\n"
                 "\"Common AppData\"=\"C:\\\\users\\\\Public\"\n");
  dir_.MakeFolder(L".mt4\\drive_c\\users\\alice\\交易");
  const std::wstring list = L".mt4\\drive_c\\users\\trader\\交易" + std::wstring(kListTail);
  for (const Strings& how : {Strings{L"--prefix", dir_.Join(L".mt4")}, Strings{L"--all-prefixes"}}) {
    dir_.WriteFile(list, "");
    Strings args = how;
    args.insert(args.end(), {L"install", L"provider", L"--all", L"--no-chart"});
    json out = RunJson(args);
    EXPECT_EQ(last_exit_, 0) << out.dump();
    EXPECT_NE(dir_.ReadFile(list).find("Completed"), std::string::npos) << out.dump();
  }
  EXPECT_EQ(dir_.ReadFile(L".mt4\\drive_c\\users\\alice\\交易" + std::wstring(kListTail)), "");
  // Not the raw bytes read one by one.
  struct stat st;
  EXPECT_NE(stat(Home(L".mt4\\drive_c\\users\\trader\\\u00e4\u00ba\u00a4\u00e6\u0098\u0093").c_str(), &st), 0);
}

// The locales a trader's desktop has, built into a folder of the test's own
// when the machine lacks them; empty when they cannot be built.
std::string PrivateLocales(const std::string& folder) {
  for (const char* name : {"ru_RU", "zh_CN"}) {
    const std::string command = "localedef -i " + std::string(name) + " -f UTF-8 '" + folder +
                                "/" + name + ".UTF-8' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return "";
  }
  return folder;
}

// A list made on the desktop under ru_RU or zh_CN, then read and saved by a
// run under LANG=C (ssh, cron, the fleet module): no row is lost, nor its
// state. An ANSI list of an earlier version is read in the prefix's code
// page, and a row on a drive the prefix does not map is kept.
TEST_F(PrefixesTest, AListMadeUnderAnotherLocaleLosesNoRow) {
  dir_.MakeFolder(L"locales");
  const std::string locales = PrivateLocales(Home(L"locales"));
  ASSERT_FALSE(locales.empty()) << "localedef failed";
  struct Case {
    const wchar_t* locale;
    const wchar_t* folder;
  };
  for (const Case& c : {Case{L"ru_RU.UTF-8", L"Терминал МТ4"}, Case{L"zh_CN.UTF-8", L"交易终端"}}) {
    SCOPED_TRACE(U8(c.locale));
    dir_.WriteFile(L".mt4" + std::wstring(kOwnList), "");
    MakePrefixTerminal(L".mt4", c.folder);
    const std::wstring row = std::wstring(L"C:\\") + c.folder;
    const std::map<std::wstring, std::wstring> desktop = {
        {L"LC_ALL", c.locale},
        {L"LOCPATH", platform::Utf8ToWide(locales)},
        // glibc's own loader of a LOCPATH locale keeps 48 bytes for good.
        {L"ASAN_OPTIONS", L"detect_leaks=0"}};
    const std::map<std::wstring, std::wstring> ssh = {{L"LC_ALL", L"C"}, {L"LANG", L"C"}};
    auto added = Run({L"--prefix", dir_.Join(L".mt4"), L"install", L"provider", row, L"--no-chart"},
                     true, desktop);
    EXPECT_EQ(added.exit_code, 0) << added.out << added.err;
    for (int run = 0; run < 2; ++run) {
      auto listed = Run({L"--prefix", dir_.Join(L".mt4"), L"--json", L"list"}, true, ssh);
      const json out = json::parse(listed.out, nullptr, false);
      ASSERT_TRUE(out.is_object()) << listed.out << listed.err;
      std::vector<std::string> folders;
      for (const auto& r : out["rows"]) {
        if (r["folder"] == U8(row)) EXPECT_EQ(r["state"], "Completed") << out.dump();
        folders.push_back(r["folder"]);
      }
      EXPECT_NE(std::find(folders.begin(), folders.end(), U8(row)), folders.end()) << out.dump();
    }
    EXPECT_EQ(dir_.ReadFile(L".mt4" + std::wstring(kOwnList)).substr(0, 2), "\xFF\xFE");
  }

  // Earlier versions' ANSI lists: the .mt4 prefix last run under ru_RU
  // (1251), the bottle under zh_CN (936); read under LANG=C, with a D: row
  // .mt4 does not map. In one process each is read in its own code page,
  // whichever ran first.
  auto ansi = [&](const std::wstring& prefix, const char* acp, const std::string& path) {
    dir_.WriteFile(prefix + L"\\system.reg",
                   std::string("WINE REGISTRY Version 2\n\n#arch=win32\n\n"
                               "[System\\\\CurrentControlSet\\\\Control\\\\Nls\\\\CodePage] "
                               "1765152000\n\"ACP\"=\"") +
                       acp + "\"\n");
    dir_.WriteFile(prefix + kOwnList, "[MAIN]\r\nPATH=" + path + "\r\n");
  };
  MakePrefixTerminal(kBottle, L"交易终端");
  const std::map<std::string, std::vector<std::string>> expected = {
      {Home(L".mt4"), {U8(L"C:\\Терминал МТ4"), "D:\\MT4 Away"}},
      {Home(kBottle), {U8(L"C:\\交易终端")}}};
  for (const wchar_t* lead : {L"", kBottle}) {
    ansi(L".mt4", "1251",
         "11C:\\\xD2\xE5\xF0\xEC\xE8\xED\xE0\xEB \xCC\xD2\x34*Completed|00D:\\MT4 Away*|");
    ansi(kBottle, "936", "11C:\\\xBD\xBB\xD2\xD7\xD6\xD5\xB6\xCB*Completed|");
    env_[L"WINEPREFIX"] = *lead ? dir_.Join(lead) : L"";
    const json all = RunJson({L"--all-prefixes", L"list"});
    ASSERT_EQ(all["prefixes"].size(), 2u) << all.dump();
    for (const json& p : all["prefixes"]) {
      std::vector<std::string> folders;
      for (const auto& r : p["rows"]) folders.push_back(r["folder"]);
      EXPECT_EQ(folders, expected.at(p["prefix"])) << all.dump();
    }
  }
}

}  // namespace
}  // namespace copyloom
