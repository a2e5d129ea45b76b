// Finding a byte text in a block of bytes at the speed of the C library's
// memchr: the search jumps to each place where the text's rarest-looking
// byte occurs and compares there, and falls back to Boyer-Moore-Horspool
// where that byte turns out to be common.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace copyloom {

class CByteSearch {
 public:
  static constexpr size_t npos = static_cast<size_t>(-1);

  explicit CByteSearch(std::string needle);

  // Offset of the first occurrence in [data, data + size); npos when there
  // is none or the text is empty.
  size_t Find(const char* data, size_t size) const;
  size_t length() const { return needle_.size(); }

 private:
  size_t FindHorspool(const char* data, size_t size, size_t from) const;

  std::string needle_;
  size_t lead_ = 0;  // index of the byte memchr looks for
  std::array<size_t, 256> shift_{};
};

}  // namespace copyloom
