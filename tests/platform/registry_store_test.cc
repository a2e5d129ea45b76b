#include "platform/registry_store.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/testing.h"

namespace copyloom::platform {
namespace {

constexpr RegRoot kUser = RegRoot::kCurrentUser;
constexpr RegRoot kMachine = RegRoot::kLocalMachine;

std::wstring Value(const RegistryStore& store, RegRoot root, const std::wstring& key,
                   const std::wstring& name) {
  std::wstring data = L"<missing>";
  store.GetValue(root, key, name, &data);
  return data;
}

std::vector<std::wstring> Names(const RegistryStore& store, RegRoot root, const std::wstring& key) {
  std::vector<std::wstring> names;
  store.ValueNames(root, key, &names);
  return names;
}

TEST(RegistryStoreTest, KeysAndValuesMatchIgnoringCaseAndKeepOrder) {
  RegistryStore store;
  store.SetValue(kUser, L"Software\\MetaQuotes Software\\MetaTrader 4", L"InstallPath", L"C:\\MT4");
  store.SetValue(kUser, L"Software\\MetaQuotes Software\\MetaTrader 4", L"Zeta", L"z");
  store.SetValue(kUser, L"Software\\MetaQuotes Software\\MetaTrader 4", L"alpha", L"a");

  EXPECT_EQ(Value(store, kUser, L"software\\METAQUOTES SOFTWARE\\metatrader 4", L"installpath"),
            L"C:\\MT4");
  // Roots are separate.
  EXPECT_FALSE(store.HasKey(kMachine, L"Software\\MetaQuotes Software\\MetaTrader 4"));
  // Ancestors exist, as in the registry.
  EXPECT_TRUE(store.HasKey(kUser, L"SOFTWARE"));
  EXPECT_TRUE(store.HasKey(kUser, L"Software\\MetaQuotes Software"));
  EXPECT_FALSE(store.HasKey(kUser, L"Software\\MetaQuotes"));
  EXPECT_FALSE(store.HasKey(kUser, L""));

  // Insertion order, and a replaced value keeps its place.
  store.SetValue(kUser, L"Software\\MetaQuotes Software\\MetaTrader 4", L"ZETA", L"z2");
  EXPECT_EQ(Names(store, kUser, L"Software\\MetaQuotes Software\\MetaTrader 4"),
            (std::vector<std::wstring>{L"InstallPath", L"Zeta", L"alpha"}));
  EXPECT_EQ(Value(store, kUser, L"Software\\MetaQuotes Software\\MetaTrader 4", L"zeta"), L"z2");

  store.AddKey(kUser, L"Empty\\Key");
  std::vector<std::wstring> names = {L"stale"};
  EXPECT_TRUE(store.ValueNames(kUser, L"empty\\key", &names));
  EXPECT_TRUE(names.empty());
  EXPECT_FALSE(store.ValueNames(kUser, L"no\\such\\key", &names));
  EXPECT_EQ(Value(store, kUser, L"Empty\\Key", L"x"), L"<missing>");
}

TEST(RegistryStoreTest, OpenRegKeyReadsAnInstalledStore) {
  auto store = std::make_shared<RegistryStore>();
  store->SetValue(kUser, L"Software\\Test", L"First", L"1");
  store->SetValue(kUser, L"Software\\Test", L"Second", std::wstring(L"a\0b", 3));
  store->SetValue(kUser, L"Software\\Test", L"Empty", L"");
  testing::SetRegistry(store);

  EXPECT_EQ(OpenRegKey(kUser, L"Software\\Missing", false), nullptr);
  EXPECT_EQ(OpenRegKey(kMachine, L"Software\\Test", false), nullptr);
  auto key = OpenRegKey(kUser, L"software\\test", true);
  ASSERT_NE(key, nullptr);
  std::wstring data;
  EXPECT_TRUE(key->QueryValue(L"first", &data));
  EXPECT_EQ(data, L"1");
  EXPECT_TRUE(key->QueryValue(L"Second", &data));
  EXPECT_EQ(data, std::wstring(L"a\0b", 3));  // whole, zeros kept
  EXPECT_TRUE(key->QueryValue(L"Empty", &data));
  EXPECT_EQ(data, L"");
  EXPECT_FALSE(key->QueryValue(L"Third", &data));

  std::vector<std::wstring> names;
  std::wstring name;
  for (uint32_t i = 0; key->EnumValueName(i, &name); ++i) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"First", L"Second", L"Empty"}));
}

