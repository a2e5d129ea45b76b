// Code-page conversions through WideCharToMultiByte / MultiByteToWideChar.
#include <windows.h>

#include <climits>

#include "platform/platform.h"
#include "platform/test_hooks.h"

namespace copyloom::platform {
namespace {

// UTF-7, UTF-8 and a few stateful code pages refuse a default character and
// most flags.
bool TakesDefaultChar(unsigned code_page) {
  return code_page != CP_UTF7 && code_page != CP_UTF8 && code_page != 42 &&
         !(code_page >= 50220 && code_page <= 50229) && code_page != 52936 && code_page != 54936 &&
         !(code_page >= 57002 && code_page <= 57011);
}

bool IsHigh(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// One conversion call. *used_default reports a character replaced by "?".
// No best fit: a character the code page lacks becomes "?" rather than a
// look-alike, so it is found as unmappable.
bool Convert(unsigned code_page, const wchar_t* text, int length, std::string* out,
             bool* used_default) {
  out->clear();
  *used_default = false;
  if (length == 0) return true;
  const bool with_default = TakesDefaultChar(code_page);
  DWORD flags = with_default ? WC_NO_BEST_FIT_CHARS : 0;
  BOOL used = FALSE;
  BOOL* used_ptr = with_default ? &used : nullptr;
  const char* default_char = with_default ? "?" : nullptr;
  int size =
      ::WideCharToMultiByte(code_page, flags, text, length, nullptr, 0, default_char, used_ptr);
  if (size == 0 && flags != 0 && ::GetLastError() == ERROR_INVALID_FLAGS) {
    flags = 0;
    size =
        ::WideCharToMultiByte(code_page, flags, text, length, nullptr, 0, default_char, used_ptr);
  }
  if (size <= 0) return false;
  out->resize(static_cast<size_t>(size));
  used = FALSE;
  size = ::WideCharToMultiByte(code_page, flags, text, length, out->data(), size, default_char,
                               used_ptr);
  if (size <= 0) {
    out->clear();
    return false;
  }
  out->resize(static_cast<size_t>(size));
  *used_default = used != FALSE;
  return true;
}

// Index of the first character (a surrogate pair counts as one, at its
// first half) that converts with the default character.
size_t FirstUnmappable(unsigned code_page, const std::wstring& text) {
  std::string scratch;
  for (size_t i = 0; i < text.size();) {
    const int units = (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1])) ? 2 : 1;
    bool used_default = false;
    if (!Convert(code_page, text.data() + i, units, &scratch, &used_default) || used_default) {
      return i;
    }
    i += static_cast<size_t>(units);
  }
  return kNoUnmappable;
}

// UTF-8 has no unmappable character, only broken surrogates, which become
// U+FFFD.
size_t FirstLoneSurrogate(const std::wstring& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsHigh(text[i]) && i + 1 < text.size() && IsLow(text[i + 1])) {
      ++i;
    } else if (IsHigh(text[i]) || IsLow(text[i])) {
      return i;
    }
  }
  return kNoUnmappable;
}

}  // namespace

unsigned AnsiCodePage() {
  if (auto code_page = hooks::AnsiCodePage()) return *code_page;
  return ::GetACP();
}

std::string WideToCodePage(unsigned code_page, const std::wstring& text, size_t* first_unmappable) {
  if (first_unmappable) *first_unmappable = kNoUnmappable;
  if (text.empty()) return std::string();
  if (text.size() > static_cast<size_t>(INT_MAX)) return std::string();
  std::string out;
  bool used_default = false;
  const bool converted =
      Convert(code_page, text.data(), static_cast<int>(text.size()), &out, &used_default);
  if (first_unmappable) {
    if (!TakesDefaultChar(code_page)) {
      *first_unmappable = FirstLoneSurrogate(text);
    } else if (!converted || used_default) {
      // Only now, and only once, go character by character.
      *first_unmappable = FirstUnmappable(code_page, text);
      if (*first_unmappable == kNoUnmappable && !converted) *first_unmappable = 0;
    }
  }
  return out;
}

std::wstring CodePageToWide(unsigned code_page, const std::string& bytes) {
  if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX)) return std::wstring();
  const int length = static_cast<int>(bytes.size());
  int size = ::MultiByteToWideChar(code_page, 0, bytes.data(), length, nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring out(static_cast<size_t>(size), L'\0');
  size = ::MultiByteToWideChar(code_page, 0, bytes.data(), length, out.data(), size);
  if (size <= 0) return std::wstring();
  out.resize(static_cast<size_t>(size));
  return out;
}

std::string WideToUtf8(const std::wstring& text) { return WideToCodePage(CP_UTF8, text); }

std::wstring Utf8ToWide(const std::string& text) { return CodePageToWide(CP_UTF8, text); }

}  // namespace copyloom::platform
