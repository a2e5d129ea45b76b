#include "app/builtin_texts.h"

#include <gtest/gtest.h>

#include <string>

#include "app/language.h"
#include "foundation/encrypt.h"

namespace copyloom {
namespace {

// The plain values of the entries that the product fills. Entry 3 holds a
// backslash-"n" pair that lookups turn into a line break.
const wchar_t* const kPlainEntries[kBuiltInFilledEntries] = {
    L"Copyloom",
    L"Trade Copier for MetaTrader 4",
    L"Velmora",
    L"Copyloom copies the trades of one MetaTrader 4 account\\nto any number of others.",
    L"Signal Provider",
    L"Signal Receiver",
    L"Version",
    L"Email",
    L"Website",
    L"Help",
    L"About Copyloom",
    L"Copyright (C) Velmora",
    L"All rights reserved.",
    L"Install",
    L"Uninstall",
    L"Settings",
    L"Yes",
    L"No",
    L"Cancel",
    L"Close",
    L"Retry",
    L"Error",
    L"Warning",
    L"Information",
    L"Please wait...",
    L"Loading...",
    L"Done",
    L"Account",
    L"Terminal",
    L"Expert",
    L"Library",
    L"OK",
    L"Open",
    L"Save",
    L"Browse...",
    L"Folder",
    L"File",
    L"Licence",
    L"Support",
    L"Contact",
    L"Language",
    L"English",
    L"Chinese",
    L"Update",
    L"Check for updates",
    L"Visit our website",
    L"Thank you for using Copyloom.",
};

// A stored text is the codec's scrambled form: letters and digits only (no
// "." in particular, which marks a plain address) and at least 22 long.
void ExpectScrambled(const std::wstring& stored, const std::wstring& plain) {
  EXPECT_GE(stored.size(), 22u) << stored;
  EXPECT_NE(stored, plain);
  for (wchar_t c : stored) {
    bool letter_or_digit =
        (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9');
    EXPECT_TRUE(letter_or_digit) << stored;
  }
  EXPECT_EQ(CEncrypt().DecodeText(stored), plain);
}

class BuiltInTextsTest : public testing::Test {
 protected:
  void SetUp() override {
    g_lang().Clear();
    g_lang().Init();
    SetLanguageIndex(0);
  }
  void TearDown() override { SetLanguageIndex(0); }
};

TEST_F(BuiltInTextsTest, FilledEntriesDecodeToTheProductTexts) {
  for (int i = 0; i < kBuiltInFilledEntries; ++i) {
    SCOPED_TRACE(i);
    std::wstring plain = kPlainEntries[i];
    ExpectScrambled(g_lang().StoredEntry(0, i), plain);
    std::wstring shown = plain;
    if (size_t at = shown.find(L"\\n"); at != std::wstring::npos) shown.replace(at, 2, L"\n");
    EXPECT_EQ(LookupBuiltInText(i), shown);
  }
  EXPECT_EQ(LookupBuiltInText(kEntryDisplayName), L"Copyloom");
  EXPECT_EQ(LookupBuiltInText(kEntryOkCaption), L"OK");
  EXPECT_EQ(LookupBuiltInText(3),
            L"Copyloom copies the trades of one MetaTrader 4 account\nto any number of others.");
}

TEST_F(BuiltInTextsTest, UnfilledEntriesAndOutOfRangeLookupsAreEmpty) {
  for (int i = kBuiltInFilledEntries; i < kBuiltInEntryCount; ++i) {
    EXPECT_EQ(g_lang().StoredEntry(0, i), L"");
    EXPECT_EQ(LookupBuiltInText(i), L"");
  }
  for (int i = 0; i < kBuiltInEntryCount; ++i) EXPECT_EQ(LookupBuiltInText(i, 1), L"");
  EXPECT_EQ(LookupBuiltInText(120), L"");
  EXPECT_EQ(LookupBuiltInText(-1), L"");
  EXPECT_EQ(g_lang().StoredEntry(2, 0), L"");
  EXPECT_EQ(g_lang().StoredEntry(-1, 0), L"");
}

TEST_F(BuiltInTextsTest, LookupFollowsLanguageIndex) {
  SetLanguageIndex(1);
  EXPECT_EQ(LookupBuiltInText(0), L"");  // the Chinese half is not filled
  SetLanguageIndex(2);
  EXPECT_EQ(LookupBuiltInText(0), L"");
  SetLanguageIndex(-1);
  EXPECT_EQ(LookupBuiltInText(0), L"");
  SetLanguageIndex(0);
  EXPECT_EQ(LookupBuiltInText(0), L"Copyloom");
}

TEST_F(BuiltInTextsTest, ClearedTableGivesNothing) {
  g_lang().Clear();
  EXPECT_EQ(LookupBuiltInText(0), L"");
  EXPECT_EQ(g_lang().StoredEntry(0, 0), L"");
}

TEST_F(BuiltInTextsTest, ProductTextsPerLanguage) {
  struct Case {
    ProductText which;
    const wchar_t* english;
    const wchar_t* chinese;
  } cases[] = {
      {ProductText::kSiteAddress, L"https://copyloom.example/", L"https://copyloom.example/zh/"},
      {ProductText::kSecondWebAddress, L"download/", L"download/"},
      {ProductText::kThirdWebAddress, L"news/", L"news/"},
      {ProductText::kHelpPageAddress, L"help/index.htm", L"help/index.htm"},
      {ProductText::kWebPanelAddress, L"https://copyloom.example/panel/",
       L"https://copyloom.example/zh/panel/"},
      {ProductText::kContactEmail, L"support@copyloom.example", L"support-cn@copyloom.example"},
      {ProductText::kContactMessenger, L"Copyloom Support", L"Copyloom客服"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.which));
    ExpectScrambled(StoredProductText(c.which, 0), c.english);
    ExpectScrambled(StoredProductText(c.which, 1), c.chinese);
    EXPECT_EQ(StoredProductText(c.which, 2), L"");
  }
}

TEST_F(BuiltInTextsTest, InstallPatternsAndFallbackTime) {
  EXPECT_EQ(BuiltInMarkerText(), L"CopyloomSignedEA");
  EXPECT_EQ(BuiltInLibraryPattern(), L"vlcpy*");
  EXPECT_EQ(BuiltInFallbackTime(), L"2012-6-1 8:0:0");
}

}  // namespace
}  // namespace copyloom
