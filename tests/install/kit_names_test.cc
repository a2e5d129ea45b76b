#include "install/kit_names.h"

#include <gtest/gtest.h>

namespace copyloom {
namespace {

TEST(KitNamesTest, JunkUnusableAndUsableNames) {
  for (const wchar_t* junk : {L"Thumbs.db", L"thumbs.DB", L"desktop.ini", L"Desktop.ini",
                              L".DS_Store", L"__MACOSX", L"._vlcpy.dll", L"~$notes.docx"}) {
    EXPECT_EQ(ClassifyKitName(junk), KitNameKind::kJunk) << junk;
  }
  for (const wchar_t* odd :
       {L"a.tpl ", L"a.", L"CON", L"con.txt", L"PRN", L"Aux.dll", L"NUL", L"COM1", L"com9.ex4",
        L"LPT1", L"lpt9", L"a:b", L"a|b", L"a\\b", L"", L".", L".."}) {
    EXPECT_EQ(ClassifyKitName(odd), KitNameKind::kUnusable) << odd;
  }
  for (const wchar_t* fine : {L"vlcpy.dll", L"COM10", L"COM0", L"LPT", L"CONSOLE.ex4", L"console",
                              L"Copyloom Monitor.ex4", L"nul_2.tpl", L"_Velmora 喊单.ex4",
                              L".hidden", L"a.b.c"}) {
    EXPECT_EQ(ClassifyKitName(fine), KitNameKind::kUsable) << fine;
  }
}

}  // namespace
}  // namespace copyloom
