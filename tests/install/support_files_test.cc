#include "install/support_files.h"

#include <gtest/gtest.h>

#include "app/language.h"
#include "app/product_profile.h"
#include "platform/platform.h"
#include "platform/testing.h"
#include "support/test_files.h"
#include "support/test_machine.h"

namespace copyloom {
namespace {

namespace pf = copyloom::platform;

constexpr wchar_t kShared[] = L"C:\\users\\trader\\Documents\\Velmora\\cplm\\";
constexpr wchar_t kTempShared[] = L"C:\\users\\trader\\AppData\\Local\\Temp\\Velmora\\cplm\\";

class SupportFilesTest : public ::testing::Test {
 protected:
  // No settings are bound: the shared folder is the data folder, and only
  // the deployment may create it here.
  void Start() {
    machine_.Apply();
    InitProductProfile();
  }
  void TearDown() override { SetLanguageIndex(kEnglish); }

  std::string Shared(const std::wstring& name) { return machine_.ReadFile(kShared + name); }
  bool SharedHas(const std::wstring& name) { return machine_.Exists(kShared + name); }

  test::TestMachine machine_;
};

TEST_F(SupportFilesTest, NothingShippedDeploysNothing) {
  Start();
  EXPECT_EQ(DeploySupportFiles(), L"SUCC");
  EXPECT_FALSE(machine_.Exists(L"C:\\users\\trader\\Documents\\Velmora"));
}

TEST_F(SupportFilesTest, ConfigurationIsFoundBelowTheProgramByItsEnding) {
  machine_.WriteFile(L"C:\\Setup\\pack\\conf\\OLDVLCPY.SIN", "cfg-1");
  machine_.WriteFile(L"C:\\Setup\\pack\\conf\\vlcpy_2024.tag", "t");
  // Only the tag beside the configuration counts.
  machine_.WriteFile(L"C:\\Setup\\vlcpy_other.tag", "x");
  Start();
  EXPECT_EQ(DeploySupportFiles(), L"SUCC");
  EXPECT_EQ(Shared(L"vlcpy.sin"), "cfg-1");
  EXPECT_EQ(Shared(L"vlcpy_2024.tag"), "t");
  EXPECT_FALSE(SharedHas(L"vlcpy_other.tag"));
}

TEST_F(SupportFilesTest, TwoShippedTagsAreRefusedAfterTheFolderIsMade) {
  machine_.WriteFile(L"C:\\Setup\\vlcpy.sin", "cfg");
  machine_.WriteFile(L"C:\\Setup\\vlcpy_a.tag", "a");
  machine_.WriteFile(L"C:\\Setup\\vlcpy_b.tag", "b");
  Start();
  EXPECT_EQ(DeploySupportFiles(), L"CFGERROR");
  EXPECT_TRUE(machine_.Exists(kShared));
  EXPECT_FALSE(SharedHas(L"vlcpy.sin"));
  EXPECT_FALSE(SharedHas(L"vlcpy_a.tag"));
}

TEST_F(SupportFilesTest, AKnownTagKeepsTheDeployedConfiguration) {
  machine_.WriteFile(kShared + std::wstring(L"vlcpy.sin"), "old");
  machine_.WriteFile(kShared + std::wstring(L"vlcpy_1.tag"), "t1");
  machine_.WriteFile(L"C:\\Setup\\vlcpy.sin", "new");
  machine_.WriteFile(L"C:\\Setup\\vlcpy_1.tag", "t1-shipped");
  Start();
  EXPECT_EQ(DeploySupportFiles(), L"SUCC");
  EXPECT_EQ(Shared(L"vlcpy.sin"), "old");
  EXPECT_EQ(Shared(L"vlcpy_1.tag"), "t1");
}

TEST_F(SupportFilesTest, ANewTagReplacesTheConfigurationAndEveryOldTag) {
  machine_.WriteFile(kShared + std::wstring(L"vlcpy.sin"), "old");
  machine_.WriteFile(kShared + std::wstring(L"vlcpy_1.tag"), "t1");
  machine_.WriteFile(kShared + std::wstring(L"VLCPY_0.TAG"), "t0");
  machine_.WriteFile(kShared + std::wstring(L"clinst.cfg"), "[MAIN]");
  machine_.WriteFile(L"C:\\Setup\\vlcpy.sin", "new");
  machine_.WriteFile(L"C:\\Setup\\vlcpy_2.tag", "t2");
  Start();
  EXPECT_EQ(DeploySupportFiles(), L"SUCC");
  EXPECT_EQ(Shared(L"vlcpy.sin"), "new");
  EXPECT_EQ(Shared(L"vlcpy_2.tag"), "t2");
  EXPECT_FALSE(SharedHas(L"vlcpy_1.tag"));
  EXPECT_FALSE(SharedHas(L"VLCPY_0.TAG"));
  EXPECT_EQ(Shared(L"clinst.cfg"), "[MAIN]");
}

TEST_F(SupportFilesTest, WithoutATagOnlyAMissingConfigurationIsPlaced) {
  machine_.WriteFile(L"C:\\Setup\\vlcpy.sin", "new");
  Start();
  EXPECT_EQ(DeploySupportFiles(), L"SUCC");
  EXPECT_EQ(Shared(L"vlcpy.sin"), "new");

  machine_.WriteFile(L"C:\\Setup\\vlcpy.sin", "newer");
  EXPECT_EQ(DeploySupportFiles(), L"SUCC");
  EXPECT_EQ(Shared(L"vlcpy.sin"), "new");
}

TEST_F(SupportFilesTest, AConfigurationDeployedInTheTemporaryFolderKeepsItAsTheBase) {
  machine_.WriteFile(kTempShared + std::wstring(L"vlcpy.sin"), "old");
  machine_.WriteFile(kTempShared + std::wstring(L"vlcpy_1.tag"), "t1");
  machine_.WriteFile(L"C:\\Setup\\vlcpy.sin", "new");
  machine_.WriteFile(L"C:\\Setup\\vlcpy_2.tag", "t2");
  Start();
  EXPECT_EQ(DeploySupportFiles(), L"SUCC");
  EXPECT_EQ(machine_.ReadFile(kTempShared + std::wstring(L"vlcpy.sin")), "new");
  EXPECT_TRUE(machine_.Exists(kTempShared + std::wstring(L"vlcpy_2.tag")));
  EXPECT_FALSE(machine_.Exists(kTempShared + std::wstring(L"vlcpy_1.tag")));
  EXPECT_FALSE(machine_.Exists(kShared));
}

TEST_F(SupportFilesTest, AFolderNamedLikeTheConfigurationDoesNotChooseTheTemporaryFolder) {
  machine_.MakeFolder(kTempShared + std::wstring(L"vlcpy.sin"));
  machine_.WriteFile(L"C:\\Setup\\vlcpy.sin", "new");
  Start();
  EXPECT_EQ(DeploySupportFiles(), L"SUCC");
  EXPECT_EQ(Shared(L"vlcpy.sin"), "new");
}

TEST_F(SupportFilesTest, AMissingPersonalFolderIsReported) {
  machine_.registry().SetValue(pf::RegRoot::kCurrentUser,
                               L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                               L"Shell Folders",
                               L"Personal", L"C:\\users\\nobody\\Documents");
  machine_.WriteFile(L"C:\\Setup\\vlcpy.sin", "new");
  Start();
  EXPECT_EQ(DeploySupportFiles(), L"Fail to access regedit:C:\\users\\nobody\\Documents\\");
  EXPECT_FALSE(machine_.Exists(L"C:\\users\\nobody"));
}

TEST_F(SupportFilesTest, ASharedFolderThatCannotBeMadeIsReported) {
  machine_.WriteFile(L"C:\\users\\trader\\Documents\\Velmora", "a file in the way");
  machine_.WriteFile(L"C:\\Setup\\vlcpy.sin", "new");
  Start();
  EXPECT_EQ(DeploySupportFiles(), std::wstring(L"Fail to create folder:") + kShared);
}

TEST_F(SupportFilesTest, AnOldConfigurationHeldOpenAsksToCloseTheTerminals) {
  const std::wstring old_config = kShared + std::wstring(L"vlcpy.sin");
  machine_.WriteFile(old_config, "old");
  machine_.WriteFile(kShared + std::wstring(L"vlcpy_1.tag"), "t1");
  machine_.WriteFile(L"C:\\Setup\\vlcpy.sin", "new");
  machine_.WriteFile(L"C:\\Setup\\vlcpy_2.tag", "t2");
  Start();
  ASSERT_TRUE(pf::SetReadOnly(old_config, true));

  // Read-only is no running terminal: the failure says so, and of which file.
  pf::Status cause;
  EXPECT_EQ(DeploySupportFiles(&cause), L"Fail to install the configuration file!");
  EXPECT_EQ(cause.kind(), pf::FailureKind::kNoPermission);
  EXPECT_EQ(cause.path(), old_config);
  ASSERT_TRUE(pf::SetReadOnly(old_config, false));
  {
    // Held open without sharing, as a running terminal holds it.
    auto holder = pf::OpenFile(old_config, pf::OpenMode::kReadShareRead);
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(DeploySupportFiles(), L"Please close all mt4 terminals!");
    SetLanguageIndex(kChinese);
    EXPECT_EQ(DeploySupportFiles(&cause), L"请先关闭所有MT4软件!");
    EXPECT_EQ(cause.kind(), pf::FailureKind::kHeld);
  }
  // Nothing moved: the next start tries the same replacement.
  EXPECT_EQ(Shared(L"vlcpy.sin"), "old");
  EXPECT_TRUE(SharedHas(L"vlcpy_1.tag"));
  EXPECT_FALSE(SharedHas(L"vlcpy_2.tag"));

  ASSERT_TRUE(pf::SetReadOnly(old_config, false));
  SetLanguageIndex(kEnglish);
  EXPECT_EQ(DeploySupportFiles(), L"SUCC");
  EXPECT_EQ(Shared(L"vlcpy.sin"), "new");
}

TEST_F(SupportFilesTest, AFailedCopyOfAShippedConfigurationIsReported) {
  machine_.WriteFile(L"C:\\Setup\\vlcpy.sin", "new");
  Start();
  pf::testing::FailNthCall(pf::testing::Op::kCopy, 1);
  EXPECT_EQ(DeploySupportFiles(), L"Fail to install the configuration file!");
  EXPECT_FALSE(SharedHas(L"vlcpy.sin"));
}

}  // namespace
}  // namespace copyloom