// What a real prefix's user.reg looks like after `wine reg add`.
const char kUserReg[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\MetaQuotes Software\\\\MetaTrader 4] 1796689883\n"
    "#time=1dd86ab73d6d6dc\n"
    "\"InstallPath\"=\"C:\\\\Program Files (x86)\\\\MetaTrader 4\"\n"
    "\n"
    "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] "
    "1700000000\n"
    "#time=1da0000000000000\n"
    "\"AppData\"=\"C:\\\\users\\\\me\\\\AppData\\\\Roaming\"\n"
    "\"Local AppData\"=\"C:\\\\users\\\\me\\\\AppData\\\\Local\"\n"
    "\"Personal\"=\"C:\\\\users\\\\me\\\\\\x41f\\x440\\x438\\x432\\x435\\x442\"\n"
    "\n"
    "[Software\\\\Microsoft\\\\Windows\\\\ShellNoRoam\\\\MUICache] 1700000001\n"
    "\"LangID\"=hex:09,04\n"
    "\"C:\\\\MT4\\\\terminal.exe\"=\"MetaTrader\"\n"
    "\"Z:\\\\home\\\\me\\\\.mt4\\\\drive_c\\\\Alpari MT4\\\\terminal.exe\"=\"Alpari\"\n"
    "@=\"default value\"\n";

TEST(WineRegTest, ReadsARealLookingUserReg) {
  RegistryStore store;
  ASSERT_TRUE(store.LoadWineRegText(kUser, kUserReg));
  EXPECT_EQ(Value(store, kUser, L"Software\\MetaQuotes Software\\MetaTrader 4", L"InstallPath"),
            L"C:\\Program Files (x86)\\MetaTrader 4");
  EXPECT_EQ(
      Value(store, kUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
            L"Personal"),
      L"C:\\users\\me\\Привет");
  EXPECT_EQ(
      Names(store, kUser, L"Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache"),
      (std::vector<std::wstring>{L"LangID", L"C:\\MT4\\terminal.exe",
                                 L"Z:\\home\\me\\.mt4\\drive_c\\Alpari MT4\\terminal.exe", L""}));
  EXPECT_EQ(Value(store, kUser, L"Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache", L""),
            L"default value");
  // Binary data reads as its bytes taken two by two, as a string read would.
  EXPECT_EQ(Value(store, kUser, L"Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache", L"LangID"),
            std::wstring(1, static_cast<wchar_t>(0x0409)));
}

