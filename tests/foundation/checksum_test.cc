#include "foundation/checksum.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace copyloom {
namespace {

// RFC 1321, appendix A.5.
TEST(CChecksumTest, Rfc1321TestSuite) {
  const std::pair<std::string, std::wstring> rows[] = {
      {"", L"d41d8cd98f00b204e9800998ecf8427e"},
      {"a", L"0cc175b9c0f1b6a831c399e269772661"},
      {"abc", L"900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", L"f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", L"c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       L"d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       L"57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& [text, hex] : rows) {
    SCOPED_TRACE(text);
    EXPECT_EQ(CChecksum::HexOf(text.data(), text.size()), hex);
  }
}

TEST(CChecksumTest, PaddingBoundaries) {
  // Lengths around the 56-byte padding edge and the 64-byte block.
  const std::pair<size_t, std::wstring> rows[] = {
      {55, L"ef1772b6dff9a122358552954ad0df65"}, {56, L"3b0c8ac703f828b04c6c197006d17218"},
      {63, L"b06521f39153d618550606be297466d5"}, {64, L"014842d480b571495a4a0363793f7367"},
      {65, L"c743a45e0d2e6a95cb859adae0248435"},
  };
  for (const auto& [length, hex] : rows) {
    const std::string text(length, 'a');
    EXPECT_EQ(CChecksum::HexOf(text.data(), text.size()), hex) << length;
  }
}

TEST(CChecksumTest, PiecewiseUpdatesEqualOneUpdate) {
  std::mt19937 random(3);
  std::string data(5000, '\0');
  for (auto& c : data) c = static_cast<char>(random());
  const std::wstring whole = CChecksum::HexOf(data.data(), data.size());
  for (size_t piece : {1u, 3u, 63u, 64u, 65u, 1024u, 4999u}) {
    CChecksum md5;
    for (size_t at = 0; at < data.size(); at += piece) {
      md5.Update(data.data() + at, std::min(piece, data.size() - at));
    }
    md5.Update(nullptr, 0);
    EXPECT_EQ(md5.FinalHex(), whole) << piece;
  }
}

TEST(CChecksumTest, ResetStartsOver) {
  CChecksum md5;
  md5.Update("garbage", 7);
  uint8_t ignored[16];
  md5.Final(ignored);
  md5.Reset();
  md5.Update("abc", 3);
  EXPECT_EQ(md5.FinalHex(), L"900150983cd24fb0d6963f7d28e17f72");
}

}  // namespace
}  // namespace copyloom
