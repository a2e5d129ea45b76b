// The private-profile ("ini") reader and writer, with the lookup rules of
// GetPrivateProfileStringW and WritePrivateProfileStringW as Wine implements
// them. The writer edits only the line it changes or the lines it adds, so
// everything else in the file keeps its bytes, and it replaces the file in
// one step: a crash leaves the old file or the new one, never a torn one.
// Built on a file system's own reads and one-step writes: the POSIX disk
// and the tests' file systems use it; the Windows disk has the system's.
#include <algorithm>
#include <optional>

#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/wildcard.h"

namespace copyloom::platform {
namespace {

enum class Encoding { kAnsi, kUtf8, kUtf16Le, kUtf16Be };

struct Line {
  size_t begin = 0;  // content bytes [begin, end); "\r\n" or "\n" after
  size_t end = 0;
  size_t next = 0;  // first byte of the following line
  bool has_break = false;
  std::wstring text;
};

struct Document {
  std::string bytes;
  Encoding encoding = Encoding::kAnsi;
  unsigned code_page = 1252;
  std::vector<Line> lines;
};

bool IsProfileSpace(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f' ||
         c == 0x1A;
}

std::wstring_view Trim(std::wstring_view text) {
  while (!text.empty() && IsProfileSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsProfileSpace(text.back())) text.remove_suffix(1);
  return text;
}

std::wstring Decode(const Document& doc, size_t begin, size_t end) {
  const std::string_view raw(doc.bytes.data() + begin, end - begin);
  switch (doc.encoding) {
    case Encoding::kUtf8:
      return Utf8ToWide(std::string(raw));
    case Encoding::kUtf16Le:
    case Encoding::kUtf16Be: {
      std::wstring out;
      const bool le = doc.encoding == Encoding::kUtf16Le;
      for (size_t i = 0; i + 1 < raw.size(); i += 2) {
        const unsigned a = static_cast<unsigned char>(raw[i]);
        const unsigned b = static_cast<unsigned char>(raw[i + 1]);
        out.push_back(static_cast<wchar_t>(le ? (a | b << 8) : (b | a << 8)));
      }
      return out;
    }
    case Encoding::kAnsi:
      break;
  }
  // Most lines are ASCII: skip the converter for them.
  bool ascii = true;
  for (char c : raw) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return std::wstring(raw.begin(), raw.end());
  return CodePageToWide(doc.code_page, std::string(raw));
}

std::string Encode(const Document& doc, const std::wstring& text) {
  switch (doc.encoding) {
    case Encoding::kUtf8:
      return WideToUtf8(text);
    case Encoding::kUtf16Le:
    case Encoding::kUtf16Be: {
      std::string out;
      const bool le = doc.encoding == Encoding::kUtf16Le;
      auto put = [&](unsigned unit) {
        const char lo = static_cast<char>(unit & 0xFF), hi = static_cast<char>(unit >> 8);
        out.push_back(le ? lo : hi);
        out.push_back(le ? hi : lo);
      };
      for (wchar_t c : text) {
        const uint32_t cp = static_cast<uint32_t>(c);
        if (cp > 0xFFFF) {
          put(0xD800 + ((cp - 0x10000) >> 10));
          put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
          put(cp);
        }
      }
      return out;
    }
    case Encoding::kAnsi:
      break;
  }
  return WideToCodePage(doc.code_page, text);
}

// Splits the file into lines at line feeds ("\n" in the file's encoding).
void Parse(Document* doc) {
  const std::string& b = doc->bytes;
  size_t pos = 0;
  doc->code_page = AnsiCodePage();
  if (b.size() >= 3 && b.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    doc->encoding = Encoding::kUtf8;
    pos = 3;
  } else if (b.size() >= 2 && b[0] == '\xFF' && b[1] == '\xFE') {
    doc->encoding = Encoding::kUtf16Le;
    pos = 2;
  } else if (b.size() >= 2 && b[0] == '\xFE' && b[1] == '\xFF') {
    doc->encoding = Encoding::kUtf16Be;
    pos = 2;
  }
  const bool wide = doc->encoding == Encoding::kUtf16Le || doc->encoding == Encoding::kUtf16Be;
  const size_t unit = wide ? 2 : 1;
  // A half unit at the end holds no character; dropped, so that what a write
  // appends stays aligned and readable.
  if (wide && (doc->bytes.size() - pos) % 2 != 0) doc->bytes.pop_back();
  while (pos < b.size()) {
    Line line;
    line.begin = pos;
    size_t end = pos;
    while (end + unit <= b.size()) {
      const bool feed =
          !wide ? b[end] == '\n'
                : (doc->encoding == Encoding::kUtf16Le ? (b[end] == '\n' && b[end + 1] == '\0')
                                                       : (b[end] == '\0' && b[end + 1] == '\n'));
      if (feed) break;
      end += unit;
    }
    if (end + unit > b.size()) end = b.size();
    line.has_break = end < b.size();
    line.next = line.has_break ? end + unit : b.size();
    // A CR before the feed belongs to the line break, not to the content.
    if (line.has_break && end - pos >= unit) {
      const size_t cr = end - unit;
      const bool is_cr =
          !wide ? b[cr] == '\r'
                : (doc->encoding == Encoding::kUtf16Le ? (b[cr] == '\r' && b[cr + 1] == '\0')
                                                       : (b[cr] == '\0' && b[cr + 1] == '\r'));
      if (is_cr) end = cr;
    }
    line.end = end;
    line.text = Decode(*doc, line.begin, line.end);
    doc->lines.push_back(std::move(line));
    pos = doc->lines.back().next;
  }
}

enum class Kind { kBlank, kComment, kSection, kKey };

struct Parsed {
  Kind kind = Kind::kBlank;
  std::wstring_view name;   // section or key name
  std::wstring_view value;  // key value, trimmed
};

Parsed Classify(const std::wstring& text) {
  Parsed p;
  std::wstring_view line = Trim(text);
  if (line.empty()) return p;
  if (line.front() == L';') {
    p.kind = Kind::kComment;
    return p;
  }
  if (line.front() == L'[') {
    const size_t close = line.rfind(L']');
    if (close != std::wstring_view::npos && close > 0) {
      p.kind = Kind::kSection;
      p.name = line.substr(1, close - 1);
      return p;
    }
  }
  p.kind = Kind::kKey;
  const size_t eq = line.find(L'=');
  p.name = Trim(line.substr(0, eq));
  if (eq != std::wstring_view::npos) p.value = Trim(line.substr(eq + 1));
  return p;
}

struct Lookup {
  std::optional<size_t> section;  // index of the header line
  size_t section_last = 0;        // last non-blank line of the section
  std::optional<size_t> key;      // index of the key line
  std::wstring_view value;        // its value as stored, inside the document
};

// Only the first section of the name is searched; its first key of the name
// wins.
Lookup Find(const Document& doc, std::wstring_view section, std::wstring_view key) {
  Lookup found;
  for (size_t i = 0; i < doc.lines.size(); ++i) {
    const Parsed p = Classify(doc.lines[i].text);
    if (p.kind == Kind::kSection) {
      if (found.section) break;
      if (EqualsIgnoreCase(p.name, section)) {
        found.section = i;
        found.section_last = i;
      }
      continue;
    }
    if (!found.section) continue;
    if (p.kind != Kind::kBlank) found.section_last = i;
    if (p.kind == Kind::kKey && !found.key && EqualsIgnoreCase(p.name, key)) {
      found.key = i;
      found.value = p.value;
    }
  }
  return found;
}


// The same document as UTF-16LE with a byte-order mark, each line break
// kept as it was.
void ConvertToUtf16(Document* doc) {
  Document wide;
  wide.encoding = Encoding::kUtf16Le;
  wide.bytes = "\xFF\xFE";
  for (const Line& line : doc->lines) {
    wide.bytes += Encode(wide, line.text);
    if (line.has_break) {
      const bool cr = line.next - line.end > 1;
      wide.bytes += Encode(wide, cr ? L"\r\n" : L"\n");
    }
  }
  *doc = Document();
  doc->bytes = std::move(wide.bytes);
  Parse(doc);
}

// Only ASCII reads the same in every code page: a folder name in any other
// character would come back garbled to a run under another locale.
bool Representable(const Document& doc, const std::wstring& text) {
  if (doc.encoding != Encoding::kAnsi) return true;
  return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= 0 && c < 0x80; });
}

