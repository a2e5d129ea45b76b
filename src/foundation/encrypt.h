// The codec of the product's built-in texts: a scrambled Base64 of the text's
// code page 936 bytes with our own symbol order, letter tokens for "=", "+",
// "/" and line breaks, and a filler and prefix so that every stored text has
// at least 22 characters.
#pragma once

#include <string>

namespace copyloom {

class CEncrypt {
 public:
  virtual ~CEncrypt() = default;
  std::wstring EncodeText(const std::wstring& text) const;
  // Never reads beyond the text; input not made by EncodeText decodes to
  // something unspecified but safe.
  std::wstring DecodeText(const std::wstring& text) const;
};

}  // namespace copyloom
