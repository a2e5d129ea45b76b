#include "platform/pe_version.h"

#include <cstdint>
#include <optional>

#include "platform/wildcard.h"

namespace copyloom::platform {
namespace {

constexpr uint32_t kRtVersion = 16;
constexpr uint32_t kVsVersionInfo = 1;

// Every read checks its bounds; a read outside gives nullopt.
class Bytes {
 public:
  explicit Bytes(std::string_view data) : data_(data) {}
  size_t size() const { return data_.size(); }

  std::optional<uint16_t> U16(size_t at) const {
    if (at > data_.size() || data_.size() - at < 2) return std::nullopt;
    return static_cast<uint16_t>(Byte(at) | Byte(at + 1) << 8);
  }
  std::optional<uint32_t> U32(size_t at) const {
    if (at > data_.size() || data_.size() - at < 4) return std::nullopt;
    return Byte(at) | Byte(at + 1) << 8 | Byte(at + 2) << 16 | Byte(at + 3) << 24;
  }

 private:
  uint32_t Byte(size_t at) const { return static_cast<unsigned char>(data_[at]); }
  std::string_view data_;
};

struct Section {
  uint32_t virtual_address, virtual_size, raw_size, raw_offset;
};

class PeImage {
 public:
  explicit PeImage(std::string_view data) : bytes_(data) {}

  bool Load() {
    if (bytes_.U16(0) != 0x5A4D) return false;  // "MZ"
    auto pe = bytes_.U32(0x3C);
    if (!pe || bytes_.U32(*pe) != 0x00004550) return false;  // "PE\0\0"
    const size_t coff = *pe + 4;
    auto sections = bytes_.U16(coff + 2);
    auto optional_size = bytes_.U16(coff + 16);
    if (!sections || !optional_size) return false;
    const size_t optional = coff + 20;
    auto magic = bytes_.U16(optional);
    if (!magic) return false;
    size_t count_at, directories_at;
    if (*magic == 0x10B) {
      count_at = optional + 92, directories_at = optional + 96;
    } else if (*magic == 0x20B) {
      count_at = optional + 108, directories_at = optional + 112;
    } else {
      return false;
    }
    auto count = bytes_.U32(count_at);
    if (!count || *count < 3) return false;  // no resource directory
    // The directories must lie inside the optional header.
    if (directories_at + 3 * 8 > optional + *optional_size) return false;
    auto rva = bytes_.U32(directories_at + 2 * 8);
    auto size = bytes_.U32(directories_at + 2 * 8 + 4);
    if (!rva || !size || *rva == 0 || *size == 0) return false;
    const size_t table = optional + *optional_size;
    for (size_t i = 0; i < *sections; ++i) {
      const size_t at = table + i * 40;
      auto vsize = bytes_.U32(at + 8), va = bytes_.U32(at + 12);
      auto raw_size = bytes_.U32(at + 16), raw_offset = bytes_.U32(at + 20);
      if (!vsize || !va || !raw_size || !raw_offset) return false;
      sections_.push_back(Section{*va, *vsize, *raw_size, *raw_offset});
    }
    resource_rva_ = *rva;
    auto base = FileOffset(resource_rva_, 16);
    if (!base) return false;
    resource_base_ = *base;
    return true;
  }

  // The file offset of [rva, rva + length), when it lies in one section's
  // raw data.
  std::optional<size_t> FileOffset(uint64_t rva, uint64_t length) const {
    for (const auto& s : sections_) {
      const uint64_t extent = s.virtual_size ? s.virtual_size : s.raw_size;
      if (rva < s.virtual_address || rva - s.virtual_address >= extent) continue;
      const uint64_t delta = rva - s.virtual_address;
      if (delta + length > s.raw_size) return std::nullopt;
      const uint64_t offset = static_cast<uint64_t>(s.raw_offset) + delta;
      if (offset + length > bytes_.size()) return std::nullopt;
      return static_cast<size_t>(offset);
    }
    return std::nullopt;
  }

  // The entry of a resource directory with the given id; with prefer_any,
  // id 0 (neutral) if present, else the first entry. Returns its
  // OffsetToData field.
  std::optional<uint32_t> Entry(size_t directory, std::optional<uint32_t> id) const {
    auto named = bytes_.U16(directory + 12), ids = bytes_.U16(directory + 14);
    if (!named || !ids) return std::nullopt;
    const size_t total = static_cast<size_t>(*named) + *ids;
    std::optional<uint32_t> first;
    for (size_t i = 0; i < total; ++i) {
      const size_t at = directory + 16 + i * 8;
      auto name = bytes_.U32(at), offset = bytes_.U32(at + 4);
      if (!name || !offset) return std::nullopt;
      const bool is_id = (*name & 0x80000000u) == 0;
      if (id) {
        if (is_id && *name == *id) return offset;
        continue;
      }
      if (is_id && *name == 0) return offset;
      if (!first) first = offset;
    }
    return id ? std::nullopt : first;
  }

  // Follows a subdirectory offset; nullopt when it is not one or is out of
  // bounds.
  std::optional<size_t> Subdirectory(uint32_t offset_field) const {
    if ((offset_field & 0x80000000u) == 0) return std::nullopt;
    const size_t at = resource_base_ + (offset_field & 0x7FFFFFFFu);
    if (!bytes_.U16(at + 14)) return std::nullopt;
    return at;
  }

