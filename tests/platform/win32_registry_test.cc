// The real registry read through the platform, and the test store that
// replaces it.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/registry_store.h"
#include "platform/testing.h"
#include "platform/wildcard.h"

namespace copyloom::platform {
namespace {

constexpr wchar_t kCurrentVersion[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion";

std::vector<std::wstring> AllValueNames(RegKey* key) {
  std::vector<std::wstring> names;
  std::wstring name;
  for (uint32_t i = 0; key->EnumValueName(i, &name); ++i) names.push_back(name);
  return names;
}

TEST(Win32RegistryTest, ReadsAKeyEveryPrefixHas) {
  auto key = OpenRegKey(RegRoot::kLocalMachine, kCurrentVersion, false);
  ASSERT_NE(key, nullptr);
  std::wstring version;
  ASSERT_TRUE(key->QueryValue(L"currentversion", &version));
  EXPECT_NE(version.find(L'.'), std::wstring::npos) << "no terminator kept, a dotted number";
  EXPECT_EQ(version.find(L'\0'), std::wstring::npos);

  std::wstring missing = L"untouched";
  EXPECT_FALSE(key->QueryValue(L"NoSuchValueHere", &missing));

  bool listed = false;
  for (const auto& name : AllValueNames(key.get()))
    listed |= EqualsIgnoreCase(name, L"CurrentVersion");
  EXPECT_TRUE(listed);
}

TEST(Win32RegistryTest, MissingKeyIsNull) {
  EXPECT_EQ(OpenRegKey(RegRoot::kCurrentUser, L"Software\\No Such Maker\\Nothing", false), nullptr);
  EXPECT_NE(OpenRegKey(RegRoot::kCurrentUser, L"software", true), nullptr);
}

// A key of our own under HKCU, removed afterwards.
class Win32RegistryValuesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = L"Software\\CopyloomTest" + std::to_wstring(::GetCurrentProcessId());
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, &key_, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    ::RegCloseKey(key_);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
  }
  void Set(const wchar_t* name, DWORD type, const void* data, size_t bytes) {
    ASSERT_EQ(::RegSetValueExW(key_, name, 0, type, static_cast<const BYTE*>(data),
                               static_cast<DWORD>(bytes)),
              ERROR_SUCCESS);
  }
  std::wstring path_;
  HKEY key_ = nullptr;
};

TEST_F(Win32RegistryValuesTest, ValuesComeBackWholeWhateverTheirType) {
  std::wstring long_text(5000, L'x');
  long_text += L"end";
  Set(L"Long", REG_SZ, long_text.c_str(), (long_text.size() + 1) * sizeof(wchar_t));
  Set(L"Empty", REG_SZ, L"", sizeof(wchar_t));
  const wchar_t multi[] = L"one\0two\0";
  Set(L"Multi", REG_MULTI_SZ, multi, sizeof(multi));
  DWORD number = 0x00420041;  // "AB" when read as UTF-16
  Set(L"Number", REG_DWORD, &number, sizeof(number));

  auto key = OpenRegKey(RegRoot::kCurrentUser, path_, false);
  ASSERT_NE(key, nullptr);
  std::wstring text;
  ASSERT_TRUE(key->QueryValue(L"Long", &text));
  EXPECT_EQ(text, long_text);
  ASSERT_TRUE(key->QueryValue(L"Empty", &text));
  EXPECT_EQ(text, L"");
  ASSERT_TRUE(key->QueryValue(L"Multi", &text));
  EXPECT_EQ(text, std::wstring(L"one\0two\0", 8));
  ASSERT_TRUE(key->QueryValue(L"Number", &text));
  EXPECT_EQ(text, L"AB");

  // Windows lists values in the order they were set, Wine by name.
  auto names = AllValueNames(key.get());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Empty", L"Long", L"Multi", L"Number"}));
}

TEST_F(Win32RegistryValuesTest, KeyWithoutValuesListsNothing) {
  auto key = OpenRegKey(RegRoot::kCurrentUser, path_, true);
  ASSERT_NE(key, nullptr);
  EXPECT_TRUE(AllValueNames(key.get()).empty());
}

TEST(Win32RegistryStoreTest, InstalledStoreReplacesTheRealRegistry) {
  auto store = std::make_shared<RegistryStore>();
  store->SetValue(RegRoot::kCurrentUser, L"Software\\MetaQuotes Software\\MetaTrader 4",
                  L"InstallPath", L"C:\\MT4");
  store->SetValue(RegRoot::kCurrentUser, L"Software\\MetaQuotes Software\\MetaTrader 4", L"B",
                  L"2");
  testing::SetRegistry(store);

  EXPECT_EQ(OpenRegKey(RegRoot::kLocalMachine, kCurrentVersion, false), nullptr);
  EXPECT_EQ(
      OpenRegKey(RegRoot::kLocalMachine, L"Software\\MetaQuotes Software\\MetaTrader 4", false),
      nullptr);
  auto key =
      OpenRegKey(RegRoot::kCurrentUser, L"software\\metaquotes software\\metatrader 4", true);
  ASSERT_NE(key, nullptr);
  std::wstring text;
  ASSERT_TRUE(key->QueryValue(L"installpath", &text));
  EXPECT_EQ(text, L"C:\\MT4");
  EXPECT_EQ(AllValueNames(key.get()), (std::vector<std::wstring>{L"InstallPath", L"B"}));

  testing::SetRegistry(nullptr);
  EXPECT_NE(OpenRegKey(RegRoot::kLocalMachine, kCurrentVersion, false), nullptr);
}

}  // namespace
}  // namespace copyloom::platform
