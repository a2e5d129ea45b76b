// Rules of Windows paths and times that every layer applies the same way.
#pragma once

#include <cstdint>

namespace copyloom {

// Both separators name a folder boundary: rows, arguments and Wine paths
// mix them.
inline bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// A FILETIME counts 100 ns from 1601-01-01; Unix time counts from 1970.
inline constexpr int64_t kFileTimeTicksPerSecond = 10'000'000;
inline constexpr int64_t kFileTimeAtUnixEpoch = 116444736000000000LL;

}  // namespace copyloom
