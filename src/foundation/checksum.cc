#include "foundation/checksum.h"

#include <cstring>

namespace copyloom {
namespace {

inline uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline uint32_t LoadLittle(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline void StoreLittle(uint32_t v, uint8_t* p) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

// Per-step sines and shifts of the four rounds.
constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

constexpr int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                            5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                            4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                            6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

std::wstring ToHex(const uint8_t digest[16]) {
  static const wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring hex;
  hex.reserve(32);
  for (int i = 0; i < 16; ++i) {
    hex += kDigits[digest[i] >> 4];
    hex += kDigits[digest[i] & 0x0F];
  }
  return hex;
}

}  // namespace

CChecksum::CChecksum() { Reset(); }

void CChecksum::Reset() {
  state_[0] = 0x67452301;
  state_[1] = 0xefcdab89;
  state_[2] = 0x98badcfe;
  state_[3] = 0x10325476;
  bit_count_ = 0;
  std::memset(buffer_, 0, sizeof buffer_);
}

void CChecksum::Update(const void* data, size_t size) {
  if (size == 0) return;
  const auto* in = static_cast<const uint8_t*>(data);
  size_t used = static_cast<size_t>((bit_count_ >> 3) & 63);
  bit_count_ += static_cast<uint64_t>(size) << 3;
  if (used > 0) {
    const size_t take = size < 64 - used ? size : 64 - used;
    std::memcpy(buffer_ + used, in, take);
    in += take;
    size -= take;
    if (used + take < 64) return;
    Transform(buffer_);
  }
  for (; size >= 64; in += 64, size -= 64) Transform(in);
  if (size > 0) std::memcpy(buffer_, in, size);
}

void CChecksum::Final(uint8_t digest[16]) {
  uint8_t length[8];
  const uint64_t bits = bit_count_;
  for (int i = 0; i < 8; ++i) length[i] = static_cast<uint8_t>(bits >> (8 * i));
  // Pad to 56 bytes mod 64, then the bit count: one 0x80 and zeros.
  static const uint8_t kPadding[64] = {0x80};
  const size_t used = static_cast<size_t>((bits >> 3) & 63);
  const size_t pad = used < 56 ? 56 - used : 120 - used;
  Update(kPadding, pad);
  Update(length, 8);
  for (int i = 0; i < 4; ++i) StoreLittle(state_[i], digest + 4 * i);
}

std::wstring CChecksum::FinalHex() {
  uint8_t digest[16];
  Final(digest);
  return ToHex(digest);
}

std::wstring CChecksum::HexOf(const void* data, size_t size) {
  CChecksum md5;
  md5.Update(data, size);
  return md5.FinalHex();
}

void CChecksum::Transform(const uint8_t block[64]) {
  uint32_t m[16];
  for (int i = 0; i < 16; ++i) m[i] = LoadLittle(block + 4 * i);
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  // One loop per round keeps the mixing function out of the inner branch.
  auto step = [&](int i, uint32_t f, int g) {
    const uint32_t rotated = RotateLeft(a + f + kSine[i] + m[g], kShift[i]);
    a = d;
    d = c;
    c = b;
    b += rotated;
  };
  for (int i = 0; i < 16; ++i) step(i, (b & c) | (~b & d), i);
  for (int i = 16; i < 32; ++i) step(i, (d & b) | (~d & c), (5 * i + 1) & 15);
  for (int i = 32; i < 48; ++i) step(i, b ^ c ^ d, (3 * i + 5) & 15);
  for (int i = 48; i < 64; ++i) step(i, c ^ (b | ~d), (7 * i) & 15);
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}

}  // namespace copyloom
