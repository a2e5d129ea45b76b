#include "foundation/path_util.h"

#include <string_view>

#include "platform/path_rules.h"
#include "platform/platform.h"

namespace copyloom {
namespace {

bool IsWhite(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f';
}

// Simple case mapping for the scripts folder names are written in (Latin,
// Greek, Cyrillic); the same on every platform, whatever the C locale says.
wchar_t LowerChar(wchar_t c) {
  if (c < 0x80) return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
  if (c == 0x130 || c == 0x131) return c;  // dotted and dotless i have no pair
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
      (c >= 0x410 && c <= 0x42F)) {
    return static_cast<wchar_t>(c + 0x20);
  }
  if (c >= 0x400 && c <= 0x40F) return static_cast<wchar_t>(c + 0x50);
  if (((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) && c % 2 == 0) {
    return static_cast<wchar_t>(c + 1);
  }
  if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && c % 2 == 1) {
    return static_cast<wchar_t>(c + 1);
  }
  if (c == 0x178) return 0xFF;
  return c;
}

wchar_t UpperChar(wchar_t c) {
  if (c < 0x80) return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
  if (c == 0x130 || c == 0x131) return c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) ||
      (c >= 0x430 && c <= 0x44F)) {
    return static_cast<wchar_t>(c - 0x20);
  }
  if (c >= 0x450 && c <= 0x45F) return static_cast<wchar_t>(c - 0x50);
  if (((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) && c % 2 == 1) {
    return static_cast<wchar_t>(c - 1);
  }
  if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && c % 2 == 0) {
    return static_cast<wchar_t>(c - 1);
  }
  if (c == 0xFF) return 0x178;
  return c;
}

// Replaces every occurrence of from, matched ignoring case, by to as given.
void ReplaceIgnoringCase(std::wstring* text, const std::wstring& from, const std::wstring& to) {
  const std::wstring needle = ToLower(from);
  std::wstring lowered = ToLower(*text);
  std::wstring out;
  size_t start = 0;
  for (;;) {
    size_t hit = lowered.find(needle, start);
    if (hit == std::wstring::npos) break;
    out.append(*text, start, hit - start);
    out += to;
    start = hit + needle.size();
  }
  out.append(*text, start, std::wstring::npos);
  text->swap(out);
}

// Platform folders get a trailing "\"; a "/" already there counts as one.
std::wstring WithTrailingSeparator(std::wstring folder) {
  if (!folder.empty() && !IsSeparator(folder.back())) folder += L'\\';
  return folder;
}

// Set by the command line to act as if the program ran from another folder.
std::wstring& ProgramPathOverride() {
  static std::wstring path;
  return path;
}

std::wstring FolderOrDrive(std::wstring answer) {
  if (answer.size() < 3) answer = L"C:\\";
  return WithTrailingSeparator(std::move(answer));
}

}  // namespace

int ReplaceAll(std::wstring* text, const std::wstring& from, const std::wstring& to) {
  if (from.empty()) return 0;
  int count = 0;
  std::wstring out;
  size_t start = 0;
  for (;;) {
    size_t hit = text->find(from, start);
    if (hit == std::wstring::npos) break;
    out.append(*text, start, hit - start);
    out += to;
    start = hit + from.size();
    ++count;
  }
  if (count == 0) return 0;
  out.append(*text, start, std::wstring::npos);
  text->swap(out);
  return count;
}

std::wstring FillPlaceholder(std::wstring text, const std::wstring& value) {
  ReplaceAll(&text, L"{0}", value);
  return text;
}

std::wstring ToLower(std::wstring text) {
  for (auto& c : text) c = LowerChar(c);
  return text;
}

std::wstring ToUpper(std::wstring text) {
  for (auto& c : text) c = UpperChar(c);
  return text;
}

