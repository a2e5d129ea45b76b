// The profile reader and writer. The same cases run natively and under Wine,
// on the disk and on the memory store (whose reader is the shared one, also
// under Wine), so they pin down what both builds must agree on.
#include <gtest/gtest.h>

#include <map>

#include "platform/platform.h"
#include "platform/testing.h"
#include "support/temp_dir.h"
#include "support/test_files.h"

namespace copyloom::platform {
namespace {

class ProfileTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    testing::SetAnsiCodePage(1252);
    if (!InMemory()) return;
    testing::SetDriveTable(std::map<wchar_t, std::wstring>{{L'M', dir_.path()}});
    testing::UseMemoryFiles(true);
  }
  void TearDown() override { testing::ResetAll(); }

  bool InMemory() const { return GetParam(); }
  std::wstring Join(const std::wstring& relative) const {
    return InMemory() ? L"M:\\" + relative : dir_.Join(relative);
  }
  std::wstring Path() const { return Join(L"settings.ini"); }
  void Write(const std::string& bytes) const {
    if (!InMemory()) return dir_.WriteFile(L"settings.ini", bytes);
    ASSERT_TRUE(WriteWholeFile(Path(), bytes));
  }
  std::string Bytes() const {
    if (!InMemory()) return dir_.ReadFile(L"settings.ini");
    std::string bytes;
    ReadCappedFile(Path(), kSettingsFileCap, &bytes);
    return bytes;
  }
  void DeleteSettings() const { RemoveOneFile(Path()); }
  static std::string Utf16(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
      out += static_cast<char>(c & 0xFF);
      out += static_cast<char>((c >> 8) & 0xFF);
    }
    return out;
  }
  std::wstring Read(const std::wstring& section, const std::wstring& key) const {
    return ProfileRead(Path(), section, key);
  }

  test::TempDir dir_;
};

TEST_P(ProfileTest, LookupRules) {
  Write(
      "; a comment line\r\n"
      "[Main]\r\n"
      "  Path =  C:\\MT4|D:\\MT4  \r\n"
      "Quoted=\"  keep inner  \"\r\n"
      "Single='x'\r\n"
      "Mixed=\"x'\r\n"
      "Lone=\"\r\n"
      "Empty=\r\n"
      "path=second key of the name\r\n"
      "Inline=value ; not a comment\r\n"
      ";Hidden=1\r\n"
      "[Other]\r\n"
      "Key=other\r\n"
      "[MAIN]\r\n"
      "Later=only in the second Main\r\n");
  EXPECT_EQ(Read(L"MAIN", L"PATH"), L"C:\\MT4|D:\\MT4");
  EXPECT_EQ(Read(L" main ", L" path "), L"C:\\MT4|D:\\MT4");
  EXPECT_EQ(Read(L"Main", L"Quoted"), L"  keep inner  ");
  EXPECT_EQ(Read(L"Main", L"Single"), L"x");
  EXPECT_EQ(Read(L"Main", L"Mixed"), L"\"x'");
  EXPECT_EQ(Read(L"Main", L"Lone"), L"\"");
  EXPECT_EQ(Read(L"Main", L"Empty"), L"");
  EXPECT_EQ(Read(L"Main", L"Inline"), L"value ; not a comment");
  EXPECT_EQ(Read(L"Main", L"Hidden"), L"");
  EXPECT_EQ(Read(L"other", L"key"), L"other");
  // Only the first section of a name is searched.
  EXPECT_EQ(Read(L"Main", L"Later"), L"");
  EXPECT_EQ(Read(L"Missing", L"Key"), L"");
  EXPECT_EQ(Read(L"Main", L"Missing"), L"");
}

TEST_P(ProfileTest, MissingFileReadsEmptyAndIsNotCreated) {
  EXPECT_EQ(Read(L"MAIN", L"PATH"), L"");
  EXPECT_FALSE(QueryAttributes(Path()).exists);
}

TEST_P(ProfileTest, NewFileIsAnsiCrlfWithoutBlankLines) {
  ASSERT_TRUE(ProfileWrite(Path(), L"First", L"Key1", L"Value1"));
  ASSERT_TRUE(ProfileWrite(Path(), L"First", L"Key2", L"spaced"));
  ASSERT_TRUE(ProfileWrite(Path(), L"Second", L"Path", L"C:\\cafe\\x"));
  ASSERT_TRUE(ProfileWrite(Path(), L"First", L"KEY1", L"Changed"));
  EXPECT_EQ(Bytes(),
            "[First]\r\nKey1=Changed\r\nKey2=spaced\r\n[Second]\r\nPath=C:\\cafe\\x\r\n");
  EXPECT_EQ(Read(L"first", L"key1"), L"Changed");
  // A character outside ASCII, even one the code page holds, would read back
  // garbled under another locale: the file turns UTF-16LE, keeping its lines.
  ASSERT_TRUE(ProfileWrite(Path(), L"Second", L"Path", L"C:\\caf\u00e9\\x"));
  EXPECT_EQ(Bytes().substr(0, 4), std::string("\xFF\xFE[\0", 4));
  EXPECT_EQ(Read(L"first", L"key2"), L"spaced");
  EXPECT_EQ(Read(L"second", L"path"), L"C:\\caf\u00e9\\x");
}