TEST(WineRegTest, DecodesEscapesAndTypes) {
  const char text[] =
      "WINE REGISTRY Version 2\r\n"
      "[Escapes] 1\r\n"
      "\"quote\"=\"say \\\"hi\\\"\"\r\n"
      "\"tab\"=\"a\\tb\\nc\\r\"\r\n"
      "\"hex4\"=\"\\x4e2d\\x6587\"\r\n"
      "\"hex-short\"=\"\\x424x\"\r\n"
      "\"hex-then-digit\"=\"\\x00411\"\r\n"
      "\"octal\"=\"a\\0b\\101\"\r\n"
      "\"na\\x43e\"=\"name escaped\"\r\n"
      "\"expand\"=str(2):\"%SystemRoot%\\\\system32\"\r\n"
      "\"multi\"=str(7):\"one\\0two\\0\"\r\n"
      "\"count\"=dword:0001000a\r\n"
      "\"wrapped\"=hex(2):25,00,54,00,45,00,4d,00,\\\r\n"
      "  50,00,25,00,00,00\r\n"
      "\"after\"=\"still read\"\r\n"
      // Raw UTF-8 (hand-edited), a four-byte one, and a lone byte that is none.
      "\"raw\"=\"C:\\\\\xE4\xBA\xA4\xE6\x98\x93 \xF0\x9F\x98\x80 \xE9t\xE9\"\r\n"
      "\"bad type\"=str(zz):\"x\"\r\n"
      "\"odd binary\"=hex:41,00,42\r\n"
      "\"no colon\"=hex(2)\r\n"
      "[Key \\[with\\] brackets] 2\r\n"
      "\"v\"=\"1\"\r\n";
  RegistryStore store;
  ASSERT_TRUE(store.LoadWineRegText(kMachine, text));
  EXPECT_EQ(Value(store, kMachine, L"Escapes", L"quote"), L"say \"hi\"");
  EXPECT_EQ(Value(store, kMachine, L"Escapes", L"tab"), L"a\tb\nc\r");
  EXPECT_EQ(Value(store, kMachine, L"Escapes", L"hex4"), L"中文");
  EXPECT_EQ(Value(store, kMachine, L"Escapes", L"hex-short"), L"\x424x");
  // At most four digits belong to the escape.
  EXPECT_EQ(Value(store, kMachine, L"Escapes", L"hex-then-digit"), L"A1");
  EXPECT_EQ(Value(store, kMachine, L"Escapes", L"octal"), std::wstring(L"a\0bA", 4));
  EXPECT_EQ(Value(store, kMachine, L"Escapes", L"naо"), L"name escaped");
  EXPECT_EQ(Value(store, kMachine, L"Escapes", L"expand"), L"%SystemRoot%\\system32");
  EXPECT_EQ(Value(store, kMachine, L"Escapes", L"multi"), std::wstring(L"one\0two\0", 8));
  EXPECT_EQ(Value(store, kMachine, L"Escapes", L"count"), std::wstring(L"\x000a\x0001", 2));
  EXPECT_EQ(Value(store, kMachine, L"Escapes", L"wrapped"), L"%TEMP%");
  EXPECT_EQ(Value(store, kMachine, L"Escapes", L"after"), L"still read");
  EXPECT_EQ(Value(store, kMachine, L"Escapes", L"raw"),
            L"C:\\\u4EA4\u6613 \U0001F600 \u00E9t\u00E9");
  EXPECT_EQ(Value(store, kMachine, L"Escapes", L"bad type"), L"<missing>");
  EXPECT_EQ(Value(store, kMachine, L"Escapes", L"odd binary"), L"AB");
  EXPECT_EQ(Value(store, kMachine, L"Escapes", L"no colon"), L"<missing>");
  EXPECT_EQ(Value(store, kMachine, L"key [WITH] brackets", L"V"), L"1");
}

TEST(WineRegTest, FollowsLinkKeysLikeCurrentControlSet) {
  const char text[] =
      "WINE REGISTRY Version 2\n"
      "[System\\\\ControlSet001\\\\Control\\\\Nls\\\\Language] 1\n"
      "\"InstallLanguage\"=\"0804\"\n"
      "[System\\\\CurrentControlSet] 1\n"
      "#link\n"
      "\"SymbolicLinkValue\"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,79,00,\\\n"
      "  5c,00,4d,00,61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,53,00,79,00,73,00,74,\\\n"
      "  00,65,00,6d,00,5c,00,43,00,6f,00,6e,00,74,00,72,00,6f,00,6c,00,53,00,65,00,\\\n"
      "  74,00,30,00,30,00,31,00\n"
      "[Loop\\\\A] 1\n"
      "#link\n"
      "\"SymbolicLinkValue\"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,79,00,\\\n"
      "  5c,00,4d,00,61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,4c,00,6f,00,6f,00,70,00,\\\n"
      "  5c,00,41,00\n";
  RegistryStore store;
  ASSERT_TRUE(store.LoadWineRegText(kMachine, text));
  EXPECT_EQ(Value(store, kMachine, L"SYSTEM\\CurrentControlSet\\Control\\Nls\\Language",
                  L"InstallLanguage"),
            L"0804");
  EXPECT_FALSE(store.HasKey(kMachine, L"System\\CurrentControlSet\\Control\\Missing"));
  // A link to itself ends instead of spinning.
  EXPECT_FALSE(store.HasKey(kMachine, L"Loop\\A\\B"));
}

