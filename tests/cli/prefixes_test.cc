// The Linux command line on a home folder holding several Wine prefixes of
// the kinds traders have: ~/.wine, MetaQuotes' ~/.mt4 (32-bit), a Bottles
// bottle and a Lutris game one level below ~/Games.
#include <sys/stat.h>
#include <unistd.h>

#include "cli/cli_fixture.h"

namespace copyloom {
namespace {

class PrefixesTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    env_[L"WINEPREFIX"] = L"";  // none: the program chooses
    shared_data_dir_ = false;
    MakePrefix(L".wine", "win64");
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

  // A prefix as wineboot leaves it, with its own documents folder (and so
  // its own data folder) unless told otherwise.
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
                         "\"Personal\"=\"C:\\\\users\\\\trader\\\\Documents\"\n"
                       : "\n"));
    dir_.MakeFolder(name + L"\\drive_c\\users\\trader\\Documents");
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

  static constexpr wchar_t kBottle[] = L".local\\share\\bottles\\bottles\\Trading";
};

TEST_F(PrefixesTest, PrefixesAreFoundWithTheirTerminals) {
  json out = RunJson({L"prefixes"});
  EXPECT_EQ(last_exit_, 0);
  json expected = json::array();
  for (const auto& [name, arch, terminals] :
       {std::tuple{L".wine", "win64", 0}, std::tuple{L".mt4", "win32", 1},
        std::tuple{kBottle, "win64", 2},
        std::tuple{L".var\\app\\com.usebottles.bottles\\data\\bottles\\bottles\\Flat", "win64", 0},
        std::tuple{L"Games\\metatrader\\prefix", "win64", 0},
        std::tuple{L".cxoffice\\MT4", "win32", 0}}) {
    expected.push_back(
        {{"folder", Home(name)}, {"arch", arch}, {"terminals", terminals}, {"saved_list", false}});
  }
  EXPECT_EQ(out["prefixes"], expected);

  // A list saved in ~/.wine shows; one in the data folder that prefixes
  // without a documents folder share is no prefix's own. The text form has
  // one line per prefix.
  dir_.WriteFile(L".config\\Velmora\\cplm\\clinst.cfg", "[MAIN]\r\nPATH=00C:\\MT4*|\r\n");
  dir_.WriteFile(L".wine\\drive_c\\users\\trader\\Documents\\Velmora\\cplm\\clinst.cfg",
                 "[MAIN]\r\nPATH=00C:\\Trading\\MT4*|\r\n");
  auto text = Run({L"prefixes"});
  EXPECT_NE(text.out.find(Home(L".wine") + "\twin64\t0 terminals\tsaved list\n" + Home(L".mt4") +
                          "\twin32\t1 terminal\tno saved list\n"),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("/Games/metatrader/prefix\twin64\t0 terminals\tno saved list\n"),
            std::string::npos);
}

// A settings or registry file that is a FIFO or past its cap ends the run
// with a message, at once, and is left as it was.
TEST_F(PrefixesTest, ABrokenSettingsOrRegistryFileEndsTheRunAndStaysAsItIs) {
  const std::wstring settings =
      L".mt4\\drive_c\\users\\trader\\Documents\\Velmora\\cplm\\clinst.cfg";
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
  dir_.WriteFile(L".wine\\drive_c\\users\\trader\\Documents\\Velmora\\cplm\\clinst.cfg",
                 "[MAIN]\r\nPATH=00C:\\Trading\\MT4*|\r\n");
  MakePrefixTerminal(L".wine", L"Trading\\MT4");
  auto wine = Run({L"list"});
  EXPECT_EQ(wine.out, "[ ]\tC:\\Trading\\MT4\t\t\n");
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
