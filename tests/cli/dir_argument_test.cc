// DIR arguments name a terminal as its row does, however the user spells it.
#include "cli/dir_argument.h"

#include <gtest/gtest.h>

#include "support/test_machine.h"
#include "terminals/terminal_list.h"

namespace copyloom::cli {
namespace {

TEST(DirArgumentTest, OneTerminalUnderEverySpellingIsItsFolder) {
  test::TestMachine machine;
  machine.MakeTerminal(L"C:\\MT4");
  machine.MakeTerminal(L"C:\\Trading experts");
  const std::wstring drive_c = machine.root().Join(L"drive_c");
  // Only POSIX has native paths beside the drive letters.
  const bool native = drive_c[0] == L'/';
  const std::wstring in_prefix = machine.root().Join(L"drive_c\\MT4");
  const std::wstring outside = machine.root().Join(L"elsewhere");
  struct Case {
    std::wstring dir, current, expected;
  } cases[] = {
      {L"C:\\MT4", L"", L"C:\\MT4"},
      {L" \tC:\\MT4  ", L"", L"C:\\MT4"},
      {L"C:\\MT4\\experts", L"", L"C:\\MT4\\"},
      {L"C:\\MT4\\EXPERTS ", L"", L"C:\\MT4\\"},
      {L"C:\\MT4\\terminal.exe", L"", L"C:\\MT4\\"},
      {L"MT4\\experts", L"C:\\", L"C:\\MT4\\"},
      // A terminal whose own name ends in "experts" stays itself.
      {L"C:\\Trading experts", L"", L"C:\\Trading experts"},
      // No terminal there (any more): as given, for removing its row.
      {L"C:\\Gone\\experts", L"", L"C:\\Gone\\experts"},
      {in_prefix, L"", native ? L"C:\\MT4" : in_prefix},
      {in_prefix + L"\\experts", L"", native ? L"C:\\MT4\\" : in_prefix + L"\\"},
      {L"./MT4", drive_c, native ? L"C:\\MT4" : drive_c + L"\\MT4"},
      {outside, L"", outside},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TerminalFolderArgument(c.dir, c.current), c.expected) << c.dir;
  }
  // The list itself also knows a folder under its native spelling.
  EXPECT_EQ(SameFolder(in_prefix, L"C:\\MT4"), native);
  EXPECT_FALSE(SameFolder(machine.root().Join(L"drive_c\\Trading experts"), L"C:\\MT4"));
}

}  // namespace
}  // namespace copyloom::cli
