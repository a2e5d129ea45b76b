#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace copyloom
