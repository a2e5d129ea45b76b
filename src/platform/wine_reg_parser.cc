// Reader of Wine's registry files (user.reg, system.reg). The files are pure
// ASCII: characters above 127 are written as \x escapes of UTF-16 units, and
// long hex data is continued over lines ending with a backslash.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/registry_store.h"
#include "platform/wildcard.h"

namespace copyloom::platform {
namespace {

constexpr uint32_t kRegSz = 1, kRegExpandSz = 2, kRegDword = 4, kRegLink = 6, kRegMultiSz = 7;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// UTF-16 units gathered from the file become a wide text of this platform:
// surrogate pairs are joined where wchar_t holds a whole code point.
void AppendUnits(const std::u16string& units, std::wstring* out) {
  for (size_t i = 0; i < units.size(); ++i) {
    char16_t u = units[i];
    if constexpr (sizeof(wchar_t) == 4) {
      if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
          units[i + 1] <= 0xDFFF) {
        const uint32_t cp = 0x10000 + ((u - 0xD800u) << 10) + (units[i + 1] - 0xDC00u);
        out->push_back(static_cast<wchar_t>(cp));
        ++i;
        continue;
      }
    }
    out->push_back(static_cast<wchar_t>(u));
  }
}

// A raw UTF-8 sequence at line[i] (a hand-edited file; Wine reads the file as
// UTF-8): its length, with the code point's UTF-16 units appended; 0 when
// the bytes are no such sequence, which then stand for themselves.
size_t TakeUtf8(std::string_view line, size_t i, std::u16string* units) {
  const unsigned char lead = static_cast<unsigned char>(line[i]);
  const size_t size = lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (size == 0 || lead > 0xF4 || i + size > line.size()) return 0;
  uint32_t cp = lead & (0xFF >> (size + 1));
  for (size_t k = 1; k < size; ++k) {
    const unsigned char next = static_cast<unsigned char>(line[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (next & 0x3F);
  }
  const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < least[size] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  if (cp >= 0x10000) {
    units->push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
    units->push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
  } else {
    units->push_back(static_cast<char16_t>(cp));
  }
  return size;
}

// The one-letter escapes Wine writes, as C has them ("\e" is ESC).
constexpr std::pair<char, char16_t> kLetterEscapes[] = {{'a', u'\a'}, {'b', u'\b'}, {'e', 0x1B},
                                                        {'f', u'\f'}, {'n', u'\n'}, {'r', u'\r'},
                                                        {'t', u'\t'}, {'v', u'\v'}};

int OctalDigit(char c) { return c >= '0' && c <= '7' ? c - '0' : -1; }

// Up to max_digits digits of the base from line[*i]; *i ends after them.
uint32_t TakeNumber(std::string_view line, size_t* i, uint32_t base, int max_digits,
                    int (*digit)(char), int* digits) {
  uint32_t value = 0;
  *digits = 0;
  while (*digits < max_digits && *i < line.size() && digit(line[*i]) >= 0) {
    value = value * base + static_cast<uint32_t>(digit(line[*i]));
    ++*i;
    ++*digits;
  }
  return value;
}

// The escape whose letter is at line[*i] (just after the backslash); *i
// ends after it.
char16_t TakeEscape(std::string_view line, size_t* i) {
  const char e = line[*i];
  for (const auto& [letter, unit] : kLetterEscapes) {
    if (e == letter) {
      ++*i;
      return unit;
    }
  }
  int digits = 0;
  if (e == 'x') {
    ++*i;
    const uint32_t value = TakeNumber(line, i, 16, 4, HexDigit, &digits);
    return digits ? static_cast<char16_t>(value) : u'x';
  }
  if (OctalDigit(e) >= 0)
    return static_cast<char16_t>(TakeNumber(line, i, 8, 3, OctalDigit, &digits));
  // "\\", "\"", "\[", "\]" and anything unknown stand for themselves.
  ++*i;
  return static_cast<unsigned char>(e);
}

// Reads an escaped string up to the unescaped terminator; *pos ends just
// after it. False when the line ends first.
bool ParseString(std::string_view line, size_t* pos, char terminator, std::wstring* out) {
  std::u16string units;
  size_t i = *pos;
  while (i < line.size()) {
    const char c = line[i];
    if (c == terminator) {
      *pos = i + 1;
      out->clear();
      AppendUnits(units, out);
      return true;
    }
    if (c != '\\') {
      const size_t taken = static_cast<unsigned char>(c) >= 0x80 ? TakeUtf8(line, i, &units) : 0;
      if (taken == 0) units.push_back(static_cast<unsigned char>(c));
      i += taken ? taken : 1;
      continue;
    }
    if (++i >= line.size()) return false;
    units.push_back(TakeEscape(line, &i));
  }
  return false;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Splits the text into lines without their CR/LF.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == text.size()) break;
    start = end + 1;
  }
  return lines;
}

// Bytes of a hex list ("0a,00,ff"), following continuation lines. False
// when something other than hex pairs shows up.
bool ParseHexList(const std::vector<std::string_view>& lines, size_t* line_index, size_t pos,
                  std::string* bytes) {
  std::string_view line = lines[*line_index];
  while (true) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t' || line[pos] == ',')) {
      ++pos;
    }
    if (pos >= line.size()) return true;
    if (line[pos] == '\\' && pos + 1 == line.size()) {
      if (*line_index + 1 >= lines.size()) return true;
      line = lines[++*line_index];
      pos = 0;
      continue;
    }
    const int high = HexDigit(line[pos]);
    const int low = pos + 1 < line.size() ? HexDigit(line[pos + 1]) : -1;
    if (high < 0 || low < 0) return false;
    bytes->push_back(static_cast<char>(high * 16 + low));
    pos += 2;
  }
}