// A line break inside a name or value would start a line of its own in the
// file; it is written as a blank instead.
std::wstring SingleLine(std::wstring_view text) {
  std::wstring out(text);
  for (auto& c : out) {
    if (c == L'\r' || c == L'\n') c = L' ';
  }
  return out;
}

}  // namespace

std::wstring FileSystem::ProfileRead(const std::wstring& file, const std::wstring& section,
                                     const std::wstring& key) {
  Document doc;
  const ReadStatus read = ReadSettingsFile(file, &doc.bytes);
  if (read == ReadStatus::kBroken) NoteBrokenSettingsFile(file);
  if (read != ReadStatus::kOk) return L"";
  Parse(&doc);
  const std::wstring_view wanted_section = Trim(section);
  const std::wstring_view wanted_key = Trim(key);
  const Lookup found = Find(doc, wanted_section, wanted_key);
  if (!found.key) return L"";
  std::wstring_view value = found.value;
  // One matching pair of outer quotes, single or double, is removed.
  if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::wstring(value);
}

bool FileSystem::ProfileWrite(const std::wstring& file, const std::wstring& section,
                              const std::wstring& key, const std::wstring& value) {
  const std::wstring section_name = SingleLine(Trim(section));
  const std::wstring key_name = SingleLine(Trim(key));
  if (section_name.empty() || key_name.empty()) return false;
  std::wstring_view new_value = value;
  while (!new_value.empty() && IsProfileSpace(new_value.front())) new_value.remove_prefix(1);
  const std::wstring stored_value = SingleLine(new_value);

  Document doc;
  const FileAttributes there = QueryAttributes(file);
  if (there.exists) {
    if (there.read_only) {
      NoteFailureKind(FailureKind::kNoPermission);  // as Windows refuses a read-only file
      return false;
    }
    // A broken file stays as it is: rewriting it would lose what it holds.
    // A link that leads nowhere reads as missing and is replaced.
    if (ReadSettingsFile(file, &doc.bytes) == ReadStatus::kBroken) {
      NoteBrokenSettingsFile(file);
      NoteFailureKind(FailureKind::kNotRegularFile);
      return false;
    }
  }
  Parse(&doc);
  // "?" in place of a folder name would lose the row it names.
  if (!Representable(doc, section_name + key_name + stored_value)) ConvertToUtf16(&doc);

  const std::string crlf = Encode(doc, L"\r\n");
  auto ends_with_break = [&]() { return doc.lines.empty() || doc.lines.back().has_break; };
  const std::string& b = doc.bytes;
  std::string out;
  Lookup found = Find(doc, section_name, key_name);
  if (found.key) {
    if (found.value == stored_value) return true;  // unchanged: file left alone
    const Line& line = doc.lines[*found.key];
    const std::wstring name(Classify(line.text).name);  // keeps the file's case
    out = b.substr(0, line.begin) + Encode(doc, name + L"=" + stored_value) + b.substr(line.end);
  } else if (found.section) {
    const Line& line = doc.lines[found.section_last];
    std::string insert = Encode(doc, key_name + L"=" + stored_value) + crlf;
    if (!line.has_break) insert = crlf + insert;  // the file's last line
    out = b.substr(0, line.next) + insert + b.substr(line.next);
  } else {
    out = b;
    if (!ends_with_break()) out += crlf;
    out += Encode(doc, L"[" + section_name + L"]") + crlf +
           Encode(doc, key_name + L"=" + stored_value) + crlf;
  }
  return WriteInOneStep(file, out);
}

}  // namespace copyloom::platform
