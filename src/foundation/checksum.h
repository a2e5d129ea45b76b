// MD5 (RFC 1321), our own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace copyloom {

class CChecksum {
 public:
  CChecksum();
  virtual ~CChecksum() = default;

  void Reset();
  void Update(const void* data, size_t size);
  // Finishes and writes the 16 digest bytes; the object must be Reset before reuse.
  void Final(uint8_t digest[16]);
  // 32 lower-case hexadecimal digits of the digest of everything fed so far.
  std::wstring FinalHex();

  static std::wstring HexOf(const void* data, size_t size);

 private:
  void Transform(const uint8_t block[64]);

  uint32_t state_[4];
  uint64_t bit_count_;
  uint8_t buffer_[64];
};

}  // namespace copyloom
