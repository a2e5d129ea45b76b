#include "platform/wildcard.h"

#include <gtest/gtest.h>

namespace copyloom::platform {
namespace {

TEST(WildcardTest, MatchesLikeFindFirstFile) {
  struct Case {
    const wchar_t* name;
    const wchar_t* pattern;
    bool match;
  };
  const Case cases[] = {
      {L"expert.ex4", L"*.ex4", true},
      {L"EXPERT.EX4", L"*.ex4", true},
      {L"expert.ex4.bak", L"*.ex4", false},
      {L"expert.mq4", L"*.ex4", false},
      {L"noext", L"*.*", true},
      {L"noext", L"*", true},
      {L"noext", L"", true},
      {L"a.b.c", L"*.c", true},
      {L"vlcpy1.tag", L"vlcpy*.tag", true},
      {L"vlcpy.tag", L"vlcpy*.tag", true},
      {L"vlcpy.tagx", L"vlcpy*.tag", false},
      {L"ab", L"a?", true},
      {L"a", L"a?", false},
      {L"abc", L"a?", false},
      {L"config", L"CONFIG", true},
      {L"Привет.txt", L"привет.*", true},
      {L"aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", L"*a*a*a*a*a*a*a*a*c", false},
      {L"x", L"**", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MatchesWildcard(c.name, c.pattern), c.match) << c.name << " ~ " << c.pattern;
  }
}

TEST(WildcardTest, FoldsTheScriptsWindowsFoldsAndNothingElse) {
  EXPECT_TRUE(EqualsIgnoreCase(L"Program Files", L"PROGRAM FILES"));
  EXPECT_TRUE(EqualsIgnoreCase(L"éàü", L"ÉÀÜ"));
  EXPECT_TRUE(EqualsIgnoreCase(L"Łódź", L"ŁÓDŹ"));
  EXPECT_TRUE(EqualsIgnoreCase(L"σοφία", L"ΣΟΦΊΑ"));
  EXPECT_TRUE(EqualsIgnoreCase(L"терминал", L"ТЕРМИНАЛ"));
  EXPECT_TRUE(EqualsIgnoreCase(L"ёж", L"ЁЖ"));
  EXPECT_FALSE(EqualsIgnoreCase(L"a", L"b"));
  EXPECT_FALSE(EqualsIgnoreCase(L"ab", L"a"));
  // Chinese has no case; the sharp s and the division sign are not letters
  // with a single-character upper case.
  EXPECT_FALSE(EqualsIgnoreCase(L"交易", L"交昜"));
  EXPECT_EQ(FoldChar(L'\xF7'), L'\xF7');
  EXPECT_EQ(FoldChar(L'\xDF'), L'\xDF');
  EXPECT_EQ(FoldChar(L'\xFF'), L'\x178');
}

TEST(WildcardTest, CompareIsATotalOrderIgnoringCaseFirst) {
  EXPECT_LT(CompareIgnoreCase(L"apple", L"Banana"), 0);
  EXPECT_GT(CompareIgnoreCase(L"banana", L"Apple"), 0);
  EXPECT_LT(CompareIgnoreCase(L"ab", L"ABC"), 0);
  // Equal ignoring case: still ordered, and consistently.
  EXPECT_NE(CompareIgnoreCase(L"File", L"file"), 0);
  EXPECT_EQ(CompareIgnoreCase(L"File", L"file"), -CompareIgnoreCase(L"file", L"File"));
  EXPECT_EQ(CompareIgnoreCase(L"same", L"same"), 0);
  // "_" sorts after letters once they are upper case, as on NTFS.
  EXPECT_LT(CompareIgnoreCase(L"a", L"_"), 0);
}

}  // namespace
}  // namespace copyloom::platform