  std::optional<std::string_view> VersionResource(std::string_view data) const {
    auto type = Entry(resource_base_, kRtVersion);
    if (!type) return std::nullopt;
    auto names = Subdirectory(*type);
    if (!names) return std::nullopt;
    auto name = Entry(*names, kVsVersionInfo);
    if (!name) return std::nullopt;
    auto languages = Subdirectory(*name);
    if (!languages) return std::nullopt;
    auto language = Entry(*languages, std::nullopt);
    if (!language || (*language & 0x80000000u)) return std::nullopt;
    const size_t entry = resource_base_ + *language;
    auto rva = bytes_.U32(entry), size = bytes_.U32(entry + 4);
    if (!rva || !size) return std::nullopt;
    auto offset = FileOffset(*rva, *size);
    if (!offset) return std::nullopt;
    return data.substr(*offset, *size);
  }

 private:
  Bytes bytes_;
  std::vector<Section> sections_;
  uint32_t resource_rva_ = 0;
  size_t resource_base_ = 0;
};

// One node of the version tree: wLength, wValueLength, wType, key, value,
// children, each start aligned on 4 bytes of the resource.
struct Block {
  size_t begin = 0, end = 0;
  std::wstring key;
  size_t value = 0;
  uint16_t value_length = 0;  // as stored (characters for text values)
  uint16_t type = 0;
  size_t children = 0;
};

size_t Align4(size_t at) { return (at + 3) & ~static_cast<size_t>(3); }

std::optional<Block> ReadBlock(const Bytes& bytes, size_t at, size_t limit) {
  auto length = bytes.U16(at), value_length = bytes.U16(at + 2), type = bytes.U16(at + 4);
  if (!length || !value_length || !type || *length < 6 || at + *length > limit) {
    return std::nullopt;
  }
  Block b;
  b.begin = at;
  b.end = at + *length;
  b.value_length = *value_length;
  b.type = *type;
  size_t p = at + 6;
  while (true) {
    auto c = bytes.U16(p);
    if (!c || p + 2 > b.end) return std::nullopt;
    p += 2;
    if (*c == 0) break;
    b.key.push_back(static_cast<wchar_t>(*c));
  }
  b.value = std::min(Align4(p), b.end);
  const size_t value_bytes = b.type == 1 ? static_cast<size_t>(b.value_length) * 2 : b.value_length;
  b.children = std::min(Align4(std::min(b.value + value_bytes, b.end)), b.end);
  return b;
}

std::vector<Block> Children(const Bytes& bytes, const Block& parent) {
  std::vector<Block> out;
  size_t at = parent.children;
  while (at + 6 <= parent.end) {
    auto child = ReadBlock(bytes, at, parent.end);
    if (!child) break;
    out.push_back(*child);
    at = Align4(child->end);
  }
  return out;
}

std::optional<Block> Child(const std::vector<Block>& blocks, std::wstring_view key) {
  for (const auto& b : blocks) {
    if (EqualsIgnoreCase(b.key, key)) return b;
  }
  return std::nullopt;
}

std::wstring Hex4(unsigned value) {
  static const wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring out(4, L'0');
  for (int i = 3; i >= 0; --i, value >>= 4) out[i] = kDigits[value & 15];
  return out;
}

// A text value up to its zero or the end of its block, whichever comes
// first (some tools store the length in bytes, not characters).
std::wstring TextValue(const Bytes& bytes, const Block& b) {
  std::wstring out;
  for (size_t p = b.value; p + 2 <= b.end; p += 2) {
    auto c = bytes.U16(p);
    if (!c || *c == 0) break;
    out.push_back(static_cast<wchar_t>(*c));
  }
  return out;
}

}  // namespace

bool ReadPeFileVersions(std::string_view image, std::vector<std::wstring>* versions) {
  versions->clear();
  PeImage pe(image);
  if (!pe.Load()) return false;
  auto resource = pe.VersionResource(image);
  if (!resource) return false;
  const Bytes bytes(*resource);
  auto root = ReadBlock(bytes, 0, bytes.size());
  if (!root || !EqualsIgnoreCase(root->key, L"VS_VERSION_INFO")) return false;
  const std::vector<Block> top = Children(bytes, *root);

  std::vector<uint32_t> translations;
  if (auto var = Child(top, L"VarFileInfo")) {
    if (auto table = Child(Children(bytes, *var), L"Translation")) {
      const size_t end = std::min(table->value + table->value_length, table->end);
      for (size_t p = table->value; p + 4 <= end; p += 4) {
        if (auto pair = bytes.U32(p)) translations.push_back(*pair);
      }
    }
  }
  std::vector<Block> tables;
  if (auto strings = Child(top, L"StringFileInfo")) tables = Children(bytes, *strings);
  for (uint32_t pair : translations) {
    const std::wstring name = Hex4(pair & 0xFFFF) + Hex4(pair >> 16);
    std::wstring version;
    if (auto table = Child(tables, name)) {
      if (auto value = Child(Children(bytes, *table), L"FileVersion")) {
        version = TextValue(bytes, *value);
      }
    }
    versions->push_back(std::move(version));
  }
  return true;
}

}  // namespace copyloom::platform
