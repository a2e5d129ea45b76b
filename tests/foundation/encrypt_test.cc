#include "foundation/encrypt.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "foundation/encrypt_table.h"

namespace copyloom {
namespace {

using namespace codec;

bool AllLetters(std::string_view text) {
  for (char c : text) {
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  }
  return true;
}

const std::vector<std::string_view>& Tokens() {
  static const std::vector<std::string_view> tokens = {kCarriageReturnToken, kLineFeedToken,
                                                       kEqualsToken, kPlusToken, kSlashToken};
  return tokens;
}

// Standard Base64 text as this codec writes it: our symbol order, the signs
// as tokens. The standard vectors below come from RFC 4648.
std::string Transliterate(const std::string& standard) {
  static const std::string kStandard =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (char c : standard) {
    if (c == '=') {
      out += '=';
    } else {
      out += kSymbols[kStandard.find(c)];
    }
  }
  std::string signs;
  for (char c : out) {
    if (c == '=') {
      signs += kEqualsToken;
    } else if (c == '+') {
      signs += kPlusToken;
    } else if (c == '/') {
      signs += kSlashToken;
    } else {
      signs += c;
    }
  }
  return signs;
}

// The body of a stored text: without the two copied characters and filler.
std::string Body(const std::string& stored) {
  std::string body = stored.substr(2);
  if (body.compare(0, kFiller.size(), kFiller) == 0) body.erase(0, kFiller.size());
  return body;
}

TEST(CodecTable, SymbolsAreEachAlphanumericOnceWithSignsLast) {
  ASSERT_EQ(kSymbols.size(), 64u);
  std::set<char> seen(kSymbols.begin(), kSymbols.end());
  EXPECT_EQ(seen.size(), 64u);
  EXPECT_EQ(kSymbols.substr(62), "+/");
  EXPECT_TRUE(std::all_of(kSymbols.begin(), kSymbols.begin() + 62,
                          [](char c) { return std::isalnum(static_cast<unsigned char>(c)); }));
}

TEST(CodecTable, TokensAndFillerKeepTheirShape) {
  EXPECT_EQ(kCarriageReturnToken.size(), 17u);
  EXPECT_EQ(kLineFeedToken.size(), 18u);
  EXPECT_EQ(kEqualsToken.size(), 12u);
  EXPECT_EQ(kPlusToken.size(), 12u);
  EXPECT_EQ(kSlashToken.size(), 12u);
  EXPECT_EQ(kFiller.size(), 20u);
  EXPECT_TRUE(AllLetters(kFiller));
  ASSERT_EQ(kTokenPrefix.size(), 4u);
  for (auto token : Tokens()) {
    SCOPED_TRACE(std::string(token));
    EXPECT_TRUE(AllLetters(token));
    EXPECT_EQ(token.substr(0, 4), kTokenPrefix);
    // The prefix only at the start, and no token ends with part of it: a
    // token can then never be matched across the edge of another.
    EXPECT_EQ(token.find(kTokenPrefix, 1), std::string_view::npos);
    for (size_t k = 1; k < kTokenPrefix.size(); ++k) {
      EXPECT_NE(token.substr(token.size() - k), kTokenPrefix.substr(0, k));
    }
    EXPECT_EQ(kFiller.find(token), std::string_view::npos);
  }
  EXPECT_EQ(kFiller.find(kTokenPrefix.substr(0, 1)), std::string_view::npos);
  std::set<std::string_view> distinct(Tokens().begin(), Tokens().end());
  EXPECT_EQ(distinct.size(), 5u);
}

TEST(CodecScramble, EmptyTextIsTheFillerWithItsCopiedPair) {
  const std::string stored = ScrambleBytes("");
  EXPECT_EQ(stored, std::string(kFiller.substr(10, 2)) + std::string(kFiller));
  EXPECT_EQ(stored.size(), 22u);
  EXPECT_EQ(UnscrambleBytes(stored), "");
}

TEST(CodecScramble, MatchesStandardBase64Vectors) {
  const std::pair<const char*, const char*> rows[] = {
      {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},          {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"\xff\xfe\xfb", "//77"},
  };
  for (const auto& [plain, standard] : rows) {
    SCOPED_TRACE(plain);
    const std::string stored = ScrambleBytes(plain);
    EXPECT_EQ(Body(stored), Transliterate(standard));
    EXPECT_EQ(UnscrambleBytes(stored), plain);
  }
}

TEST(CodecScramble, OneByteIsTwoSymbolsAndTwoEqualsTokens) {
  const std::string body = Body(ScrambleBytes("A"));
  EXPECT_EQ(body.size(), 2 + 2 * kEqualsToken.size());
  EXPECT_EQ(body[0], kSymbols['A' >> 2]);
  EXPECT_EQ(body[1], kSymbols[('A' & 3) << 4]);
  EXPECT_EQ(body.substr(2), std::string(kEqualsToken) + std::string(kEqualsToken));
}

TEST(CodecScramble, ShortResultsGetTheFillerAndPrefixCopiesPositionsTenAndEleven) {
  // "foo" is four symbols: filler in front; "foobarfoobarfoobar" is 24.
  const std::string short_stored = ScrambleBytes("foo");
  EXPECT_EQ(short_stored.substr(2, 20), kFiller);
  EXPECT_EQ(short_stored.substr(0, 2), short_stored.substr(12, 2));
  const std::string long_stored = ScrambleBytes("foobarfoobarfoobar");
  EXPECT_EQ(long_stored.size(), 26u);
  EXPECT_NE(long_stored.substr(2, 20), kFiller);
  EXPECT_EQ(long_stored.substr(0, 2), long_stored.substr(12, 2));
}

TEST(CodecScramble, LineBreakAfterEvery76SymbolsOfCompleteGroups) {
  const std::string line_break = std::string(kCarriageReturnToken) + std::string(kLineFeedToken);
  const std::string bytes(200, 'x');
  struct Row {
    size_t length;
    size_t breaks;
  } rows[] = {{56, 0}, {57, 1}, {58, 1}, {59, 1}, {113, 1}, {114, 2}, {171, 3}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.length);
    const std::string plain = bytes.substr(0, row.length);
    const std::string body = Body(ScrambleBytes(plain));
    size_t count = 0;
    for (size_t at = body.find(line_break); at != std::string::npos;
         at = body.find(line_break, at + 1)) {
      // Each break follows 76 symbols of its line.
      EXPECT_EQ((at - count * line_break.size()) % 76, 0u);
      ++count;
    }
    EXPECT_EQ(count, row.breaks);
    EXPECT_EQ(UnscrambleBytes(ScrambleBytes(plain)), plain);
  }
}

TEST(CodecScramble, RandomBytesRoundTrip) {
  std::mt19937 random(7);
  for (size_t length = 0; length < 400; ++length) {
    std::string bytes(length, '\0');
    for (auto& b : bytes) b = static_cast<char>(random() & 0xFF);
    const std::string stored = ScrambleBytes(bytes);
    ASSERT_GE(stored.size(), 22u);
    for (char c : stored) ASSERT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << length;
    ASSERT_EQ(UnscrambleBytes(stored), bytes) << "length " << length;
  }
}

TEST(CodecUnscramble, IgnoresLineBreaksAnywhereInTheStoredText) {
  const std::string plain = "A stored text that someone wrapped by hand, tokens and all.";
  const std::string stored = ScrambleBytes(plain);
  std::string wrapped;
  for (size_t i = 0; i < stored.size(); ++i) {
    wrapped += stored[i];
    if (i % 7 == 3) wrapped += "\r\n";
    if (i % 11 == 5) wrapped += "\n";
  }
  EXPECT_EQ(UnscrambleBytes(wrapped), plain);
}

TEST(CodecUnscramble, ShortAndForeignInputIsSafe) {
  EXPECT_EQ(UnscrambleBytes(""), "");
  EXPECT_EQ(UnscrambleBytes("x"), "");
  EXPECT_EQ(UnscrambleBytes("xy"), "");
  EXPECT_EQ(UnscrambleBytes("\r\n"), "");
  // Cut-short groups, signs, bytes above 127: must not read out of bounds.
  std::mt19937 random(11);
  for (int round = 0; round < 2000; ++round) {
    std::string junk(random() % 40, '\0');
    for (auto& b : junk) b = static_cast<char>(random() & 0xFF);
    (void)UnscrambleBytes(junk);
  }
  const std::string stored = ScrambleBytes("truncate me somewhere");
  for (size_t cut = 0; cut <= stored.size(); ++cut) (void)UnscrambleBytes(stored.substr(0, cut));
}

TEST(CEncryptTest, ChineseAndMixedTextsRoundTrip) {
  const CEncrypt codec;
  const std::wstring texts[] = {
      L"",
      L"Copyloom",
      L"信号提供者 Signal Provider",
      L"复制交易管理器：请先关闭 MT4 终端。\r\n第二行",
      L"https://copyloom.example/help/index.htm?lang=zh&x=1+2/3",
      std::wstring(300, L'汉'),
  };
  for (const auto& text : texts) {
    const std::wstring stored = codec.EncodeText(text);
    EXPECT_GE(stored.size(), 22u);
    for (wchar_t c : stored) EXPECT_LT(c, 128);
    EXPECT_EQ(codec.DecodeText(stored), text);
  }
}

TEST(CEncryptTest, StoredFormIsStable) {
  // Built-in texts are stored in this form; a change of the code table or of
  // the byte layout would make every one of them unreadable.
  const CEncrypt codec;
  EXPECT_EQ(codec.EncodeText(L"Copyloom"), L"wJIXmOjnBspXwJxqvEmhoLard");
  EXPECT_EQ(codec.EncodeText(L"复制"), L"EmrZbnBUJxqvEmhoLardJxqvEmhoLard");
}

TEST(CEncryptTest, CharactersOutsideCodePage936BecomeItsDefaultCharacter) {
  const CEncrypt codec;
  EXPECT_EQ(codec.DecodeText(codec.EncodeText(L"a\u0E01b")), L"a?b");
}

}  // namespace
}  // namespace copyloom
