// Code pages through the system's converters.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "platform/testing.h"

namespace copyloom::platform {
namespace {

TEST(Win32CodePageTest, AnsiCodePageIsTheSystemsUnlessReplaced) {
  EXPECT_EQ(AnsiCodePage(), ::GetACP());
  testing::SetAnsiCodePage(936u);
  EXPECT_EQ(AnsiCodePage(), 936u);
  testing::SetAnsiCodePage(std::nullopt);
  EXPECT_EQ(AnsiCodePage(), ::GetACP());
}

TEST(Win32CodePageTest, NoBestFitLookAlikes) {
  // Windows would write "a" for U+0105 in 1252 by default; it is unmappable.
  size_t first = 0;
  EXPECT_EQ(WideToCodePage(1252, L"ab\u0105c", &first), "ab?c");
  EXPECT_EQ(first, 2u);
  EXPECT_EQ(WideToCodePage(1252, L"caf\u00e9", &first), "caf\xe9");
  EXPECT_EQ(first, kNoUnmappable);
}

TEST(Win32CodePageTest, UnmappableIndexIgnoresLiteralQuestionMarks) {
  size_t first = 0;
  EXPECT_EQ(WideToCodePage(1252, L"a?b\u4e2d?", &first), "a?b??");
  EXPECT_EQ(first, 3u);
  // A character outside the BMP is one unmappable character at its first half.
  EXPECT_EQ(WideToCodePage(936, L"\u4e2d\U00020000x", &first).substr(0, 2), "\xd6\xd0");
  EXPECT_EQ(first, 1u);
}

TEST(Win32CodePageTest, Utf8AndChineseRoundTrips) {
  const std::wstring text = L"MT4 \u4e2d\u6587 \u041c\u0422 \U0001F600";
  EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);
  EXPECT_EQ(WideToUtf8(L"\u4e2d"), "\xe4\xb8\xad");
  size_t first = 0;
  EXPECT_EQ(WideToCodePage(936, L"\u4e2d\u6587", &first), "\xd6\xd0\xce\xc4");
  EXPECT_EQ(first, kNoUnmappable);
  EXPECT_EQ(CodePageToWide(936, "\xd6\xd0\xce\xc4"), L"\u4e2d\u6587");
  EXPECT_EQ(WideToCodePage(65001, std::wstring(1, wchar_t(0xD800)) + L"x", &first).back(), 'x');
  EXPECT_EQ(first, 0u);
  EXPECT_EQ(WideToCodePage(1252, L"", &first), "");
  EXPECT_EQ(first, kNoUnmappable);
}

}  // namespace
}  // namespace copyloom::platform