std::u16string BytesToUnits(const std::string& bytes) {
  std::u16string units;
  for (size_t i = 0; i < bytes.size(); i += 2) {
    const unsigned lo = static_cast<unsigned char>(bytes[i]);
    const unsigned hi = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
    units.push_back(static_cast<char16_t>(lo | (hi << 8)));
  }
  return units;
}

// The hexadecimal type number of "str(N)" and "hex(N)".
bool ParseType(std::string_view digits, uint32_t* type) {
  if (digits.empty() || digits.size() > 8) return false;
  uint32_t value = 0;
  for (char c : digits) {
    if (HexDigit(c) < 0) return false;
    value = value * 16 + static_cast<uint32_t>(HexDigit(c));
  }
  *type = value;
  return true;
}

bool IsStringType(uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

// "\Registry\Machine\X" or "\Registry\User\<sid>\X" -> root and "X".
bool ParseLinkTarget(const std::wstring& target, RegRoot* root, std::wstring* path) {
  const std::wstring folded = FoldCase(target);
  const std::wstring machine = L"\\REGISTRY\\MACHINE\\";
  const std::wstring user = L"\\REGISTRY\\USER\\";
  if (folded.compare(0, machine.size(), machine) == 0) {
    *root = RegRoot::kLocalMachine;
    *path = target.substr(machine.size());
    return true;
  }
  if (folded.compare(0, user.size(), user) == 0) {
    const size_t sid_end = target.find(L'\\', user.size());
    if (sid_end == std::wstring::npos) return false;
    *root = RegRoot::kCurrentUser;
    *path = target.substr(sid_end + 1);
    return true;
  }
  return false;
}

// One value line of a key ("name"=data, @=data): its name, type and data,
// following continuation lines of long hex data (*line_index moves past
// them). False for a line that holds no value one can read.
bool ParseValueLine(const std::vector<std::string_view>& lines, size_t* line_index,
                    std::wstring* name, uint32_t* type, std::wstring* data) {
  const std::string_view line = lines[*line_index];
  name->clear();
  size_t pos = 1;
  if (line[0] == '"' && !ParseString(line, &pos, '"', name)) return false;
  while (pos < line.size() && line[pos] == ' ') ++pos;
  if (pos >= line.size() || line[pos] != '=') return false;
  ++pos;
  while (pos < line.size() && line[pos] == ' ') ++pos;
  std::string_view rest = line.substr(pos);

  *type = kRegSz;
  if (StartsWith(rest, "str(")) {
    const size_t close = rest.find("):", 4);
    if (close == std::string_view::npos || !ParseType(rest.substr(4, close - 4), type)) {
      return false;
    }
    rest = rest.substr(close + 2);
    pos = line.size() - rest.size();
  }
  if (!rest.empty() && rest[0] == '"') {
    ++pos;
    return ParseString(line, &pos, '"', data);
  }
  if (StartsWith(rest, "dword:")) {
    uint32_t value = 0;
    size_t i = 6, digits = 0;
    for (; i < rest.size() && digits < 8 && HexDigit(rest[i]) >= 0; ++i, ++digits) {
      value = value * 16 + static_cast<uint32_t>(HexDigit(rest[i]));
    }
    if (digits == 0) return false;
    *type = kRegDword;
    data->push_back(static_cast<wchar_t>(value & 0xFFFF));
    data->push_back(static_cast<wchar_t>(value >> 16));
    return true;
  }
  if (!StartsWith(rest, "hex:") && !StartsWith(rest, "hex(")) return false;
  const size_t colon = rest.find(':');
  if (colon == std::string_view::npos) return false;  // "hex(2)" without its data
  *type = 3;                                          // REG_BINARY
  if (rest[3] == '(' &&
      (colon < 5 || rest[colon - 1] != ')' || !ParseType(rest.substr(4, colon - 5), type))) {
    return false;
  }
  std::string bytes;
  if (!ParseHexList(lines, line_index, line.size() - rest.size() + colon + 1, &bytes)) {
    return false;
  }
  std::u16string units = BytesToUnits(bytes);
  if ((IsStringType(*type) || *type == kRegLink) && !units.empty() && units.back() == 0) {
    units.pop_back();
  }
  AppendUnits(units, data);
  return true;
}

// The first line after blank ones, when it is the header; else npos.
size_t AfterHeader(const std::vector<std::string_view>& lines) {
  size_t first = 0;
  while (first < lines.size() && lines[first].empty()) ++first;
  if (first >= lines.size() || !StartsWith(lines[first], "WINE REGISTRY Version 2")) {
    return std::string_view::npos;
  }
  return first + 1;
}

}  // namespace