std::wstring TrimWhite(const std::wstring& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsWhite(text[begin])) ++begin;
  while (end > begin && IsWhite(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::wstring TrimLeftChars(const std::wstring& text, const std::wstring& set) {
  size_t begin = text.find_first_not_of(set);
  return begin == std::wstring::npos ? std::wstring() : text.substr(begin);
}

std::wstring TrimRightChars(const std::wstring& text, const std::wstring& set) {
  size_t last = text.find_last_not_of(set);
  return last == std::wstring::npos ? std::wstring() : text.substr(0, last + 1);
}

std::wstring TrimChars(const std::wstring& text, const std::wstring& set) {
  return TrimRightChars(TrimLeftChars(text, set), set);
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::wstring& text, const std::wstring& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

int SplitText(const std::wstring& text, const std::wstring& separator, TextList* list,
              bool drop_empty) {
  list->clear();
  if (separator.empty()) {
    // Nothing to split at: the whole text is the one piece.
    if (!text.empty()) list->push_back(text);
    return static_cast<int>(list->size());
  }
  size_t pos = 0;
  while (pos < text.size()) {
    size_t hit = text.find(separator, pos);
    if (hit == std::wstring::npos) {
      list->push_back(text.substr(pos));
      break;
    }
    if (hit > pos || !drop_empty) list->push_back(text.substr(pos, hit - pos));
    pos = hit + separator.size();
    if (pos == text.size()) {
      if (!drop_empty) list->push_back(std::wstring());
      break;
    }
  }
  return static_cast<int>(list->size());
}

std::wstring GetPathFileName(const std::wstring& path, bool keep_extension) {
  std::wstring text = TrimRightChars(TrimRightChars(path, L"/"), L"\\");
  size_t cut = text.rfind(L'\\');
  if (cut == std::wstring::npos) cut = text.rfind(L'/');
  std::wstring name = cut == std::wstring::npos ? text : text.substr(cut + 1);
  if (!keep_extension) {
    size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
  }
  return name;
}

std::wstring GetPathExtension(const std::wstring& path, bool with_dot) {
  size_t dot = path.rfind(L'.');
  if (dot == std::wstring::npos || dot == 0) return std::wstring();
  std::wstring extension = path.substr(dot + 1);
  if (with_dot) extension.insert(0, 1, L'.');
  return ToLower(std::move(extension));
}

std::wstring GetPathFolder(const std::wstring& path) {
  std::wstring text = path;
  if (!text.empty() && IsSeparator(text.back())) text.pop_back();
  size_t cut = text.rfind(L'\\');
  if (cut == std::wstring::npos) cut = text.rfind(L'/');
  if (cut == std::wstring::npos) return std::wstring();
  return text.substr(0, cut + 1);
}

std::wstring NormalizeFilePath(const std::wstring& path) {
  std::wstring text = TrimWhite(path);
  ReplaceAll(&text, L"/", L"\\");
  while (ReplaceAll(&text, L"\\\\", L"\\") > 0) {
  }
  return text;
}

bool IsWindowsFileName(const std::wstring& name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  for (wchar_t c : name) {
    if (c < L' ' || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos) {
      return false;
    }
  }
  return true;
}

std::wstring WindowsPathOrEmpty(const std::wstring& given) {
  std::wstring path = given;
  // Only a literal "\\" starts a share ("//x" is a native path); the
  // rest may use either separator.
  const bool share = path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\';
  ReplaceAll(&path, L"/", L"\\");
  auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  auto letter = [](wchar_t c) { return (c | 0x20) >= L'a' && (c | 0x20) <= L'z'; };
  std::wstring root;
  size_t rest = 0;
  if (path.size() >= 3 && letter(path[0]) && path[1] == L':' && separator(path[2])) {
    root = path.substr(0, 2) + L"\\";
    rest = 3;
  } else if (share) {
    // "\\server\share": both must be plain names.
    TextList head;
    const size_t server_end = path.find(L'\\', 2);
    if (server_end == std::wstring::npos) return {};
    const size_t share_end = path.find(L'\\', server_end + 1);
    SplitText(path.substr(2, share_end == std::wstring::npos ? std::wstring::npos : share_end - 2),
              L"\\", &head, false);
    if (head.size() != 2 || !IsWindowsFileName(head[0]) || !IsWindowsFileName(head[1])) return {};
    root = L"\\\\" + head[0] + L"\\" + head[1] + L"\\";
    if (share_end == std::wstring::npos) return root;
    rest = share_end + 1;
  } else {
    return {};
  }
  TextList parts;
  size_t start = rest;
  for (size_t i = rest; i <= path.size(); ++i) {
    if (i < path.size() && !separator(path[i])) continue;
    const std::wstring part = path.substr(start, i - start);
    start = i + 1;
    if (part.empty() || part == L".") continue;
    if (part == L"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::wstring out = root;
  for (size_t i = 0; i < parts.size(); ++i) out += (i ? L"\\" : L"") + parts[i];
  if (!parts.empty() && separator(path.back())) out += L'\\';
  return out;
}

std::wstring FolderFromOthers(const std::wstring& path) {
  const std::wstring windows = WindowsPathOrEmpty(path);
  if (!windows.empty() || !platform::LogicalDriveStrings().empty()) return windows;
  return path;
}

std::wstring NormalizeUrlPath(const std::wstring& input) {
  std::wstring text = TrimWhite(input);
  ReplaceAll(&text, L"\\", L"/");
  const bool has_scheme = text.find(L"://") != std::wstring::npos;
  while (ReplaceAll(&text, L"//", L"/") > 0) {
  }
  if (has_scheme) ReplaceAll(&text, L":/", L"://");
  return TrimRightChars(TrimLeftChars(text, L"/"), L"/");
}

namespace {
struct ArgsOverride {
  bool set = false;
  std::wstring text;
};
ArgsOverride& CommandLineArgsOverride() {
  static ArgsOverride forced;
  return forced;
}
}  // namespace

void SetCommandLineArgsOverride(const std::wstring* args) {
  CommandLineArgsOverride().set = args != nullptr;
  CommandLineArgsOverride().text = args ? *args : std::wstring();
}

std::wstring GetCommandLineArgs() {
  if (CommandLineArgsOverride().set) return CommandLineArgsOverride().text;
  const std::wstring line = platform::CommandLine();
  size_t hit = line.find(L".exe ");
  if (hit == std::wstring::npos) hit = line.find(L".exe\" ");
  if (hit == std::wstring::npos) return std::wstring();
  size_t blank = line.find(L' ', hit);
  return line.substr(blank + 1);
}

void SetProgramPathOverride(const std::wstring& path) { ProgramPathOverride() = path; }

std::wstring GetProgramPath() {
  const std::wstring& forced = ProgramPathOverride();
  return forced.empty() ? platform::ProgramPath() : forced;
}

std::wstring GetProgramFolder() { return GetPathFolder(GetProgramPath()); }

std::wstring GetWindowsFolder() { return FolderOrDrive(platform::WindowsFolder()); }

std::wstring GetTempFolder() { return FolderOrDrive(platform::TempFolder()); }

std::wstring GetSystemFolder() { return WithTrailingSeparator(platform::SystemFolder()); }

std::wstring MakeFolderTag(const std::wstring& folder) {
  std::wstring tag = ToLower(folder.empty() ? GetProgramFolder() : folder);
  std::wstring kept;
  kept.reserve(tag.size());
  for (wchar_t c : tag) {
    if (c != L':' && c != L' ' && c != L'-' && c != L'_' && !IsSeparator(c)) kept += c;
  }
  static const wchar_t* const kAbbreviations[][2] = {
      {L"ProgramFiles", L"PF"}, {L"MetaTrader4", L"MF"}, {L"MetaTrader", L"M4"},
      {L"Solutions", L"SL"},    {L"Australia", L"AU"},
  };
  for (const auto& row : kAbbreviations) ReplaceIgnoringCase(&kept, row[0], row[1]);
  if (kept.size() > 20) kept.erase(0, kept.size() - 20);
  return kept;
}

std::string ToAnsi(const std::wstring& text) {
  return platform::WideToCodePage(platform::AnsiCodePage(), text);
}

std::wstring FromAnsi(const std::string& bytes) {
  return platform::CodePageToWide(platform::AnsiCodePage(), bytes);
}

}  // namespace copyloom
