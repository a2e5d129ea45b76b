#include "foundation/encrypt.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "foundation/encrypt_table.h"
#include "platform/platform.h"

namespace copyloom {
namespace codec {
namespace {

constexpr unsigned kChineseCodePage = 936;

void ReplaceEvery(std::string* text, std::string_view from, std::string_view to) {
  if (from.empty()) return;
  std::string out;
  out.reserve(text->size());
  size_t start = 0;
  for (;;) {
    size_t hit = text->find(from, start);
    if (hit == std::string::npos) break;
    out.append(*text, start, hit - start);
    out.append(to);
    start = hit + from.size();
  }
  out.append(*text, start, std::string::npos);
  text->swap(out);
}

// Symbol -> 6-bit value; anything outside the table decodes as 0 so that
// foreign input can never index outside it.
std::array<uint8_t, 256> InverseTable() {
  std::array<uint8_t, 256> inverse{};
  for (size_t i = 0; i < kSymbols.size(); ++i) {
    inverse[static_cast<unsigned char>(kSymbols[i])] = static_cast<uint8_t>(i);
  }
  return inverse;
}

}  // namespace

std::string ScrambleBytes(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size() * 4 / 3 + 64);
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const size_t groups = bytes.size() / 3;
  int on_line = 0;
  for (size_t g = 0; g < groups; ++g, p += 3) {
    out += kSymbols[p[0] >> 2];
    out += kSymbols[((p[0] & 0x03) << 4) | (p[1] >> 4)];
    out += kSymbols[((p[1] & 0x0F) << 2) | (p[2] >> 6)];
    out += kSymbols[p[2] & 0x3F];
    on_line += 4;
    if (on_line >= kLineSymbols) {
      out += kCarriageReturnToken;
      out += kLineFeedToken;
      on_line = 0;
    }
  }
  const size_t rest = bytes.size() % 3;
  if (rest == 1) {
    out += kSymbols[p[0] >> 2];
    out += kSymbols[(p[0] & 0x03) << 4];
    out += "==";
  } else if (rest == 2) {
    out += kSymbols[p[0] >> 2];
    out += kSymbols[((p[0] & 0x03) << 4) | (p[1] >> 4)];
    out += kSymbols[(p[1] & 0x0F) << 2];
    out += '=';
  }
  // Tokens are letters only, so these replacements cannot touch each other.
  ReplaceEvery(&out, "=", kEqualsToken);
  ReplaceEvery(&out, "+", kPlusToken);
  ReplaceEvery(&out, "/", kSlashToken);
  if (out.size() < kFiller.size()) out.insert(0, kFiller);
  out.insert(0, out.substr(10, 2));
  return out;
}

std::string UnscrambleBytes(const std::string& input) {
  std::string text;
  text.reserve(input.size());
  for (char c : input) {
    if (c != '\r' && c != '\n') text += c;
  }
  if (text.size() <= 1) return {};
  text.erase(0, 2);
  ReplaceEvery(&text, kCarriageReturnToken, "\r");
  ReplaceEvery(&text, kLineFeedToken, "\n");
  ReplaceEvery(&text, kEqualsToken, "=");
  ReplaceEvery(&text, kPlusToken, "+");
  ReplaceEvery(&text, kSlashToken, "/");
  if (text.compare(0, kFiller.size(), kFiller) == 0) text.erase(0, kFiller.size());

  static const std::array<uint8_t, 256> inverse = InverseTable();
  std::string out;
  out.reserve(text.size() * 3 / 4);
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '\r' || text[i] == '\n') {
      ++i;
      continue;
    }
    // A group cut short at the end decodes as far as its symbols reach.
    const size_t have = std::min<size_t>(4, text.size() - i);
    if (have < 2) break;
    auto value = [&](size_t k) { return inverse[static_cast<unsigned char>(text[i + k])]; };
    const uint8_t a = value(0), b = value(1);
    out += static_cast<char>((a << 2) | (b >> 4));
    if (have >= 3 && text[i + 2] != '=') {
      const uint8_t c = value(2);
      out += static_cast<char>(((b & 0x0F) << 4) | (c >> 2));
      if (have >= 4 && text[i + 3] != '=') {
        out += static_cast<char>(((c & 0x03) << 6) | value(3));
      }
    }
    i += have;
  }
  return out;
}

}  // namespace codec

std::wstring CEncrypt::EncodeText(const std::wstring& text) const {
  const std::string bytes = platform::WideToCodePage(codec::kChineseCodePage, text);
  const std::string scrambled = codec::ScrambleBytes(bytes);
  return std::wstring(scrambled.begin(), scrambled.end());
}

std::wstring CEncrypt::DecodeText(const std::wstring& text) const {
  const std::string bytes = platform::WideToCodePage(codec::kChineseCodePage, text);
  return platform::CodePageToWide(codec::kChineseCodePage, codec::UnscrambleBytes(bytes));
}

}  // namespace copyloom
