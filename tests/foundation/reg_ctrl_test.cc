#include "foundation/reg_ctrl.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/registry_store.h"
#include "platform/testing.h"

namespace copyloom {
namespace {

namespace hook = platform::testing;
using platform::RegistryStore;

const wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

class RegCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto store = std::make_shared<RegistryStore>();
    store->SetValue(RegRoot::kCurrentUser, kShellFolders, L"Personal", L"C:\\users\\me\\Documents");
    store->SetValue(RegRoot::kCurrentUser, kShellFolders, L"Empty", L"");
    store->SetValue(RegRoot::kCurrentUser, kShellFolders, L"Zero", std::wstring(L"ab\0cd", 5));
    store->SetValue(RegRoot::kCurrentUser, kShellFolders, L"Max", std::wstring(1023, L'x'));
    store->SetValue(RegRoot::kCurrentUser, kShellFolders, L"TooLong", std::wstring(1024, L'x'));
    store->SetValue(RegRoot::kLocalMachine, L"SYSTEM\\CurrentControlSet\\Control\\Nls\\Language",
                    L"InstallLanguage", L"0804");
    store->AddKey(RegRoot::kCurrentUser, L"Software\\Empty Key");
    hook::SetRegistry(store);
  }
  std::wstring Read(RegRoot root, const std::wstring& key, const std::wstring& name,
                    bool expect_ok) {
    std::wstring text = L"stale";
    EXPECT_EQ(reg_.ReadString(root, key, name, &text), expect_ok) << name;
    return text;
  }
  CRegCtrl reg_;
};

TEST_F(RegCtrlTest, ReadStringTable) {
  EXPECT_EQ(Read(RegRoot::kCurrentUser, kShellFolders, L"Personal", true),
            L"C:\\users\\me\\Documents");
  EXPECT_EQ(Read(RegRoot::kCurrentUser, kShellFolders, L"personal", true),
            L"C:\\users\\me\\Documents");
  EXPECT_EQ(Read(RegRoot::kLocalMachine, L"system\\currentcontrolset\\control\\nls\\language",
                 L"InstallLanguage", true),
            L"0804");
  EXPECT_EQ(Read(RegRoot::kCurrentUser, kShellFolders, L"Empty", true), L"");
  EXPECT_EQ(Read(RegRoot::kCurrentUser, kShellFolders, L"Zero", true), L"ab");
  EXPECT_EQ(Read(RegRoot::kCurrentUser, kShellFolders, L"Max", true), std::wstring(1023, L'x'));
}

TEST_F(RegCtrlTest, MissingOrTooLongReadsAsAbsent) {
  EXPECT_EQ(Read(RegRoot::kCurrentUser, kShellFolders, L"TooLong", false), L"");
  EXPECT_EQ(Read(RegRoot::kCurrentUser, kShellFolders, L"AppData", false), L"");
  EXPECT_EQ(Read(RegRoot::kCurrentUser, L"Software\\Missing", L"x", false), L"");
  EXPECT_EQ(Read(RegRoot::kLocalMachine, kShellFolders, L"Personal", false), L"");
}

TEST_F(RegCtrlTest, EnumValueNamesInRegistryOrder) {
  TextList names = {L"kept"};
  EXPECT_TRUE(
      reg_.EnumValueNames(reg_.OpenKey(RegRoot::kCurrentUser, kShellFolders, true), &names));
  EXPECT_EQ(names, (TextList{L"kept", L"Personal", L"Empty", L"Zero", L"Max", L"TooLong"}));

  TextList none;
  EXPECT_TRUE(reg_.EnumValueNames(
      reg_.OpenKey(RegRoot::kCurrentUser, L"Software\\Empty Key", false), &none));
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(reg_.OpenKey(RegRoot::kCurrentUser, L"Software\\Missing", false), nullptr);
  EXPECT_TRUE(reg_.EnumValueNames(nullptr, &none));
  EXPECT_TRUE(none.empty());
}

}  // namespace
}  // namespace copyloom
