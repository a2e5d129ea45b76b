#include "platform/pe_version.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "platform/platform.h"
#include "support/temp_dir.h"

namespace copyloom::platform {
namespace {

void Put16(std::string* out, size_t at, uint16_t v) {
  if (out->size() < at + 2) out->resize(at + 2);
  (*out)[at] = static_cast<char>(v & 0xFF);
  (*out)[at + 1] = static_cast<char>(v >> 8);
}

void Put32(std::string* out, size_t at, uint32_t v) {
  Put16(out, at, static_cast<uint16_t>(v & 0xFFFF));
  Put16(out, at + 2, static_cast<uint16_t>(v >> 16));
}

void Pad4(std::string* out) {
  while (out->size() % 4) out->push_back('\0');
}

std::string Utf16z(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  out.append(2, '\0');
  return out;
}

// One node of a version tree: header, key, value, children, 4-byte aligned.
std::string Node(const std::wstring& key, const std::string& value, uint16_t value_length,
                 uint16_t type, const std::vector<std::string>& children = {}) {
  std::string out(6, '\0');
  out += Utf16z(key);
  Pad4(&out);
  out += value;
  for (const auto& child : children) {
    Pad4(&out);
    out += child;
  }
  Put16(&out, 0, static_cast<uint16_t>(out.size()));
  Put16(&out, 2, value_length);
  Put16(&out, 4, type);
  return out;
}

std::string Text(const std::wstring& key, const std::wstring& value) {
  return Node(key, Utf16z(value), static_cast<uint16_t>(value.size() + 1), 1);
}

struct Table {
  std::wstring name;  // e.g. "040904b0"
  std::vector<std::pair<std::wstring, std::wstring>> strings;
};

std::string VersionInfo(const std::vector<uint32_t>& translations,
                        const std::vector<Table>& tables) {
  std::string fixed(52, '\0');
  Put32(&fixed, 0, 0xFEEF04BD);
  std::vector<std::string> string_tables;
  for (const auto& table : tables) {
    std::vector<std::string> strings;
    for (const auto& [k, v] : table.strings) strings.push_back(Text(k, v));
    string_tables.push_back(Node(table.name, "", 0, 1, strings));
  }
  std::vector<std::string> top;
  top.push_back(Node(L"StringFileInfo", "", 0, 1, string_tables));
  if (!translations.empty()) {
    std::string pairs;
    for (uint32_t t : translations) {
      pairs.resize(pairs.size() + 4);
      Put32(&pairs, pairs.size() - 4, t);
    }
    top.push_back(Node(L"VarFileInfo", "", 0, 1,
                       {Node(L"Translation", pairs, static_cast<uint16_t>(pairs.size()), 0)}));
  }
  return Node(L"VS_VERSION_INFO", fixed, 52, 0, top);
}

// A minimal 64-bit PE image whose only section holds the resource tree:
// type 16 -> name 1 -> language 0x409 -> data.
std::string PeImage(const std::string& version_info, uint32_t type_id = 16, uint32_t name_id = 1) {
  const uint32_t kSectionRva = 0x1000, kRawOffset = 0x200;
  std::string rsrc;
  auto directory = [&](size_t at, uint32_t id, uint32_t target) {
    Put16(&rsrc, at + 14, 1);
    Put32(&rsrc, at + 16, id);
    Put32(&rsrc, at + 20, target);
  };
  directory(0x00, type_id, 0x80000000u | 0x18);
  directory(0x18, name_id, 0x80000000u | 0x30);
  directory(0x30, 0x409, 0x48);
  Put32(&rsrc, 0x48, kSectionRva + 0x58);
  Put32(&rsrc, 0x4C, static_cast<uint32_t>(version_info.size()));
  rsrc.resize(0x58);
  rsrc += version_info;
  Pad4(&rsrc);

  std::string image(kRawOffset, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  Put32(&image, 0x3C, 0x40);
  Put32(&image, 0x40, 0x00004550);
  const size_t coff = 0x44;
  Put16(&image, coff, 0x8664);
  Put16(&image, coff + 2, 1);     // sections
  Put16(&image, coff + 16, 240);  // optional header size
  const size_t optional = coff + 20;
  Put16(&image, optional, 0x20B);  // PE32+
  Put32(&image, optional + 108, 16);
  Put32(&image, optional + 112 + 2 * 8, kSectionRva);
  Put32(&image, optional + 112 + 2 * 8 + 4, static_cast<uint32_t>(rsrc.size()));
  const size_t section = optional + 240;
  image.replace(section, 5, ".rsrc");
  Put32(&image, section + 8, static_cast<uint32_t>(rsrc.size()));
  Put32(&image, section + 12, kSectionRva);
  Put32(&image, section + 16, static_cast<uint32_t>(rsrc.size()));
  Put32(&image, section + 20, kRawOffset);
  image.resize(kRawOffset);
  return image + rsrc;
}

std::vector<std::wstring> Versions(const std::string& image, bool* ok = nullptr) {
  std::vector<std::wstring> versions;
  const bool result = ReadPeFileVersions(image, &versions);
  if (ok) *ok = result;
  return versions;
}

TEST(PeVersionTest, ReadsTheFileVersionOfEachTranslation) {
  const std::string image = PeImage(
      VersionInfo({0x04B00409, 0x03A80804},
                  {{L"040904B0", {{L"CompanyName", L"Copyloom"}, {L"FileVersion", L"1, 0, 0, 5"}}},
                   {L"080403a8", {{L"fileversion", L"2.0.1.0"}}}}));
  bool ok = false;
  EXPECT_EQ(Versions(image, &ok), (std::vector<std::wstring>{L"1, 0, 0, 5", L"2.0.1.0"}));
  EXPECT_TRUE(ok);
}

TEST(PeVersionTest, MissingStringsAndTablesGiveEmptyEntries) {
  // A translation without its table, a table without FileVersion, and no
  // translation table at all (Windows then finds nothing to read).
  bool ok = false;
  EXPECT_EQ(Versions(PeImage(VersionInfo({0x04B00409, 0x04E40409},
                                         {{L"040904b0", {{L"ProductName", L"x"}}}})),
                     &ok),
            (std::vector<std::wstring>{L"", L""}));
  EXPECT_TRUE(ok);
  EXPECT_TRUE(
      Versions(PeImage(VersionInfo({}, {{L"040904b0", {{L"FileVersion", L"1"}}}})), &ok).empty());
  EXPECT_TRUE(ok);
}

TEST(PeVersionTest, FilesWithoutAVersionResourceFail) {
  bool ok = true;
  const std::string info = VersionInfo({0x04B00409}, {{L"040904b0", {{L"FileVersion", L"1"}}}});
  Versions(PeImage(info, /*type_id=*/3), &ok);
  EXPECT_FALSE(ok);
  Versions(PeImage(info, 16, /*name_id=*/2), &ok);
  EXPECT_FALSE(ok);
  Versions("", &ok);
  EXPECT_FALSE(ok);
  Versions("MZ just text", &ok);
  EXPECT_FALSE(ok);
  Versions(std::string(4096, '\0'), &ok);
  EXPECT_FALSE(ok);
}

TEST(PeVersionTest, DamagedImagesNeverReadOutOfBounds) {
  const std::string good =
      PeImage(VersionInfo({0x04B00409}, {{L"040904b0", {{L"FileVersion", L"1.2.3.4"}}}}));
  ASSERT_EQ(Versions(good), (std::vector<std::wstring>{L"1.2.3.4"}));
  // Every truncation, and random bytes over every part of the image. The
  // sanitizer build turns any stray read into a failure.
  for (size_t cut = 0; cut < good.size(); cut += 3) {
    std::string piece = good.substr(0, cut);
    Versions(piece);
  }
  std::mt19937 random(12345);
  for (int round = 0; round < 3000; ++round) {
    std::string damaged = good;
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < flips; ++i) {
      damaged[random() % damaged.size()] = static_cast<char>(random() & 0xFF);
    }
    std::vector<std::wstring> versions;
    if (ReadPeFileVersions(damaged, &versions)) {
      EXPECT_LE(versions.size(), damaged.size() / 4);
    }
  }
}

TEST(PeVersionTest, ReadFileVersionsOnFiles) {
  test::TempDir dir;
  dir.WriteFile(L"lib.dll",
                PeImage(VersionInfo({0x04B00409}, {{L"040904b0", {{L"FileVersion", L"3.1"}}}})));
  dir.WriteFile(L"plain.txt", "no version here");
  std::vector<std::wstring> versions;
  ASSERT_TRUE(ReadFileVersions(dir.Join(L"lib.dll"), &versions));
  EXPECT_EQ(versions, (std::vector<std::wstring>{L"3.1"}));
  EXPECT_FALSE(ReadFileVersions(dir.Join(L"plain.txt"), &versions));
  EXPECT_FALSE(ReadFileVersions(dir.Join(L"missing.dll"), &versions));
}

TEST(PeVersionTest, ReadsARealWindowsLibraryWhenOneIsAround) {
  std::vector<std::wstring> candidates;
  if (!SystemFolder().empty()) candidates.push_back(SystemFolder() + L"\\kernel32.dll");
  candidates.push_back(L"/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/kernel32.dll");
  for (const auto& path : candidates) {
    if (!QueryAttributes(path).exists) continue;
    std::vector<std::wstring> versions;
    ASSERT_TRUE(ReadFileVersions(path, &versions)) << path;
    ASSERT_FALSE(versions.empty());
    EXPECT_NE(versions[0].find_first_of(L"0123456789"), std::wstring::npos) << versions[0];
    return;
  }
  GTEST_SKIP() << "no Windows library on this machine";
}

}  // namespace
}  // namespace copyloom::platform
