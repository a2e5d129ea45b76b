// Case folding and name matching the way the Windows file system and
// registry compare names, shared by both platform implementations.
#pragma once

#include <string>
#include <string_view>

namespace copyloom::platform {

// Upper case of one character for name comparison: ASCII, Latin-1, Latin
// Extended-A, Greek, Cyrillic and the full-width Latin letters, like the
// upcase table NTFS and Wine use for those ranges. Other characters map to
// themselves.
wchar_t FoldChar(wchar_t c);

// The folded copy of a name, for use as a lookup key.
std::wstring FoldCase(std::wstring_view text);

bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b);

// Negative, zero or positive as a sorts before, with or after b ignoring
// case; names equal ignoring case are then ordered by their exact text so
// the order is total.
int CompareIgnoreCase(std::wstring_view a, std::wstring_view b);

// FindFirstFileW-style match of a file name against a pattern: "*" matches
// any run of characters, "?" exactly one, case ignored; "*.*" and an empty
// pattern match every name.
bool MatchesWildcard(std::wstring_view name, std::wstring_view pattern);

}  // namespace copyloom::platform