bool RegistryStore::LoadWineRegText(RegRoot root, const std::string& text) {
  const std::vector<std::string_view> lines = SplitLines(text);
  const size_t first = AfterHeader(lines);
  if (first == std::string_view::npos) return false;

  std::wstring key;
  // Values go straight to the key of their section: no key is added until
  // the next section, so the pointer stays valid.
  Key* current = nullptr;
  bool key_is_link = false;
  for (size_t li = first; li < lines.size(); ++li) {
    const std::string_view line = lines[li];
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t pos = 1;
      const bool named = ParseString(line, &pos, ']', &key) && !key.empty();
      key_is_link = false;
      current = named ? FindOrAdd(root, key) : nullptr;
      continue;
    }
    if (line[0] == '#') {
      if (current && line == "#link") key_is_link = true;
      continue;
    }
    if (!current || (line[0] != '"' && line[0] != '@')) continue;
    std::wstring name, data;
    uint32_t type = kRegSz;
    if (!ParseValueLine(lines, &li, &name, &type, &data)) continue;
    if (type == kRegLink && key_is_link && EqualsIgnoreCase(name, L"SymbolicLinkValue")) {
      RegRoot target_root;
      std::wstring target;
      if (ParseLinkTarget(data, &target_root, &target)) AddLink(root, key, target_root, target);
    }
    PutValue(current, name, data);
  }
  return true;
}

