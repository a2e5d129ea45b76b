// A row of a text table in the two interface languages, and what every such
// table shares: its rows stand in key order, so a key indexes its row.
#pragma once

#include <cstddef>

#include "app/language.h"

namespace copyloom {

template <typename Key>
struct BilingualText {
  Key key;
  const wchar_t* english;
  const wchar_t* chinese;
};

template <typename Key, size_t N>
constexpr bool RowsInKeyOrder(const BilingualText<Key> (&rows)[N]) {
  for (size_t i = 0; i < N; ++i) {
    if (static_cast<size_t>(rows[i].key) != i) return false;
  }
  return true;
}

// The key's text in the language (kChinese, else English); empty for a key
// past the table.
template <typename Key, size_t N>
const wchar_t* TextIn(const BilingualText<Key> (&rows)[N], Key key, int language) {
  const size_t index = static_cast<size_t>(key);
  if (index >= N) return L"";
  return language == kChinese ? rows[index].chinese : rows[index].english;
}

}  // namespace copyloom