// A registry file as a stream, a few bytes at a time: only the wanted keys
// and the links are kept, and a section past the size bound is dropped.
TEST(WineRegTest, AStreamKeepsTheWantedKeysLinksAndBoundedSectionsOnly) {
  auto load = [](RegistryStore* store, RegRoot root, const std::string& text,
                 const std::wstring& wanted, size_t max_section) {
    size_t at = 0;
    return store->LoadWineRegStream(
        root,
        [&](char* buffer, size_t size) {
          const size_t n = std::min<size_t>({size, 7, text.size() - at});
          text.copy(buffer, n, at);
          at += n;
          return n;
        },
        [&](const std::wstring& key) { return key.rfind(wanted, 0) == 0; }, max_section);
  };
  RegistryStore user;
  ASSERT_TRUE(load(&user, kUser, kUserReg, L"Software\\MetaQuotes", 1 << 20));
  EXPECT_EQ(Value(user, kUser, L"Software\\MetaQuotes Software\\MetaTrader 4", L"InstallPath"),
            L"C:\\Program Files (x86)\\MetaTrader 4");
  EXPECT_FALSE(user.HasKey(kUser, L"Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache"));

  const std::string machine =
      "WINE REGISTRY Version 2\n"
      "[System\\\\ControlSet001\\\\Control\\\\Nls\\\\Language] 1\n"
      "\"InstallLanguage\"=\"0804\"\n"
      "[System\\\\ControlSet001\\\\Control\\\\Nls\\\\Huge] 1\n"
      "\"Big\"=\"" +
      std::string(1000, 'x') +
      "\"\n"
      "[System\\\\CurrentControlSet] 1\n"
      "#link\n"
      "\"SymbolicLinkValue\"=hex(6):5c,00,52,00,65,00,67,00,69,00,73,00,74,00,72,00,79,00,\\\n"
      "  5c,00,4d,00,61,00,63,00,68,00,69,00,6e,00,65,00,5c,00,53,00,79,00,73,00,74,\\\n"
      "  00,65,00,6d,00,5c,00,43,00,6f,00,6e,00,74,00,72,00,6f,00,6c,00,53,00,65,00,\\\n"
      "  74,00,30,00,30,00,31,00\n";
  RegistryStore store;
  ASSERT_TRUE(load(&store, kMachine, machine, L"System\\ControlSet001", 600));
  EXPECT_EQ(Value(store, kMachine, L"System\\CurrentControlSet\\Control\\Nls\\Language",
                  L"InstallLanguage"),
            L"0804");
  EXPECT_FALSE(store.HasKey(kMachine, L"System\\ControlSet001\\Control\\Nls\\Huge"));
  EXPECT_FALSE(load(&store, kMachine, "REGEDIT4\n[x]\n", L"", 200));
}

TEST(WineRegTest, RejectsOtherTextsAndSurvivesDamage) {
  RegistryStore store;
  EXPECT_FALSE(store.LoadWineRegText(kUser, ""));
  EXPECT_FALSE(store.LoadWineRegText(kUser, "REGEDIT4\n[HKEY_CURRENT_USER\\x]\n"));
  // Cut-off lines, a key without a closing bracket, values before any key,
  // an escape at the very end: skipped, the rest still read.
  const char damaged[] =
      "WINE REGISTRY Version 2\n"
      "\"orphan\"=\"no key yet\"\n"
      "[Broken\\\\Key\n"
      "\"lost\"=\"1\"\n"
      "[Good] 1\n"
      "\"cut\"=\"never closed\n"
      "\"bad\"=hex:zz\n"
      "\"no equals\" \"x\"\n"
      "\"kept\"=\"yes\"\n"
      "\"tail\"=\"ends in \\";
  ASSERT_TRUE(store.LoadWineRegText(kUser, damaged));
  EXPECT_EQ(Value(store, kUser, L"Good", L"kept"), L"yes");
  EXPECT_EQ(Value(store, kUser, L"Good", L"cut"), L"<missing>");
  EXPECT_EQ(Value(store, kUser, L"Good", L"bad"), L"<missing>");
  EXPECT_EQ(Value(store, kUser, L"Good", L"tail"), L"<missing>");
  EXPECT_FALSE(store.HasKey(kUser, L"Broken"));
}

}  // namespace
}  // namespace copyloom::platform
