#include "foundation/kit_signature.h"

#include <gcrypt.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace copyloom {
namespace {

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kUntrusted[] = "untrusted comment: ";
constexpr char kTrusted[] = "trusted comment: ";

void InitCrypto() {
  static std::once_flag once;
  std::call_once(once, [] {
    gcry_check_version(nullptr);
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
  });
}

// The lines of a text, "\r\n" or "\n" ended; the last may lack its end.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// Why a public key is refused before libgcrypt sees it; nullptr when it is
// usable. Small-order points (any sign) verify forged signatures; an
// encoding at or past the field's prime is not canonical; and libgcrypt
// 1.10 aborts on a y whose top 64 bits are all zero (no real key has one:
// its odds are 2^-64).
const char* KeyProblem(const uint8_t* key) {
  // y, little-endian, without the sign bit.
  uint8_t y[32];
  std::memcpy(y, key, 32);
  y[31] &= 0x7f;
  // p = 2^255 - 19: ed ff .. ff 7f. y >= p when bytes 1..31 are p's and y[0] >= 0xed.
  bool high_all_p = y[31] == 0x7f;
  for (int i = 1; i < 31 && high_all_p; ++i) high_all_p = y[i] == 0xff;
  if (high_all_p && y[0] >= 0xed) return "not a canonical Ed25519 point";
  static const uint8_t kOrder8[2][32] = {
      {0x26, 0xe8, 0x95, 0x8f, 0xc2, 0xb2, 0x27, 0xb0, 0x45, 0xc3, 0xf4, 0x89, 0xf2, 0xef, 0x98, 0xf0,
       0xd5, 0xdf, 0xac, 0x05, 0xd3, 0xc6, 0x33, 0x39, 0xb1, 0x38, 0x02, 0x88, 0x6d, 0x53, 0xfc, 0x05},
      {0xc7, 0x17, 0x6a, 0x70, 0x3d, 0x4d, 0xd8, 0x4f, 0xba, 0x3c, 0x0b, 0x76, 0x0d, 0x10, 0x67, 0x0f,
       0x2a, 0x20, 0x53, 0xfa, 0x2c, 0x39, 0xcc, 0xc6, 0x4e, 0xc7, 0xfd, 0x77, 0x92, 0xac, 0x03, 0x7a}};
  // y = p - 1 (order 2); y = 0 and 1 (orders 4 and 1) fall under the zero top bits.
  const bool minus_one = high_all_p && y[0] == 0xec;
  if (minus_one || std::memcmp(y, kOrder8[0], 32) == 0 || std::memcmp(y, kOrder8[1], 32) == 0) {
    return "an Ed25519 point of small order";
  }
  if (std::all_of(y + 24, y + 32, [](uint8_t b) { return b == 0; })) {
    return "an Ed25519 point this program cannot check";
  }
  return nullptr;
}

bool VerifyEd25519(const uint8_t* key, const void* message, size_t size, const uint8_t* signature) {
  if (KeyProblem(key)) return false;
  InitCrypto();
  gcry_sexp_t public_key = nullptr, data = nullptr, sig = nullptr;
  bool good = false;
  if (!gcry_sexp_build(&public_key, nullptr,
                       "(public-key (ecc (curve Ed25519) (flags eddsa) (q %b)))", 32, key) &&
      !gcry_sexp_build(&data, nullptr, "(data (flags eddsa) (hash-algo sha512) (value %b))",
                       static_cast<int>(size), message) &&
      !gcry_sexp_build(&sig, nullptr, "(sig-val (eddsa (r %b) (s %b)))", 32, signature, 32,
                       signature + 32)) {
    good = gcry_pk_verify(sig, data, public_key) == 0;
  }
  gcry_sexp_release(public_key);
  gcry_sexp_release(data);
  gcry_sexp_release(sig);
  return good;
}

}  // namespace

bool DecodeBase64(const std::string& text, std::string* bytes) {
  bytes->clear();
  if (text.size() % 4 != 0) return false;
  uint32_t buffer = 0;
  int bits = 0;
  size_t padding = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '=') {
      // Only at the end, at most two.
      if (i + 2 < text.size()) return false;
      ++padding;
      continue;
    }
    if (padding) return false;
    const char* at = c ? std::strchr(kBase64, c) : nullptr;
    if (!at) return false;
    buffer = (buffer << 6) | static_cast<uint32_t>(at - kBase64);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes->push_back(static_cast<char>((buffer >> bits) & 0xff));
    }
  }
  return padding <= 2;
}

