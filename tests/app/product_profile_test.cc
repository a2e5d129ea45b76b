#include "app/product_profile.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/builtin_texts.h"
#include "app/edition.h"
#include "app/language.h"
#include "app/process_objects.h"
#include "app/self_check.h"
#include "platform/platform.h"
#include "platform/registry_store.h"
#include "platform/testing.h"
#include "support/temp_dir.h"

namespace copyloom {
namespace {

using platform::RegRoot;
using platform::SpecialFolder;

constexpr wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr uint32_t kUsEnglish = 1033;

class ProductProfileTest : public testing::Test {
 protected:
  void SetUp() override {
    store_ = std::make_shared<platform::RegistryStore>();
    platform::testing::SetRegistry(store_);
    platform::testing::SetProgramPath(L"C:\\Setup\\copyloom-setup.exe");
    platform::testing::SetCommandLine(L"C:\\Setup\\copyloom-setup.exe");
    options_.locale = {kUsEnglish, kUsEnglish};
    SetSelfCheckSink([this](const std::wstring& message) { messages_.push_back(message); });
  }
  void TearDown() override {
    SetSelfCheckSink(nullptr);
    SetLanguageIndex(0);
  }

  void SetShellFolder(const std::wstring& name, const std::wstring& value) {
    store_->SetValue(RegRoot::kCurrentUser, kShellFolders, name, value);
  }
  const ProductProfile& Init() {
    InitProductProfile(options_);
    return TheProfile();
  }

