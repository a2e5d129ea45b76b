// UTF-8 for file names and for the UTF-8 conversions. Internal to posix/.
#pragma once

#include <string>
#include <string_view>

namespace copyloom::platform::posix {

// UTF-16 pairs in the text are joined. With keep_raw_bytes, U+DC80..U+DCFF
// stand for the single bytes 0x80..0xFF of a name that was not UTF-8;
// otherwise a lone surrogate becomes U+FFFD.
std::string EncodeUtf8(std::wstring_view text, bool keep_raw_bytes);

// Each byte that does not start a valid sequence becomes U+DC00 + byte with
// keep_raw_bytes (so EncodeUtf8 gives it back), else U+FFFD.
std::wstring DecodeUtf8(std::string_view bytes, bool keep_raw_bytes);

}  // namespace copyloom::platform::posix
