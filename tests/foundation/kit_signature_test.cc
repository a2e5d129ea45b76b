#include "foundation/kit_signature.h"

#include <gtest/gtest.h>

#include "support/minisign_signer.h"

namespace copyloom {
namespace {

// Made with Debian's minisign 0.11 (-G -W; -S, and -S -l) over "hello\n".
constexpr char kMinisignKey[] =
    "untrusted comment: minisign public key 6D461B26351C3338\n"
    "RWQ4Mxw1JhtGbRzz9cqDk+3ZTCVp9R8pZDHmngqnwKX6h08OJSrhci84\n";
constexpr char kPrehashed[] =
    "untrusted comment: signature from minisign secret key\n"
    "RUQ4Mxw1JhtGbcx/19tQBt5IiLQRCV7YAd/mT2VwXH5JWR3GHHSIk9qtYo5DOS4MZH5nEgIHxvIeVyggGvbsKhFukc07lfk9Two=\n"
    "trusted comment: trusted c\n"
    "PSD77Wf7Uzgoiz67R72STQ7vqgVYFydfIOiqcbrSTqknCS9nbK3eEoyZl4Tak3Q/vRtLk9mcw86IdnkFrbPuCA==\n";
constexpr char kLegacy[] =
    "untrusted comment: signature from minisign secret key\n"
    "RWQ4Mxw1JhtGbWPtPE6GOMDJTMSET7wI2kmRiwVSpOROGAldYe/3AZvkOUTfua4K3aRsSprHMUZ4X5SfOPtKw5D7Yvk/coHytgA=\n"
    "trusted comment: timestamp:1796782711\tfile:msg\n"
    "/BTsEIezzt1xDTPmroiaSA9puiXanPcrMXaVhZffH+9Vv2X/pOpAlO1sZWIMi9X7TZjkzA/xPe/s4XYm9aBHAQ==\n";

MinisignSignature Parsed(const std::string& text) {
  MinisignSignature signature;
  std::string why;
  EXPECT_TRUE(ParseMinisignSignature(text, &signature, &why)) << why;
  return signature;
}

TEST(KitSignatureTest, MinisignsOwnSignaturesOfBothFormsAreGood) {
  MinisignKey key;
  std::string why;
  ASSERT_TRUE(ParseMinisignKey(kMinisignKey, &key, &why)) << why;
  EXPECT_EQ(MinisignKeyIdText(key.id), "6D461B26351C3338");
  const MinisignSignature prehashed = Parsed(kPrehashed), legacy = Parsed(kLegacy);
  EXPECT_TRUE(prehashed.prehashed);
  EXPECT_FALSE(legacy.prehashed);
  EXPECT_EQ(prehashed.trusted_comment, "trusted c");
  for (const MinisignSignature* signature : {&prehashed, &legacy}) {
    EXPECT_EQ(CheckMinisignSignature("hello\n", *signature, {key}), SignatureCheck::kGood);
    EXPECT_EQ(CheckMinisignSignature("hello!\n", *signature, {key}), SignatureCheck::kBad);
    EXPECT_EQ(CheckMinisignSignature("hello\n", *signature, {}), SignatureCheck::kOtherKey);
  }
  // The trusted comment is signed too.
  MinisignSignature changed = prehashed;
  changed.trusted_comment = "trusted d";
  EXPECT_EQ(CheckMinisignSignature("hello\n", changed, {key}), SignatureCheck::kBad);
}

TEST(KitSignatureTest, TheTestSignerSignsAsMinisignDoes) {
  const test::MinisignSigner signer, other;
  MinisignKey key;
  std::string why;
  ASSERT_TRUE(ParseMinisignKey(signer.PublicKeyText(), &key, &why)) << why;
  for (bool prehashed : {true, false}) {
    const MinisignSignature signature = Parsed(signer.Sign("manifest", prehashed));
    EXPECT_EQ(CheckMinisignSignature("manifest", signature, {other.key(), key}),
              SignatureCheck::kGood);
    EXPECT_EQ(CheckMinisignSignature("manifest", signature, {other.key()}),
              SignatureCheck::kOtherKey);
  }
  // Another key's signature under this key's id is wrong, not unknown.
  MinisignSignature forged = Parsed(other.Sign("manifest"));
  forged.key_id = key.id;
  EXPECT_EQ(CheckMinisignSignature("manifest", forged, {key}), SignatureCheck::kBad);
}

TEST(KitSignatureTest, MalformedKeysAndSignaturesAreRefusedWithAReason) {
  MinisignSignature signature;
  MinisignKey key;
  std::string why;
  for (const std::string& bad : {
           std::string(), std::string("garbage"), std::string(kMinisignKey),
           std::string(kPrehashed).substr(0, 120),
           // Not base64, a short line, an unknown algorithm, no trusted comment.
           std::string("untrusted comment: x\n!!!!\ntrusted comment: t\nAAAA\n"),
           std::string("untrusted comment: x\nRUQ4\ntrusted comment: t\nAAAA\n"),
           std::string("untrusted comment: x\n") + "Zm9v" + std::string(96, 'A') +
               "\ntrusted comment: t\n" + std::string(88, 'A') + "\n",
           std::string(kLegacy).replace(std::string(kLegacy).find("trusted comment: t"), 1, "T"),
           std::string(5000, 'A'),
       }) {
    why.clear();
    EXPECT_FALSE(ParseMinisignSignature(bad, &signature, &why)) << bad;
    EXPECT_FALSE(why.empty());
  }
  for (const std::string& bad :
       {std::string(), std::string(kPrehashed), std::string("RWQ4Mxw1JhtGbRzz9cqDk+3ZTCVp9R8p"),
        std::string("untrusted comment: x\nRUQ4Mxw1JhtGbRzz9cqDk+3ZTCVp9R8pZDHmngqnwKX6h08OJSrhci84\n")}) {
    why.clear();
    EXPECT_FALSE(ParseMinisignKey(bad, &key, &why)) << bad;
    EXPECT_FALSE(why.empty());
  }
}

// A key whose point a signature can be forged for, or that libgcrypt
// cannot take (it aborted on an all-zero key), is refused as it is read,
// and never checks a signature good.
TEST(KitSignatureTest, KeysThatAreNoUsablePointAreRefused) {
  auto key_text = [](std::string point) {
    return EncodeBase64("Ed" + std::string(8, '\x11') + point);
  };
  std::string p_minus_one = "\xec" + std::string(30, '\xff') + "\x7f";
  std::string order8;
  for (int b : {0x26, 0xe8, 0x95, 0x8f, 0xc2, 0xb2, 0x27, 0xb0, 0x45, 0xc3, 0xf4, 0x89, 0xf2, 0xef,
                0x98, 0xf0, 0xd5, 0xdf, 0xac, 0x05, 0xd3, 0xc6, 0x33, 0x39, 0xb1, 0x38, 0x02, 0x88,
                0x6d, 0x53, 0xfc, 0x05}) {
    order8 += static_cast<char>(b);
  }
  std::string small_y = std::string(1, '\x02') + std::string(31, '\0');
  for (std::string point : {std::string(32, '\0'), "\x01" + std::string(31, '\0'), p_minus_one,
                            "\xed" + std::string(30, '\xff') + "\x7f",  // p itself
                            std::string(31, '\xff') + "\x7f", order8, small_y}) {
    for (bool sign : {false, true}) {
      if (sign) point[31] = static_cast<char>(point[31] | 0x80);
      MinisignKey key;
      std::string why;
      EXPECT_FALSE(ParseMinisignKey(key_text(point), &key, &why)) << EncodeBase64(point);
      EXPECT_FALSE(why.empty());
      // Built by hand, it still checks nothing good.
      std::copy(point.begin(), point.end(), key.key.begin());
      MinisignSignature signature = Parsed(kLegacy);
      key.id = signature.key_id;
      EXPECT_EQ(CheckMinisignSignature("hello\n", signature, {key}), SignatureCheck::kBad);
    }
  }
}

TEST(KitSignatureTest, Sha256AndBase64) {
  EXPECT_EQ(Sha256Hex("abc", 3), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  std::string bytes;
  EXPECT_TRUE(DecodeBase64("aGVsbG8=", &bytes));
  EXPECT_EQ(bytes, "hello");
  EXPECT_EQ(EncodeBase64("hello"), "aGVsbG8=");
  EXPECT_EQ(EncodeBase64("hell"), "aGVsbA==");
  for (const char* bad : {"aGVsbG8", "aGV=bG8=", "aG!sbG8=", "a==="}) {
    EXPECT_FALSE(DecodeBase64(bad, &bytes)) << bad;
  }
}

}  // namespace
}  // namespace copyloom