TEST_P(ProfileTest, EditsKeepTheRestOfTheFile) {
  Write(
      "; settings\r\n"
      "[MAIN]\r\n"
      "PATH=old\r\n"
      "unknown line without equals\r\n"
      "[Other]\r\n"
      "A=1\r\n");
  ASSERT_TRUE(ProfileWrite(Path(), L"main", L"path", L"new"));
  ASSERT_TRUE(ProfileWrite(Path(), L"Main", L"W", L"800"));
  ASSERT_TRUE(ProfileWrite(Path(), L"Third", L"X", L"y"));
  EXPECT_EQ(Bytes(),
            "; settings\r\n"
            "[MAIN]\r\n"
            "PATH=new\r\n"
            "unknown line without equals\r\n"
            "W=800\r\n"
            "[Other]\r\n"
            "A=1\r\n"
            "[Third]\r\n"
            "X=y\r\n");
}

TEST_P(ProfileTest, AFileWithoutFinalLineBreakGetsOneBeforeNewLines) {
  Write("[MAIN]\r\nA=1");
  ASSERT_TRUE(ProfileWrite(Path(), L"MAIN", L"B", L"2"));
  ASSERT_TRUE(ProfileWrite(Path(), L"NEXT", L"C", L"3"));
  EXPECT_EQ(Bytes(), "[MAIN]\r\nA=1\r\nB=2\r\n[NEXT]\r\nC=3\r\n");
  EXPECT_EQ(Read(L"MAIN", L"B"), L"2");
}

TEST_P(ProfileTest, LongValuesComeBackWhole) {
  for (size_t length : {6000u, 200000u}) {
    std::wstring value;
    for (size_t i = 0; i < length; ++i) value += static_cast<wchar_t>(L'a' + i % 26);
    ASSERT_TRUE(ProfileWrite(Path(), L"MAIN", L"PATH", value));
    EXPECT_EQ(Read(L"MAIN", L"PATH"), value) << length;
  }
}

TEST_P(ProfileTest, WritesIntoAMissingFolderFail) {
  EXPECT_FALSE(ProfileWrite(Join(L"no\\such\\folder\\x.ini"), L"MAIN", L"A", L"1"));
}

TEST_P(ProfileTest, AnsiTextRoundTripsInTheSystemCodePage) {
  Write("[MAIN]\r\nName=caf\xE9\r\n");
  EXPECT_EQ(Read(L"MAIN", L"Name"), L"café");
}

// A folder name the ANSI code page cannot hold would be saved as "?" and its
// row lost: such a write turns the file into UTF-16LE with a byte-order mark,
// keeping its other lines, and it stays one.
TEST_P(ProfileTest, TextTheCodePageCannotHoldTurnsTheFileUnicode) {
  struct Case {
    const char* start;  // file before, nullptr for none
    const wchar_t* section;
    const wchar_t* key;
    const wchar_t* value;
  };
  const Case cases[] = {
      {nullptr, L"MAIN", L"PATH", L"00C:\\Терминал МТ4*|"},
      {"; kept\r\n[MAIN]\r\nOLD=caf\xE9\n[Other]\r\nA=1", L"MAIN", L"PATH", L"00C:\\交易终端*|"},
      {"[MAIN]\r\nOLD=1\r\n", L"Терминал", L"KEY", L"plain"},
      {"[MAIN]\r\nOLD=1\r\n", L"MAIN", L"ключ", L"plain"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(c.value)));
    DeleteSettings();
    if (c.start) Write(c.start);
    ASSERT_TRUE(ProfileWrite(Path(), c.section, c.key, c.value));
    EXPECT_EQ(Bytes().substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(Read(c.section, c.key), c.value);
    if (c.start && std::string(c.start).find("OLD") != std::string::npos) {
      EXPECT_EQ(Read(L"MAIN", L"OLD"), std::string(c.start).find("caf") != std::string::npos
                                           ? L"caf\u00e9"
                                           : L"1");
    }
    if (c.start && std::string(c.start).find("Other") != std::string::npos) {
      EXPECT_EQ(Read(L"Other", L"A"), L"1");
      EXPECT_NE(Bytes().find(Utf16(L"; kept")), std::string::npos);
    }
    // Representable text later keeps it Unicode.
    ASSERT_TRUE(ProfileWrite(Path(), L"MAIN", L"W", L"800"));
    EXPECT_EQ(Bytes().substr(0, 2), "\xFF\xFE");
    EXPECT_EQ(Read(L"MAIN", L"W"), L"800");
    EXPECT_EQ(Read(c.section, c.key), c.value);
  }
}

INSTANTIATE_TEST_SUITE_P(Stores, ProfileTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Memory" : "Disk"; });

}  // namespace
}  // namespace copyloom::platform