std::string EncodeBase64(const std::string& bytes) {
  std::string text;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const uint32_t n = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8) | uint8_t(bytes[i + 2]);
    for (int shift : {18, 12, 6, 0}) text += kBase64[(n >> shift) & 63];
  }
  if (i < bytes.size()) {
    uint32_t n = uint8_t(bytes[i]) << 16;
    if (i + 1 < bytes.size()) n |= uint8_t(bytes[i + 1]) << 8;
    text += kBase64[(n >> 18) & 63];
    text += kBase64[(n >> 12) & 63];
    text += i + 1 < bytes.size() ? kBase64[(n >> 6) & 63] : '=';
    text += '=';
  }
  return text;
}

bool ParseMinisignKey(const std::string& text, MinisignKey* key, std::string* why) {
  if (text.size() > kSignatureCap) {
    *why = "the key is too long";
    return false;
  }
  std::vector<std::string> lines = Lines(text);
  if (!lines.empty() && StartsWith(lines[0], kUntrusted)) lines.erase(lines.begin());
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  std::string bytes;
  if (lines.size() != 1 || !DecodeBase64(lines[0], &bytes) || bytes.size() != 42) {
    *why = "not a minisign public key";
    return false;
  }
  if (bytes.compare(0, 2, "Ed") != 0) {
    *why = "not an Ed25519 key";
    return false;
  }
  std::memcpy(key->id.data(), bytes.data() + 2, 8);
  std::memcpy(key->key.data(), bytes.data() + 10, 32);
  if (const char* problem = KeyProblem(key->key.data())) {
    *why = problem;
    return false;
  }
  return true;
}

bool ParseMinisignSignature(const std::string& text, MinisignSignature* signature,
                            std::string* why) {
  if (text.size() > kSignatureCap) {
    *why = "the signature file is too long";
    return false;
  }
  std::vector<std::string> lines = Lines(text);
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  if (lines.size() != 4 || !StartsWith(lines[0], kUntrusted) || !StartsWith(lines[2], kTrusted)) {
    *why = "not a minisign signature";
    return false;
  }
  std::string bytes, global;
  if (!DecodeBase64(lines[1], &bytes) || bytes.size() != 74 || !DecodeBase64(lines[3], &global) ||
      global.size() != 64) {
    *why = "not a minisign signature";
    return false;
  }
  if (bytes.compare(0, 2, "Ed") == 0) {
    signature->prehashed = false;
  } else if (bytes.compare(0, 2, "ED") == 0) {
    signature->prehashed = true;
  } else {
    *why = "an unknown signature algorithm";
    return false;
  }
  std::memcpy(signature->key_id.data(), bytes.data() + 2, 8);
  std::memcpy(signature->signature.data(), bytes.data() + 10, 64);
  signature->trusted_comment = lines[2].substr(std::strlen(kTrusted));
  std::memcpy(signature->global_signature.data(), global.data(), 64);
  return true;
}

SignatureCheck CheckMinisignSignature(const std::string& message, const MinisignSignature& signature,
                                      const std::vector<MinisignKey>& trusted) {
  const MinisignKey* key = nullptr;
  for (const MinisignKey& candidate : trusted) {
    if (candidate.id == signature.key_id) key = &candidate;
  }
  if (!key) return SignatureCheck::kOtherKey;
  bool good;
  if (signature.prehashed) {
    InitCrypto();
    uint8_t digest[64];
    gcry_md_hash_buffer(GCRY_MD_BLAKE2B_512, digest, message.data(), message.size());
    good = VerifyEd25519(key->key.data(), digest, sizeof digest, signature.signature.data());
  } else {
    good = VerifyEd25519(key->key.data(), message.data(), message.size(),
                         signature.signature.data());
  }
  if (!good) return SignatureCheck::kBad;
  // The trusted comment is signed with the signature.
  std::string global(reinterpret_cast<const char*>(signature.signature.data()), 64);
  global += signature.trusted_comment;
  return VerifyEd25519(key->key.data(), global.data(), global.size(),
                       signature.global_signature.data())
             ? SignatureCheck::kGood
             : SignatureCheck::kBad;
}

std::string MinisignKeyIdText(const std::array<uint8_t, 8>& id) {
  // minisign prints the id as a little-endian number.
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  for (size_t i = id.size(); i-- > 0;) {
    text += digits[id[i] >> 4];
    text += digits[id[i] & 15];
  }
  return text;
}

std::string Sha256Hex(const void* data, size_t size) {
  InitCrypto();
  uint8_t digest[32];
  gcry_md_hash_buffer(GCRY_MD_SHA256, digest, data, size);
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t b : digest) {
    text += digits[b >> 4];
    text += digits[b & 15];
  }
  return text;
}

}  // namespace copyloom
