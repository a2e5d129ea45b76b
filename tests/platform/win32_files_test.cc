// File behaviours only Windows has: sharing modes, wide names that the ANSI
// code page cannot hold, attributes.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/testing.h"
#include "platform/win32/path_win32.h"
#include "support/temp_dir.h"

namespace copyloom::platform {
namespace {

HANDLE HoldWithoutSharing(const std::wstring& path) {
  return ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

class Win32FilesTest : public ::testing::Test {
 protected:
  test::TempDir temp_;
};

TEST_F(Win32FilesTest, FileHeldWithoutSharingIsInUse) {
  temp_.WriteFile(L"terminal.exe", "MZ");
  const std::wstring path = temp_.Join(L"terminal.exe");
  EXPECT_FALSE(IsFileInUse(path));

  HANDLE held = HoldWithoutSharing(path);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(IsFileInUse(path));
  EXPECT_EQ(OpenFile(path, OpenMode::kReadShareAll), nullptr);
  // Times come from the attributes alone, so a held file still has them.
  FileTimes times;
  EXPECT_TRUE(GetFileTimes(path, &times));
  EXPECT_GT(times.last_write, 0);
  ::CloseHandle(held);

  EXPECT_FALSE(IsFileInUse(path));
  EXPECT_FALSE(IsFileInUse(temp_.Join(L"missing.exe")));
}

// What another program may do while we hold the file in each mode.
TEST_F(Win32FilesTest, SharingOfEachOpenMode) {
  temp_.WriteFile(L"log.lsg", "one");
  const std::wstring path = temp_.Join(L"log.lsg");
  auto other_opens = [&](DWORD access) {
    HANDLE h = ::CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(h);
    return true;
  };
  {
    auto reader = OpenFile(path, OpenMode::kReadShareAll);
    ASSERT_NE(reader, nullptr);
    EXPECT_TRUE(other_opens(GENERIC_WRITE)) << "a reader lets others write";
  }
  {
    auto reader = OpenFile(path, OpenMode::kReadShareRead);
    ASSERT_NE(reader, nullptr);
    EXPECT_TRUE(other_opens(GENERIC_READ));
    EXPECT_FALSE(other_opens(GENERIC_WRITE)) << "no writer while digesting";
  }
  {
    auto writer = OpenFile(path, OpenMode::kWriteAppend);
    ASSERT_NE(writer, nullptr);
    EXPECT_FALSE(other_opens(GENERIC_READ)) << "a writer shares nothing";
    ASSERT_TRUE(writer->Write("\r\ntwo", 5));
  }
  {
    auto changer = OpenFile(path, OpenMode::kReadWrite);
    ASSERT_NE(changer, nullptr);
    EXPECT_TRUE(other_opens(GENERIC_READ | GENERIC_WRITE)) << "\"rb+\" shares both";
  }
  EXPECT_EQ(temp_.ReadFile(L"log.lsg"), "one\r\ntwo");
}

TEST_F(Win32FilesTest, WideNamesOutsideTheAnsiCodePageWork) {
  // Neither name fits code page 1252 or 936 whole: any ANSI detour fails.
  const std::wstring folder = temp_.Join(L"Пользователь 用户");
  ASSERT_TRUE(CreateOneFolder(folder));
  temp_.WriteFile(L"Пользователь 用户\\эксперт.ex4", "ex4");
  const std::wstring file = folder + L"\\эксперт.ex4";
  EXPECT_TRUE(QueryAttributes(file).exists);
  EXPECT_FALSE(IsFileInUse(file));

  ASSERT_TRUE(CopyOneFile(file, folder + L"/копия.ex4", true));
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListEntries(folder, L"*.EX4", &entries));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_TRUE((entries[0].name == L"копия.ex4" && entries[1].name == L"эксперт.ex4") ||
              (entries[1].name == L"копия.ex4" && entries[0].name == L"эксперт.ex4"));

  ASSERT_TRUE(ProfileWrite(folder + L"\\clinst.cfg", L"MAIN", L"PATH", L"C:\\MT4"));
  EXPECT_EQ(ProfileRead(folder + L"\\clinst.cfg", L"MAIN", L"PATH"), L"C:\\MT4");
}

TEST_F(Win32FilesTest, ReadOnlyFilesAndFoldersAreNotRemovedAsFiles) {
  temp_.WriteFile(L"locked.ex4", "x");
  const std::wstring path = temp_.Join(L"locked.ex4");
  ASSERT_TRUE(SetReadOnly(path, true));
  EXPECT_TRUE(QueryAttributes(path).read_only);
  EXPECT_FALSE(RemoveOneFile(path));
  EXPECT_TRUE(QueryAttributes(path).exists);
  ASSERT_TRUE(SetReadOnly(path, false));
  EXPECT_TRUE(RemoveOneFile(path));

  temp_.MakeFolder(L"experts");
  EXPECT_FALSE(RemoveOneFile(temp_.Join(L"experts")));
  EXPECT_TRUE(QueryAttributes(temp_.Join(L"experts")).is_folder);
}

TEST_F(Win32FilesTest, FolderTimesCanBeSetAndRead) {
  temp_.MakeFolder(L"profiles");
  const std::wstring folder = temp_.Join(L"profiles");
  const int64_t when = 129752856000000000;  // 2012-03-06 UTC, whole seconds
  ASSERT_TRUE(SetFileTimeOf(folder, TimeKind::kLastWrite, when));
  // Wine keeps no creation time of its own to set; only the call is checked.
  EXPECT_TRUE(SetFileTimeOf(folder, TimeKind::kCreation, when - 10000000));
  FileTimes times;
  ASSERT_TRUE(GetFileTimes(folder, &times));
  EXPECT_EQ(times.last_write, when);
  EXPECT_FALSE(SetFileTimeOf(temp_.Join(L"missing"), TimeKind::kLastWrite, when));
  EXPECT_NE(OpenFile(folder, OpenMode::kWriteShareAll), nullptr);
  EXPECT_EQ(OpenFile(folder, OpenMode::kReadShareAll), nullptr);
}

TEST_F(Win32FilesTest, PatternsMatchTheLongNameOnly) {
  // Short names such as "SETTIN~1.EX4" must not let "*.ex4" match these.
  for (const wchar_t* name : {L"expert.ex4", L"expert.ex4.bak", L"settings.ex4x", L"a.ex"}) {
    temp_.WriteFile(name, "");
  }
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListEntries(temp_.path(), L"*.ex4", &entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, L"expert.ex4");
  ASSERT_TRUE(ListEntries(temp_.path(), L"*.ex?", &entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, L"expert.ex4");
}

TEST_F(Win32FilesTest, ListingTellsAMissingFolderFromNoMatch) {
  temp_.WriteFile(L"a.txt", "");
  std::vector<DirEntry> entries{DirEntry{L"stale"}};
  EXPECT_TRUE(ListEntries(temp_.path(), L"*.ex4", &entries));
  EXPECT_TRUE(entries.empty());
  EXPECT_FALSE(ListEntries(temp_.Join(L"missing"), L"*", &entries));
  EXPECT_TRUE(entries.empty());
}

// Recursive listings skip what leads elsewhere, not every reparse point: a
// OneDrive or deduplicated folder holds the user's own files.
TEST(Win32ReparseTest, OnlyLinksAndMountPointsLeadElsewhere) {
  const struct {
    DWORD tag;
    bool link;
  } tags[] = {{IO_REPARSE_TAG_SYMLINK, true},      {IO_REPARSE_TAG_MOUNT_POINT, true},
              {IO_REPARSE_TAG_DEDUP, false},       {IO_REPARSE_TAG_CLOUD_6, false},
              {IO_REPARSE_TAG_APPEXECLINK, false}, {0x9000001A /* cloud */, false}};
  for (const auto& t : tags) EXPECT_EQ(win32::IsLinkReparseTag(t.tag), t.link) << std::hex << t.tag;
}

}  // namespace
}  // namespace copyloom::platform
