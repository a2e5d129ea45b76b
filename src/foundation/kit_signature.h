// minisign's formats, read and checked with libgcrypt: a public key
// ("untrusted comment: ..." then base64 of "Ed", an 8-byte key id and the
// 32-byte Ed25519 key) and a detached signature (base64 of "Ed" or "ED",
// the key id and 64 bytes, then "trusted comment: ..." and a global
// signature over the signature and that comment). "Ed" signs the file
// itself (minisign -l); "ED", minisign's default, signs its BLAKE2b-512.
// Also SHA-256, for the kit manifest.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace copyloom {

struct MinisignKey {
  std::array<uint8_t, 8> id{};
  std::array<uint8_t, 32> key{};
};

struct MinisignSignature {
  bool prehashed = false;  // "ED"
  std::array<uint8_t, 8> key_id{};
  std::array<uint8_t, 64> signature{};
  std::string trusted_comment;  // without "trusted comment: "
  std::array<uint8_t, 64> global_signature{};
};

// The cap of a signature file: minisign's are about 300 bytes.
inline constexpr size_t kSignatureCap = 4096;

// A key file's text or its base64 line alone. False with *why set, also for
// a point of small order, one not canonically encoded, or one libgcrypt
// cannot take; such a key never checks a signature good either.
bool ParseMinisignKey(const std::string& text, MinisignKey* key, std::string* why);
bool ParseMinisignSignature(const std::string& text, MinisignSignature* signature,
                            std::string* why);

enum class SignatureCheck {
  kGood,
  kOtherKey,  // signed by a key not among the trusted ones
  kBad,       // by a trusted key, and wrong (the file or the comment changed)
};
// Checks the signature of message against the trusted keys (its key id
// chooses one) and the global signature of its trusted comment.
SignatureCheck CheckMinisignSignature(const std::string& message, const MinisignSignature& signature,
                                      const std::vector<MinisignKey>& trusted);

// The key id as minisign prints it: 16 upper-case hexadecimal digits.
std::string MinisignKeyIdText(const std::array<uint8_t, 8>& id);

// SHA-256 of bytes: 64 lower-case hexadecimal digits.
std::string Sha256Hex(const void* data, size_t size);

// Standard base64 (with padding); false on anything else.
bool DecodeBase64(const std::string& text, std::string* bytes);
std::string EncodeBase64(const std::string& bytes);

}  // namespace copyloom
