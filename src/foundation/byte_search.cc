#include "foundation/byte_search.h"

#include <cstring>

namespace copyloom {
namespace {

// How common a byte tends to be in compiled experts and in text: zero and
// 0xFF fill binaries, spaces and lower-case letters fill text. Lower is rarer.
int Commonness(unsigned char c) {
  if (c == 0 || c == 0xFF || c == ' ') return 4;
  if (c >= 'a' && c <= 'z') return 3;
  if ((c >= '0' && c <= '9') || c == '\r' || c == '\n' || c == '\t') return 2;
  if (c >= 'A' && c <= 'Z') return 1;
  return 0;
}

// memchr is left for Horspool once it stops more often than once per this
// many bytes on average: the lead byte is common in this data.
constexpr size_t kMinBytesPerStop = 16;
constexpr size_t kStopsBeforeJudging = 64;

}  // namespace

CByteSearch::CByteSearch(std::string needle) : needle_(std::move(needle)) {
  const size_t n = needle_.size();
  for (size_t i = 1; i < n; ++i) {
    if (Commonness(static_cast<unsigned char>(needle_[i])) <
        Commonness(static_cast<unsigned char>(needle_[lead_]))) {
      lead_ = i;
    }
  }
  shift_.fill(n);
  for (size_t i = 0; i + 1 < n; ++i) shift_[static_cast<unsigned char>(needle_[i])] = n - 1 - i;
}

size_t CByteSearch::Find(const char* data, size_t size) const {
  const size_t n = needle_.size();
  if (n == 0 || size < n) return npos;
  const char lead = needle_[lead_];
  // Candidates: the lead byte at lead_ .. size - n + lead_.
  const char* at = data + lead_;
  const char* const last = data + (size - n) + lead_;
  size_t stops = 0;
  while (at <= last) {
    at = static_cast<const char*>(std::memchr(at, lead, static_cast<size_t>(last - at) + 1));
    if (at == nullptr) return npos;
    const size_t start = static_cast<size_t>(at - data) - lead_;
    if (std::memcmp(data + start, needle_.data(), n) == 0) return start;
    ++at;
    if (++stops >= kStopsBeforeJudging && stops * kMinBytesPerStop > start) {
      return FindHorspool(data, size, start + 1);
    }
  }
  return npos;
}

size_t CByteSearch::FindHorspool(const char* data, size_t size, size_t from) const {
  const size_t n = needle_.size();
  const auto* bytes = reinterpret_cast<const unsigned char*>(data);
  const unsigned char last = static_cast<unsigned char>(needle_[n - 1]);
  for (size_t start = from; start + n <= size;) {
    const unsigned char c = bytes[start + n - 1];
    if (c == last && std::memcmp(data + start, needle_.data(), n - 1) == 0) return start;
    start += shift_[c];
  }
  return npos;
}

}  // namespace copyloom