namespace {

constexpr char kStreamHeader[] = "WINE REGISTRY Version 2";

// Gathers the wanted sections of a file read line by line and hands each,
// once whole, to load (with the header before it).
class SectionFilter {
 public:
  SectionFilter(const std::function<bool(const std::wstring&)>& wanted, size_t max_section,
                std::function<void(const std::string&)> load)
      : wanted_(wanted), max_section_(max_section), load_(std::move(load)) {}

  // A line without its "\n"; false when the first line that is not blank
  // is no header.
  bool TakeLine(std::string_view line) {
    if (!header_seen_) return TakeHeader(line);
    if (!line.empty() && line[0] == '[') {
      Flush();
      std::wstring key;
      size_t pos = 1;
      keep_ = ParseString(line, &pos, ']', &key) && !key.empty() && wanted_(key);
      dropping_ = false;
    } else if (dropping_) {
      return true;
    } else if (!keep_ && (line == "#link" || line == "#link\r")) {
      keep_ = true;
    }
    block_.append(line);
    block_.push_back('\n');
    if (block_.size() > (keep_ ? max_section_ : kLinkLookahead)) DropSection();
    return true;
  }

  // The section is not kept (a line of it too long to hold).
  void DropSection() {
    dropping_ = true;
    block_.clear();
  }

  // Hands over the last section; false when the header never came.
  bool Finish() {
    if (!header_seen_) return false;
    Flush();
    return true;
  }

  bool header_seen() const { return header_seen_; }

 private:
  // A key that is not wanted is held only until its "#link" line could have
  // shown up, which Wine writes right after the key's line.
  static constexpr size_t kLinkLookahead = 4096;

  bool TakeHeader(std::string_view text) {
    while (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (text.empty()) return true;
    if (!StartsWith(text, kStreamHeader)) return false;
    header_seen_ = true;
    return true;
  }

  void Flush() {
    if (keep_ && !dropping_ && !block_.empty()) load_(kStreamHeader + ("\n" + block_));
    block_.clear();
  }

  const std::function<bool(const std::wstring&)>& wanted_;
  const size_t max_section_;
  const std::function<void(const std::string&)> load_;
  bool header_seen_ = false;
  std::string block_;  // the current section, its key line first
  bool keep_ = false;
  bool dropping_ = true;  // nothing before the first key is kept
};

}  // namespace

bool RegistryStore::LoadWineRegStream(RegRoot root,
                                      const std::function<size_t(char*, size_t)>& read,
                                      const std::function<bool(const std::wstring&)>& wanted,
                                      size_t max_section) {
  SectionFilter filter(wanted, max_section,
                       [&](const std::string& section) { LoadWineRegText(root, section); });
  std::string pending;
  std::vector<char> chunk(1 << 16);
  bool skipping_line = false;  // the rest of a line past max_section
  for (;;) {
    const size_t got = read(chunk.data(), chunk.size());
    if (got == 0) break;
    size_t start = 0;
    for (size_t i = 0; i < got; ++i) {
      if (chunk[i] != '\n') continue;
      if (skipping_line) {
        skipping_line = false;
      } else {
        pending.append(chunk.data() + start, i - start);
        if (!filter.TakeLine(pending)) return false;
      }
      pending.clear();
      start = i + 1;
    }
    if (!skipping_line) pending.append(chunk.data() + start, got - start);
    if (pending.size() > max_section) {
      // One line longer than a whole section: its section is dropped.
      if (!filter.header_seen()) return false;
      filter.DropSection();
      pending.clear();
      skipping_line = true;
    }
  }
  if (!skipping_line && !pending.empty() && !filter.TakeLine(pending)) return false;
  return filter.Finish();
}

}  // namespace copyloom::platform