  std::shared_ptr<platform::RegistryStore> store_;
  ProfileOptions options_;
  std::vector<std::wstring> messages_;
};

TEST_F(ProductProfileTest, DataFolderIsBuiltOnThePersonalFolder) {
  SetShellFolder(L"AppData", L"C:\\users\\ann\\AppData\\Roaming");
  SetShellFolder(L"Local AppData", L"C:\\users\\ann\\AppData\\Local\\");
  SetShellFolder(L"Personal", L"C:\\users\\ann\\Documents");
  const ProductProfile& profile = Init();
  EXPECT_EQ(profile.app_data_folder, L"C:\\users\\ann\\AppData\\Roaming\\");
  // Already ending with a backslash: no second one.
  EXPECT_EQ(profile.local_app_data_folder, L"C:\\users\\ann\\AppData\\Local\\");
  EXPECT_EQ(profile.personal_folder, L"C:\\users\\ann\\Documents\\");
  EXPECT_EQ(profile.data_folder, L"C:\\users\\ann\\Documents\\Velmora\\cplm\\");
  EXPECT_EQ(profile.company_folder_name, L"Velmora");
  EXPECT_EQ(profile.product_code, L"cplm");
  EXPECT_EQ(profile.program_folder, L"C:\\Setup\\");
  EXPECT_EQ(profile.data_folder_kind, DataFolderKind::kPersonal);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(ProductProfileTest, PersonalFolderFallsBackToTheApplicationDataFolder) {
  SetShellFolder(L"AppData", L"C:\\users\\ann\\AppData\\Roaming");
  // Present but empty counts as missing; so does what no Windows machine
  // has (a prefix from someone else naming a native folder, or a relative one).
  test::TempDir drive;
  platform::testing::SetDriveTable(std::map<wchar_t, std::wstring>{{L'C', drive.path()}});
  for (const wchar_t* personal : {L"", L"/home/x/victim", L"victim\\Documents"}) {
    SCOPED_TRACE(personal);
    SetShellFolder(L"Personal", personal);
    const ProductProfile& profile = Init();
    EXPECT_EQ(profile.personal_folder, L"C:\\users\\ann\\AppData\\Roaming\\");
    EXPECT_EQ(profile.data_folder, L"C:\\users\\ann\\AppData\\Roaming\\Velmora\\cplm\\");
  }
  platform::testing::SetDriveTable(std::nullopt);
}

TEST_F(ProductProfileTest, WithoutShellFoldersThePlatformFallbacksAreUsed) {
  // Windows: "C:\Windows\"; POSIX without a Wine prefix: the XDG folders.
  const std::wstring app_data = platform::FallbackSpecialFolder(SpecialFolder::kAppData);
  const ProductProfile& profile = Init();
  ASSERT_FALSE(app_data.empty());
  EXPECT_EQ(profile.app_data_folder, app_data);
  EXPECT_EQ(profile.local_app_data_folder,
            platform::FallbackSpecialFolder(SpecialFolder::kLocalAppData));
  // Personal takes the application-data folder, fallback included.
  EXPECT_EQ(profile.personal_folder, app_data);
  EXPECT_EQ(profile.data_folder, app_data + L"Velmora\\cplm\\");
}

TEST_F(ProductProfileTest, LocalAppDataAloneDoesNotBecomeThePersonalFolder) {
  SetShellFolder(L"Local AppData", L"C:\\users\\ann\\AppData\\Local");
  const ProductProfile& profile = Init();
  EXPECT_EQ(profile.personal_folder, platform::FallbackSpecialFolder(SpecialFolder::kAppData));
}

TEST_F(ProductProfileTest, TemporaryFolderEndsWithABackslash) {
  platform::testing::SetTempFolder(L"C:\\users\\ann\\Temp");
  EXPECT_EQ(Init().temporary_folder, L"C:\\users\\ann\\Temp\\");
}

TEST_F(ProductProfileTest, OtherDataFolderKinds) {
  SetShellFolder(L"AppData", L"C:\\users\\ann\\AppData\\Roaming");
  SetShellFolder(L"Personal", L"C:\\users\\ann\\Documents");
  options_.data_folder_kind = DataFolderKind::kProgramFolder;
  EXPECT_EQ(Init().data_folder, L"C:\\Setup\\pdat\\");
  options_.data_folder_kind = DataFolderKind::kAppData;
  EXPECT_EQ(Init().data_folder, L"C:\\users\\ann\\AppData\\Roaming\\Velmora\\cplm\\");
  EXPECT_TRUE(messages_.empty());

  options_.data_folder_kind = static_cast<DataFolderKind>(3);
  EXPECT_EQ(Init().data_folder, L"");
  EXPECT_EQ(messages_, std::vector<std::wstring>{L"INVDATADIRTYPE"});
}

TEST_F(ProductProfileTest, EmptyApplicationKeyIsReportedAndStartUpContinues) {
  options_.application_key = L"";
  const ProductProfile& profile = Init();
  EXPECT_EQ(messages_, std::vector<std::wstring>{L"DV#m_ProductID is empty."});
  // The product code still names the folder.
  EXPECT_TRUE(profile.data_folder.ends_with(L"Velmora\\cplm\\"));
  EXPECT_EQ(profile.display_name, L"Copyloom");
}

TEST_F(ProductProfileTest, SelfCheckMessagesAreKeptUntilTakenWithoutASink) {
  SetSelfCheckSink(nullptr);
  TakeSelfCheckMessages();
  options_.data_folder_kind = static_cast<DataFolderKind>(9);
  Init();
  EXPECT_EQ(TakeSelfCheckMessages(), std::vector<std::wstring>{L"INVDATADIRTYPE"});
  EXPECT_TRUE(TakeSelfCheckMessages().empty());
}

TEST_F(ProductProfileTest, TitlesAndAddressesComeFromTheBuiltInTexts) {
  const ProductProfile& profile = Init();
  EXPECT_EQ(profile.display_name, L"Copyloom");
  EXPECT_EQ(profile.title_text, L"Copyloom");
  EXPECT_EQ(profile.caption_pair, L"Velmora Trade Copier for MetaTrader 4");
  EXPECT_EQ(profile.version_text, L"");
  EXPECT_EQ(profile.site_address, L"https://copyloom.example/");
  EXPECT_EQ(profile.second_web_address, L"https://copyloom.example/download/");
  EXPECT_EQ(profile.third_web_address, L"https://copyloom.example/news/");
  EXPECT_EQ(profile.help_page_address, L"https://copyloom.example/help/index.htm");
  EXPECT_EQ(profile.web_panel_address, L"https://copyloom.example/panel/");
  EXPECT_EQ(profile.contact_email, L"support@copyloom.example");
  EXPECT_EQ(profile.contact_messenger, L"Copyloom Support");
}

TEST_F(ProductProfileTest, VersionTextRebuildsTheTitle) {
  Init();
  SetProfileVersionText(L"1.2.3.4");
  EXPECT_EQ(TheProfile().version_text, L"1.2.3.4");
  EXPECT_EQ(TheProfile().title_text, L"Copyloom - V1.2.3.4");
  SetProfileVersionText(L"");
  EXPECT_EQ(TheProfile().title_text, L"Copyloom");
}

TEST_F(ProductProfileTest, ChineseSystemStillShowsEnglish) {
  store_->SetValue(RegRoot::kLocalMachine, L"SYSTEM\\CurrentControlSet\\Control\\Nls\\Language",
                   L"InstallLanguage", L"0804");
  options_.locale = {kChinesePrc, kChinesePrc};
  EXPECT_EQ(DetectLanguage(options_.locale), 1);
  const ProductProfile& profile = Init();
  EXPECT_EQ(languageIndex(), 0);
  EXPECT_EQ(profile.site_address, L"https://copyloom.example/");
}

#ifdef COPYLOOM_EXPECT_EA_EDITION
constexpr bool kBuiltAsExpertAdvisorEdition = true;
#else
constexpr bool kBuiltAsExpertAdvisorEdition = false;
#endif

TEST_F(ProductProfileTest, TheBuildsEditionRuns) {
  const ProductProfile& profile = Init();
  EXPECT_EQ(profile.m_ProductID, BuiltApplicationKey());
  EXPECT_EQ(profile.IsExpertAdvisorEdition(), kBuiltAsExpertAdvisorEdition);
  if (profile.IsExpertAdvisorEdition()) {
    EXPECT_EQ(profile.m_ProductID, L"EXPConfig");
    EXPECT_EQ(profile.module_name, L"vlmexp.dll");
    EXPECT_FALSE(profile.side_chooser);
  } else {
    EXPECT_EQ(profile.m_ProductID, L"Copyloom");
    EXPECT_EQ(profile.module_name, L"");
    EXPECT_TRUE(profile.side_chooser);
  }
  EXPECT_EQ(profile.product_code, L"cplm");
  EXPECT_EQ(languageIndex(), 0);
}

TEST_F(ProductProfileTest, EditionValuesFollowTheApplicationKey) {
  options_.locale = {kChinesePrc, kChinesePrc};
  options_.application_key = L"EXPConfig";
  const ProductProfile& expert = Init();
  EXPECT_TRUE(expert.IsExpertAdvisorEdition());
  EXPECT_EQ(expert.module_name, L"vlmexp.dll");
  EXPECT_FALSE(expert.side_chooser);
  EXPECT_EQ(expert.product_code, L"cplm");
  EXPECT_EQ(languageIndex(), 0);

  options_.application_key = L"Copyloom";
  const ProductProfile& copier = Init();
  EXPECT_FALSE(copier.IsExpertAdvisorEdition());
  EXPECT_EQ(copier.module_name, L"");
  EXPECT_TRUE(copier.side_chooser);
  EXPECT_EQ(languageIndex(), 0);

  // Only the exact key selects the expert-advisor edition.
  options_.application_key = L"expconfig";
  EXPECT_TRUE(Init().side_chooser);
}

TEST_F(ProductProfileTest, ApplicationKeyNamesTheDefaultSettingsFile) {
  Init();
  TheConfig().SetConfigFile(L"");
  EXPECT_EQ(TheConfig().config_path(), L"C:\\Setup\\" + BuiltApplicationKey() + L".cfg");
}

TEST_F(ProductProfileTest, LogIsWrittenIntoTheDataFolder) {
  test::TempDir temp;
  SetShellFolder(L"Personal", temp.path());
  const ProductProfile& profile = Init();
  ASSERT_EQ(profile.data_folder, temp.path() + L"Velmora\\cplm\\");
  TheLog().WriteLog(L"profile test");
  EXPECT_TRUE(TheLog().log_path().starts_with(profile.data_folder)) << TheLog().log_path();
  EXPECT_TRUE(platform::QueryAttributes(TheLog().log_path()).exists);
}

}  // namespace
}  // namespace copyloom
