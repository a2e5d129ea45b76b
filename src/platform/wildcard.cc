#include "platform/wildcard.h"

#include <algorithm>

namespace copyloom::platform {

wchar_t FoldChar(wchar_t c) {
  const unsigned u = static_cast<unsigned>(c);
  if (u < 0x80) return (u >= 'a' && u <= 'z') ? static_cast<wchar_t>(u - 0x20) : c;
  if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<wchar_t>(u - 0x20);
  if (u == 0xFF) return static_cast<wchar_t>(0x178);
  if (u >= 0x100 && u <= 0x17F) {
    // Latin Extended-A pairs upper/lower; the pairing flips parity twice.
    if (u == 0x131 || u == 0x138 || u == 0x149 || u == 0x17F) return c;
    const bool odd_is_lower = (u <= 0x137) || (u >= 0x14A && u <= 0x177);
    if (u == 0x178) return c;
    if (odd_is_lower) return static_cast<wchar_t>(u & 1 ? u - 1 : u);
    return static_cast<wchar_t>(u & 1 ? u : u - 1);
  }
  if (u >= 0x3B1 && u <= 0x3CB && u != 0x3C2) return static_cast<wchar_t>(u - 0x20);
  if (u == 0x3C2) return static_cast<wchar_t>(0x3A3);  // final sigma
  if (u == 0x3AC) return static_cast<wchar_t>(0x386);
  if (u >= 0x3AD && u <= 0x3AF) return static_cast<wchar_t>(u - 0x25);
  if (u == 0x3CC) return static_cast<wchar_t>(0x38C);
  if (u == 0x3CD || u == 0x3CE) return static_cast<wchar_t>(u - 0x3F);
  if (u >= 0x430 && u <= 0x44F) return static_cast<wchar_t>(u - 0x20);
  if (u >= 0x450 && u <= 0x45F) return static_cast<wchar_t>(u - 0x50);
  if (u >= 0xFF41 && u <= 0xFF5A) return static_cast<wchar_t>(u - 0x20);
  return c;
}

std::wstring FoldCase(std::wstring_view text) {
  std::wstring out(text);
  for (auto& c : out) c = FoldChar(c);
  return out;
}

bool EqualsIgnoreCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldChar(a[i]) != FoldChar(b[i])) return false;
  }
  return true;
}

int CompareIgnoreCase(std::wstring_view a, std::wstring_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const unsigned x = static_cast<unsigned>(FoldChar(a[i]));
    const unsigned y = static_cast<unsigned>(FoldChar(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

bool MatchesWildcard(std::wstring_view name, std::wstring_view pattern) {
  if (pattern.empty() || pattern == L"*.*") return true;
  // Greedy match with one backtrack point: linear in practice, never
  // exponential whatever the number of stars.
  size_t n = 0, p = 0;
  size_t star = std::wstring_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() &&
               (pattern[p] == L'?' || FoldChar(pattern[p]) == FoldChar(name[n]))) {
      ++p;
      ++n;
    } else if (star != std::wstring_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

}  // namespace copyloom::platform
