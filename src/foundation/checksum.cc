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

// F in its select form: one operation fewer on the serial chain.
inline uint32_t F(uint32_t x, uint32_t y, uint32_t z) { return z ^ (x & (y ^ z)); }
inline uint32_t H(uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; }
inline uint32_t I(uint32_t x, uint32_t y, uint32_t z) { return y ^ (x | ~z); }

template <uint32_t (*Mix)(uint32_t, uint32_t, uint32_t)>
inline void Step(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t m, uint32_t sine,
                 int shift) {
  a = b + RotateLeft(a + Mix(b, c, d) + m + sine, shift);
}

// G's two terms share no bits, so they may be added instead of or-ed: the
// one without b, the newest value, is then added before b is known.
inline void StepG(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t m, uint32_t sine,
                  int shift) {
  a += m + sine + (c & ~d);
  a = b + RotateLeft(a + (b & d), shift);
}

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
  // Unrolled: the rounds' message order and shifts are fixed, and letting
  // the compiler see them keeps every value in a register.
  Step<F>(a, b, c, d, m[0], kSine[0], kShift[0]);
  Step<F>(d, a, b, c, m[1], kSine[1], kShift[1]);
  Step<F>(c, d, a, b, m[2], kSine[2], kShift[2]);
  Step<F>(b, c, d, a, m[3], kSine[3], kShift[3]);
  Step<F>(a, b, c, d, m[4], kSine[4], kShift[4]);
  Step<F>(d, a, b, c, m[5], kSine[5], kShift[5]);
  Step<F>(c, d, a, b, m[6], kSine[6], kShift[6]);
  Step<F>(b, c, d, a, m[7], kSine[7], kShift[7]);
  Step<F>(a, b, c, d, m[8], kSine[8], kShift[8]);
  Step<F>(d, a, b, c, m[9], kSine[9], kShift[9]);
  Step<F>(c, d, a, b, m[10], kSine[10], kShift[10]);
  Step<F>(b, c, d, a, m[11], kSine[11], kShift[11]);
  Step<F>(a, b, c, d, m[12], kSine[12], kShift[12]);
  Step<F>(d, a, b, c, m[13], kSine[13], kShift[13]);
  Step<F>(c, d, a, b, m[14], kSine[14], kShift[14]);
  Step<F>(b, c, d, a, m[15], kSine[15], kShift[15]);
  StepG(a, b, c, d, m[1], kSine[16], kShift[16]);
  StepG(d, a, b, c, m[6], kSine[17], kShift[17]);
  StepG(c, d, a, b, m[11], kSine[18], kShift[18]);
  StepG(b, c, d, a, m[0], kSine[19], kShift[19]);
  StepG(a, b, c, d, m[5], kSine[20], kShift[20]);
  StepG(d, a, b, c, m[10], kSine[21], kShift[21]);
  StepG(c, d, a, b, m[15], kSine[22], kShift[22]);
  StepG(b, c, d, a, m[4], kSine[23], kShift[23]);
  StepG(a, b, c, d, m[9], kSine[24], kShift[24]);
  StepG(d, a, b, c, m[14], kSine[25], kShift[25]);
  StepG(c, d, a, b, m[3], kSine[26], kShift[26]);
  StepG(b, c, d, a, m[8], kSine[27], kShift[27]);
  StepG(a, b, c, d, m[13], kSine[28], kShift[28]);
  StepG(d, a, b, c, m[2], kSine[29], kShift[29]);
  StepG(c, d, a, b, m[7], kSine[30], kShift[30]);
  StepG(b, c, d, a, m[12], kSine[31], kShift[31]);
  Step<H>(a, b, c, d, m[5], kSine[32], kShift[32]);
  Step<H>(d, a, b, c, m[8], kSine[33], kShift[33]);
  Step<H>(c, d, a, b, m[11], kSine[34], kShift[34]);
  Step<H>(b, c, d, a, m[14], kSine[35], kShift[35]);
  Step<H>(a, b, c, d, m[1], kSine[36], kShift[36]);
  Step<H>(d, a, b, c, m[4], kSine[37], kShift[37]);
  Step<H>(c, d, a, b, m[7], kSine[38], kShift[38]);
  Step<H>(b, c, d, a, m[10], kSine[39], kShift[39]);
  Step<H>(a, b, c, d, m[13], kSine[40], kShift[40]);
  Step<H>(d, a, b, c, m[0], kSine[41], kShift[41]);
  Step<H>(c, d, a, b, m[3], kSine[42], kShift[42]);
  Step<H>(b, c, d, a, m[6], kSine[43], kShift[43]);
  Step<H>(a, b, c, d, m[9], kSine[44], kShift[44]);
  Step<H>(d, a, b, c, m[12], kSine[45], kShift[45]);
  Step<H>(c, d, a, b, m[15], kSine[46], kShift[46]);
  Step<H>(b, c, d, a, m[2], kSine[47], kShift[47]);
  Step<I>(a, b, c, d, m[0], kSine[48], kShift[48]);
  Step<I>(d, a, b, c, m[7], kSine[49], kShift[49]);
  Step<I>(c, d, a, b, m[14], kSine[50], kShift[50]);
  Step<I>(b, c, d, a, m[5], kSine[51], kShift[51]);
  Step<I>(a, b, c, d, m[12], kSine[52], kShift[52]);
  Step<I>(d, a, b, c, m[3], kSine[53], kShift[53]);
  Step<I>(c, d, a, b, m[10], kSine[54], kShift[54]);
  Step<I>(b, c, d, a, m[1], kSine[55], kShift[55]);
  Step<I>(a, b, c, d, m[8], kSine[56], kShift[56]);
  Step<I>(d, a, b, c, m[15], kSine[57], kShift[57]);
  Step<I>(c, d, a, b, m[6], kSine[58], kShift[58]);
  Step<I>(b, c, d, a, m[13], kSine[59], kShift[59]);
  Step<I>(a, b, c, d, m[4], kSine[60], kShift[60]);
  Step<I>(d, a, b, c, m[11], kSine[61], kShift[61]);
  Step<I>(c, d, a, b, m[2], kSine[62], kShift[62]);
  Step<I>(b, c, d, a, m[9], kSine[63], kShift[63]);
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
}

}  // namespace copyloom
