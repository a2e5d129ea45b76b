// Code pages through iconv. Characters a code page cannot hold become "?"
// and bytes that are not valid in it become U+FFFD, one at a time, so a bad
// character never hides the rest of the text.
#include <iconv.h>
#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/platform.h"
#include "platform/posix/locale_posix.h"
#include "platform/posix/utf8.h"
#include "platform/test_hooks.h"

namespace copyloom::platform {
namespace {

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

std::string IconvName(unsigned code_page) {
  switch (code_page) {
    case 65001:
      return "UTF-8";
    case 20127:
      return "ASCII";
    case 28591:
      return "ISO-8859-1";
    default:
      return "CP" + std::to_string(code_page);
  }
}

bool Supported(unsigned code_page) {
  Iconv probe("WCHAR_T", IconvName(code_page).c_str());
  return probe.ok();
}

bool IsHoleOf1252(uint32_t c) {
  return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

}  // namespace

unsigned AnsiCodePage() {
  if (auto hooked = hooks::AnsiCodePage()) return *hooked;
  if (const char* forced = getenv("COPYLOOM_ANSI_CODEPAGE")) {
    char* end = nullptr;
    errno = 0;
    unsigned long value = strtoul(forced, &end, 10);
    if (errno == 0 && end != forced && *end == '\0' && value > 0 && value < 65536 &&
        Supported(static_cast<unsigned>(value))) {
      return static_cast<unsigned>(value);
    }
  }
  // The code page Wine last ran the prefix with, so the one its terminals
  // read, whatever locale this command was started under.
  if (auto key = OpenRegKey(RegRoot::kLocalMachine,
                            L"System\\CurrentControlSet\\Control\\Nls\\CodePage", false)) {
    std::wstring text;
    if (key->QueryValue(L"ACP", &text) && !text.empty() && text.size() <= 5 &&
        std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
      const unsigned value = static_cast<unsigned>(std::stoul(text));
      if (value > 0 && value < 65536 && Supported(value)) return value;
    }
  }
  const std::string locale = posix::LocaleName();
  // Like Wine: a locale that is not generated on this machine is not used.
  if (!posix::LocaleAvailable(locale)) return 1252;
  return posix::CodePageForLocale(locale);
}

std::string WideToCodePage(unsigned code_page, const std::wstring& text, size_t* first_unmappable) {
  if (first_unmappable) *first_unmappable = kNoUnmappable;
  std::string out;
  if (text.empty()) return out;
  Iconv cd(IconvName(code_page).c_str(), "WCHAR_T");
  if (!cd.ok()) {
    // An unknown code page keeps ASCII and marks everything else.
    for (size_t i = 0; i < text.size(); ++i) {
      const bool ascii = static_cast<uint32_t>(text[i]) < 0x80;
      if (!ascii && first_unmappable && *first_unmappable == kNoUnmappable) *first_unmappable = i;
      out.push_back(ascii ? static_cast<char>(text[i]) : '?');
    }
    return out;
  }
  out.resize(text.size() * 4 + 16);
  char* in_ptr = reinterpret_cast<char*>(const_cast<wchar_t*>(text.data()));
  size_t in_left = text.size() * sizeof(wchar_t);
  char* out_ptr = out.data();
  size_t out_left = out.size();
  auto grow = [&]() {
    const size_t used = out.size() - out_left;
    out.resize(out.size() * 2);
    out_ptr = out.data() + used;
    out_left = out.size() - used;
  };
  // Puts one byte for the current character and steps over it.
  auto put_for_current = [&](char byte) {
    if (out_left == 0) grow();
    *out_ptr++ = byte;
    --out_left;
    in_ptr += sizeof(wchar_t);
    in_left -= sizeof(wchar_t);
  };
  while (in_left > 0) {
    if (iconv(cd.get(), &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      grow();
      continue;
    }
    // EILSEQ or EINVAL: this character has no place in the code page,
    // except the five C1 controls that 1252 keeps in its holes on Windows.
    const size_t index = text.size() - in_left / sizeof(wchar_t);
    const uint32_t c = static_cast<uint32_t>(text[index]);
    if (code_page == 1252 && IsHoleOf1252(c)) {
      put_for_current(static_cast<char>(c));
    } else {
      if (first_unmappable && *first_unmappable == kNoUnmappable) *first_unmappable = index;
      put_for_current('?');
    }
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
  }
  // Flush any shift state (none for the code pages used, but cheap).
  iconv(cd.get(), nullptr, nullptr, &out_ptr, &out_left);
  out.resize(out.size() - out_left);
  return out;
}

std::wstring CodePageToWide(unsigned code_page, const std::string& bytes) {
  std::wstring out;
  if (bytes.empty()) return out;
  Iconv cd("WCHAR_T", IconvName(code_page).c_str());
  if (!cd.ok()) {
    for (unsigned char b : bytes) out.push_back(b < 0x80 ? static_cast<wchar_t>(b) : L'\xFFFD');
    return out;
  }
  out.resize(bytes.size() + 16);
  char* in_ptr = const_cast<char*>(bytes.data());
  size_t in_left = bytes.size();
  char* out_ptr = reinterpret_cast<char*>(out.data());
  size_t out_left = out.size() * sizeof(wchar_t);
  auto grow = [&]() {
    const size_t used = out.size() - out_left / sizeof(wchar_t);
    out.resize(out.size() * 2);
    out_ptr = reinterpret_cast<char*>(out.data() + used);
    out_left = (out.size() - used) * sizeof(wchar_t);
  };
  while (in_left > 0) {
    if (iconv(cd.get(), &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      grow();
      continue;
    }
    // An invalid or cut-off sequence: one replacement per bad byte. The five
    // holes of 1252 read as the C1 controls, as Windows reads them.
    if (out_left < sizeof(wchar_t)) grow();
    const unsigned char bad = static_cast<unsigned char>(*in_ptr);
    const bool hole = code_page == 1252 && IsHoleOf1252(bad);
    const wchar_t replacement = hole ? static_cast<wchar_t>(bad) : L'\xFFFD';
    memcpy(out_ptr, &replacement, sizeof replacement);
    out_ptr += sizeof(wchar_t);
    out_left -= sizeof(wchar_t);
    ++in_ptr;
    --in_left;
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(out.size() - out_left / sizeof(wchar_t));
  return out;
}

std::string WideToUtf8(const std::wstring& text) { return posix::EncodeUtf8(text, false); }

std::wstring Utf8ToWide(const std::string& text) { return posix::DecodeUtf8(text, false); }

}  // namespace copyloom::platform
