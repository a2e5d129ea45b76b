#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/testing.h"

namespace copyloom::platform {
namespace {

TEST(CodePageTest, RoundTripsInTheCodePagesTheProductUses) {
  struct Case {
    unsigned code_page;
    const wchar_t* text;
    const char* bytes;
  };
  const Case cases[] = {
      {1252, L"café €5",
       "caf\xE9 \x80"
       "5"},
      {936, L"中文 MT4", "\xD6\xD0\xCE\xC4 MT4"},
      {1251, L"Привет", "\xCF\xF0\xE8\xE2\xE5\xF2"},
      {932, L"日本", "\x93\xFA\x96\x7B"},
  };
  for (const auto& c : cases) {
    size_t unmappable = 0;
    EXPECT_EQ(WideToCodePage(c.code_page, c.text, &unmappable), c.bytes) << c.code_page;
    EXPECT_EQ(unmappable, kNoUnmappable) << c.code_page;
    EXPECT_EQ(CodePageToWide(c.code_page, c.bytes), c.text) << c.code_page;
  }
}

TEST(CodePageTest, UnmappableCharactersBecomeQuestionMarks) {
  size_t unmappable = 0;
  EXPECT_EQ(WideToCodePage(1252, L"ab中c文", &unmappable), "ab?c?");
  EXPECT_EQ(unmappable, 2u);
  EXPECT_EQ(WideToCodePage(936, L"x\x0416", &unmappable), "x\xA7\xA8");  // Cyrillic is in GBK
  EXPECT_EQ(unmappable, kNoUnmappable);
  EXPECT_EQ(WideToCodePage(1251, L"Ж中", &unmappable), "\xC6?");
  EXPECT_EQ(unmappable, 1u);
  EXPECT_EQ(WideToCodePage(1252, L"", &unmappable), "");
  EXPECT_EQ(unmappable, kNoUnmappable);
  // Without the out-parameter.
  EXPECT_EQ(WideToCodePage(1252, L"中"), "?");
}

TEST(CodePageTest, LongTextsConvertWhole) {
  std::wstring text;
  for (int i = 0; i < 50000; ++i) text += (i % 3) ? L"中" : L"a";
  const std::string bytes = WideToCodePage(936, text);
  EXPECT_EQ(bytes.size(), 16667u + 33333u * 2);  // one byte per "a", two per "中"
  EXPECT_EQ(CodePageToWide(936, bytes), text);
}

TEST(CodePageTest, Utf8RoundTrips) {
  const std::wstring text = L"Copyloom – 中文 Привет ü";
  const std::string utf8 = WideToUtf8(text);
  EXPECT_EQ(utf8,
            "Copyloom \xE2\x80\x93 \xE4\xB8\xAD\xE6\x96\x87 "
            "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xC3\xBC");
  EXPECT_EQ(Utf8ToWide(utf8), text);
  // A character outside the first plane survives both ways.
  const std::string emoji = "\xF0\x9F\x98\x80";
  EXPECT_EQ(WideToUtf8(Utf8ToWide(emoji)), emoji);
}

TEST(CodePageTest, TheHookFixesTheAnsiCodePage) {
  testing::SetAnsiCodePage(936);
  EXPECT_EQ(AnsiCodePage(), 936u);
  testing::SetAnsiCodePage(std::nullopt);
  EXPECT_NE(AnsiCodePage(), 0u);
}

}  // namespace
}  // namespace copyloom::platform
