#include "app/language.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/registry_store.h"
#include "platform/testing.h"

namespace copyloom {
namespace {

using platform::RegRoot;

constexpr uint32_t kUsEnglish = 1033;

TEST(ChooseLanguageIndexTest, AnyChineseSignalChoosesChinese) {
  struct Case {
    uint32_t user;
    uint32_t system;
    const wchar_t* install;
    const wchar_t* args;
    int expected;
  } cases[] = {
      {kUsEnglish, kUsEnglish, L"", L"", 0},
      {kChinesePrc, kUsEnglish, L"", L"", 1},
      {kUsEnglish, kChinesePrc, L"", L"", 1},
      {kUsEnglish, kUsEnglish, L"0804", L"", 1},
      // Other Chinese variants (Taiwan 0x0404, Hong Kong 0x0C04) do not count.
      {1028, 3076, L"0404", L"", 0},
      // The value is compared as written.
      {kUsEnglish, kUsEnglish, L"804", L"", 0},
      // "en" wins over every signal, but only as the whole argument text.
      {kChinesePrc, kChinesePrc, L"0804", L"en", 0},
      {kChinesePrc, kUsEnglish, L"", L"en ", 1},
      {kChinesePrc, kUsEnglish, L"", L" en", 1},
      {kChinesePrc, kUsEnglish, L"", L"EN", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.user << " " << c.system << " '" << c.args << "'");
    EXPECT_EQ(ChooseLanguageIndex({c.user, c.system, c.install, c.args}, 0), c.expected);
  }
}

TEST(ChooseLanguageIndexTest, KeepsTheCurrentIndexWithoutASignal) {
  EXPECT_EQ(ChooseLanguageIndex({kUsEnglish, kUsEnglish, L"0409", L""}, 1), 1);
  EXPECT_EQ(ChooseLanguageIndex({kUsEnglish, kUsEnglish, L"0409", L"en"}, 1), 0);
}

class DetectLanguageTest : public testing::Test {
 protected:
  void SetUp() override {
    store_ = std::make_shared<platform::RegistryStore>();
    SetLanguageIndex(0);
  }
  void TearDown() override { SetLanguageIndex(0); }

  void Install() { platform::testing::SetRegistry(store_); }
  void SetInstallLanguage(const std::wstring& value) {
    store_->SetValue(RegRoot::kLocalMachine, L"SYSTEM\\CurrentControlSet\\Control\\Nls\\Language",
                     L"InstallLanguage", value);
  }

  std::shared_ptr<platform::RegistryStore> store_;
  LocaleOverrides english_{kUsEnglish, kUsEnglish};
};

TEST_F(DetectLanguageTest, ReadsTheInstallLanguageFromTheRegistry) {
  SetInstallLanguage(L"0804");
  Install();
  platform::testing::SetCommandLine(L"\"C:\\Setup\\copyloom-setup.exe\"");
  EXPECT_EQ(ReadLanguageSignals(english_).install_language, L"0804");
  EXPECT_EQ(DetectLanguage(english_), 1);
  EXPECT_EQ(languageIndex(), 1);
}

TEST_F(DetectLanguageTest, MissingRegistryValueCountsAsNotChinese) {
  Install();  // an empty registry
  platform::testing::SetCommandLine(L"C:\\Setup\\copyloom-setup.exe");
  EXPECT_EQ(ReadLanguageSignals(english_).install_language, L"");
  EXPECT_EQ(DetectLanguage(english_), 0);
}

TEST_F(DetectLanguageTest, EnArgumentOnTheCommandLineSelectsEnglish) {
  SetInstallLanguage(L"0804");
  Install();
  platform::testing::SetCommandLine(L"C:\\Setup\\copyloom-setup.exe en");
  EXPECT_EQ(ReadLanguageSignals(english_).command_line_args, L"en");
  EXPECT_EQ(DetectLanguage(english_), 0);
  // Quoted program path, as the shell starts it.
  platform::testing::SetCommandLine(L"\"C:\\My Setup\\copyloom-setup.exe\" en");
  EXPECT_EQ(DetectLanguage(english_), 0);
}

TEST_F(DetectLanguageTest, ChineseUserLanguageAlone) {
  Install();
  platform::testing::SetCommandLine(L"C:\\Setup\\copyloom-setup.exe");
  EXPECT_EQ(DetectLanguage({kChinesePrc, kUsEnglish}), 1);
}

}  // namespace
}  // namespace copyloom
