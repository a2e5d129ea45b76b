#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/posix/locale_posix.h"
#include "posix_test_env.h"

namespace copyloom::platform::posix {
namespace {

TEST(LocaleTest, CodePageOfEachLanguageAsWinePicksIt) {
  const std::pair<const char*, unsigned> cases[] = {
      {"zh_CN.UTF-8", 936}, {"zh_SG", 936},        {"zh_TW.UTF-8", 950},  {"zh_HK.Big5", 950},
      {"ja_JP.UTF-8", 932}, {"ko_KR.EUC-KR", 949}, {"ru_RU.UTF-8", 1251}, {"uk_UA", 1251},
      {"bg_BG", 1251},      {"be_BY", 1251},       {"sr_RS", 1251},       {"pl_PL.UTF-8", 1250},
      {"cs_CZ", 1250},      {"hu_HU", 1250},       {"ro_RO", 1250},       {"hr_HR", 1250},
      {"sk_SK", 1250},      {"sl_SI", 1250},       {"el_GR", 1253},       {"tr_TR", 1254},
      {"he_IL", 1255},      {"ar_EG", 1256},       {"lt_LT", 1257},       {"lv_LV", 1257},
      {"et_EE", 1257},      {"vi_VN", 1258},       {"th_TH", 874},        {"en_US.UTF-8", 1252},
      {"de_DE@euro", 1252}, {"C", 1252},           {"C.UTF-8", 1252},     {"POSIX", 1252},
      {"", 1252},
  };
  for (const auto& [name, code_page] : cases) EXPECT_EQ(CodePageForLocale(name), code_page) << name;
}

TEST(LocaleTest, LanguageIds) {
  EXPECT_EQ(LanguageForLocale("zh_CN.UTF-8"), 2052u);
  EXPECT_EQ(LanguageForLocale("zh_CN"), 2052u);
  EXPECT_EQ(LanguageForLocale("en_US.UTF-8"), 1033u);
  EXPECT_EQ(LanguageForLocale("ru_RU.UTF-8"), 1033u);
  EXPECT_EQ(LanguageForLocale("C"), 1033u);
}

TEST(LocaleTest, TheEnvironmentDecidesInWinesOrder) {
  test::ScopedEnv env;
  env.Set("COPYLOOM_ANSI_CODEPAGE", std::nullopt);
  env.Set("LC_ALL", std::nullopt);
  env.Set("LC_CTYPE", std::nullopt);
  env.Set("LANG", std::nullopt);
  EXPECT_EQ(LocaleName(), "C");
  env.Set("LANG", "ru_RU.UTF-8");
  EXPECT_EQ(LocaleName(), "ru_RU.UTF-8");
  env.Set("LC_CTYPE", "ja_JP.UTF-8");
  EXPECT_EQ(LocaleName(), "ja_JP.UTF-8");
  env.Set("LC_ALL", "C.UTF-8");
  EXPECT_EQ(LocaleName(), "C.UTF-8");
  EXPECT_EQ(AnsiCodePage(), 1252u);
  env.Set("LC_ALL", "");  // empty counts as unset
  EXPECT_EQ(LocaleName(), "ja_JP.UTF-8");
}

TEST(LocaleTest, ALocaleThatIsNotGeneratedFallsBackTo1252) {
  test::ScopedEnv env;
  env.Set("COPYLOOM_ANSI_CODEPAGE", std::nullopt);
  env.Set("LC_ALL", "zh_CN.UTF-8");
  const unsigned expected = LocaleAvailable("zh_CN.UTF-8") ? 936u : 1252u;
  EXPECT_EQ(AnsiCodePage(), expected);
  EXPECT_EQ(UserDefaultLanguage(), expected == 936u ? 2052u : 1033u);
  env.Set("LC_ALL", "xx_NOWHERE.UTF-8");
  EXPECT_FALSE(LocaleAvailable("xx_NOWHERE.UTF-8"));
  EXPECT_EQ(AnsiCodePage(), 1252u);
  EXPECT_EQ(SystemDefaultLocale(), 1033u);
}

TEST(LocaleTest, TheOverrideWinsWhenItNamesAUsableCodePage) {
  test::ScopedEnv env;
  env.Set("LC_ALL", "C");
  env.Set("COPYLOOM_ANSI_CODEPAGE", "936");
  EXPECT_EQ(AnsiCodePage(), 936u);
  for (const char* bad : {"", "abc", "936x", "-1", "99999", "12345"}) {
    env.Set("COPYLOOM_ANSI_CODEPAGE", bad);
    EXPECT_EQ(AnsiCodePage(), 1252u) << bad;
  }
}

TEST(LocaleTest, InvalidBytesBecomeReplacementCharacters) {
  EXPECT_EQ(CodePageToWide(936,
                           "a\xD6\xD0\xFF"
                           "b"),
            L"a中\xFFFD"
            L"b");
  EXPECT_EQ(CodePageToWide(936, "cut\xD6"), L"cut\xFFFD");
  EXPECT_EQ(CodePageToWide(65001, "x\xC3"), L"x\xFFFD");
  // The holes of 1252 read as C1 controls and are written back, as on Windows.
  EXPECT_EQ(CodePageToWide(1252, "\x81\x9D"), L"\x81\x9D");
  EXPECT_EQ(WideToCodePage(1252, L"\x81\x9D"), "\x81\x9D");
}

}  // namespace
}  // namespace copyloom::platform::posix
