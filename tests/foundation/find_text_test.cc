#include <gtest/gtest.h>

#include <string>

#include "foundation/byte_search.h"
#include "foundation/file_ctrl.h"
#include "platform/testing.h"
#include "support/temp_dir.h"

namespace copyloom {
namespace {

namespace hook = platform::testing;
using test::TempDir;

class FindTextTest : public ::testing::Test {
 protected:
  int64_t Find(const std::string& content, const std::wstring& text) {
    dir_.WriteFile(L"f.bin", content);
    return files_.FindTextInFile(dir_.Join(L"f.bin"), text);
  }
  TempDir dir_;
  CFileCtrl files_;
};

TEST_F(FindTextTest, SmallFiles) {
  EXPECT_EQ(Find("CopyloomSignedEA", L"CopyloomSignedEA"), 0);
  EXPECT_EQ(Find(std::string("..\0..Signed", 11), L"Signed"), 5);
  EXPECT_EQ(Find("xxMarker", L"Marker"), 2);  // ends exactly at the end
  EXPECT_EQ(Find("aaab", L"aab"), 1);
  EXPECT_EQ(Find("ab ab ab", L"ab"), 0);
  EXPECT_EQ(Find("marker", L"Marker"), -1);  // bytes, so case counts
  EXPECT_EQ(Find("abc", L"abcd"), -1);
  EXPECT_EQ(Find("", L"a"), -1);
  EXPECT_EQ(Find("abc", L""), -1);
  EXPECT_EQ(files_.FindTextInFile(dir_.Join(L"missing"), L"a"), -1);
}

TEST_F(FindTextTest, ComparesTheAnsiBytesOfTheText) {
  hook::SetAnsiCodePage(936);
  EXPECT_EQ(Find("ab\xd6\xd0\xce\xc4", L"\u4e2d\u6587"), 2);
  hook::SetAnsiCodePage(1252);
  EXPECT_EQ(Find("x\xe9t\xe9", L"\u00e9t\u00e9"), 1);
}

TEST_F(FindTextTest, MatchAcrossEveryEdgeOfTheReadChunks) {
  // The reader works in 1 MiB chunks; put the text across the first edge at
  // each split, and once right after it.
  const std::string needle = "SignalProviderEA";
  const size_t edge = 1 << 20;
  for (size_t before = 0; before <= needle.size(); ++before) {
    std::string content(2 * edge + 100, 'S');
    const size_t at = edge - before;
    content.replace(at, needle.size(), needle);
    EXPECT_EQ(Find(content, L"SignalProviderEA"), static_cast<int64_t>(at)) << before;
  }
}

TEST_F(FindTextTest, LargeFileWithTheTextNearItsEnd) {
  std::string content(40 << 20, '\0');
  for (size_t i = 0; i < content.size(); i += 4096) content[i] = 'S';
  const size_t at = content.size() - 17;
  content.replace(at, 8, "Receiver");
  EXPECT_EQ(Find(content, L"Receiver"), static_cast<int64_t>(at));
  EXPECT_EQ(Find(content, L"Provider"), -1);
}

// The search jumps with memchr to one byte of the text and falls back to
// Horspool where that byte is common; either way it must agree with a plain
// search, wherever the text sits and whatever repeats around it.
TEST(ByteSearchTest, AgreesWithAPlainSearch) {
  using namespace std::string_literals;
  const std::string needles[] = {"a", "ab", "aab", "abab", "CopyloomSignedEA", "EA", "\xff\0x"s};
  // Small alphabets make near misses and overlaps common; the long runs of
  // one lead byte force the Horspool fallback.
  const std::string alphabets[] = {"ab", "abAB", "CEopy", "\0\xffx"s};
  uint32_t state = 12345;
  for (const auto& needle : needles) {
    const CByteSearch search(needle);
    for (const auto& alphabet : alphabets) {
      for (size_t length : {0, 1, 2, 5, 17, 200, 3000}) {
        std::string hay(length, ' ');
        for (auto& c : hay) {
          state = state * 1103515245 + 12345;
          c = alphabet[(state >> 16) % alphabet.size()];
        }
        const size_t expected = hay.find(needle);
        EXPECT_EQ(search.Find(hay.data(), hay.size()),
                  expected == std::string::npos ? CByteSearch::npos : expected)
            << needle.size() << " in " << length << " of " << alphabet;
      }
    }
    std::string runs(5000, needle[0]);
    runs += needle;
    EXPECT_EQ(search.Find(runs.data(), runs.size()), runs.find(needle));
  }
  EXPECT_EQ(CByteSearch("").Find("abc", 3), CByteSearch::npos);
}

}  // namespace
}  // namespace copyloom
