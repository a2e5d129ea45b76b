// The code table of the built-in text codec, shared by the encoder, the
// decoder and their tests. Every stored built-in text was produced with these
// values: changing one makes all of them unreadable.
#pragma once

#include <string>
#include <string_view>

namespace copyloom::codec {

// Each 6-bit value's symbol; "+" and "/" last, as they are replaced by tokens.
inline constexpr std::string_view kSymbols =
    "4cRSPlKfoC5ZqYEgIiebkyn8GhNpd3jAUM7uLFv1WaDH9TrsOB62wtXJzQVx0m+/";

// The tokens share their first four letters, which occur nowhere else in any
// token or in the filler, and no token ends with a beginning of that prefix:
// so a token can never be matched across the edge of another token.
inline constexpr std::string_view kTokenPrefix = "Jxqv";
inline constexpr std::string_view kCarriageReturnToken = "JxqvTrPomeWaldKin";  // 17
inline constexpr std::string_view kLineFeedToken = "JxqvBunoSeltHargmu";       // 18
inline constexpr std::string_view kEqualsToken = "JxqvEmhoLard";               // 12
inline constexpr std::string_view kPlusToken = "JxqvPyloTesk";                 // 12
inline constexpr std::string_view kSlashToken = "JxqvSonkRubi";                // 12
inline constexpr std::string_view kFiller = "MeadowLarkFinchRobin";            // 20

// A line break after every 76 symbols of complete groups.
inline constexpr int kLineSymbols = 76;

// The scrambling on raw bytes (the text's code page 936 form); the result of
// ScrambleBytes is ASCII. UnscrambleBytes accepts any bytes without reading
// outside the input or the table.
std::string ScrambleBytes(const std::string& bytes);
std::string UnscrambleBytes(const std::string& text);

}  // namespace copyloom::codec
