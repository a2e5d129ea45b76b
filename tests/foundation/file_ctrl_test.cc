#include "foundation/file_ctrl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

#include "foundation/checksum.h"
#include "platform/platform.h"
#include "platform/testing.h"
#include "support/test_files.h"
#include "platform/walk_listing.h"
#include "support/temp_dir.h"

namespace copyloom {
namespace {

namespace pf = platform;
namespace hook = platform::testing;
using test::TempDir;

class FileCtrlTest : public ::testing::Test {
 protected:
  TextList Sorted(TextList list) {
    std::sort(list.begin(), list.end());
    return list;
  }
  TempDir dir_;
  CFileCtrl files_;
};

TEST_F(FileCtrlTest, ExistenceTellsFilesFromFolders) {
  dir_.WriteFile(L"a.txt", "x");
  dir_.MakeFolder(L"sub");
  EXPECT_TRUE(files_.FileExists(dir_.Join(L"a.txt")));
  EXPECT_FALSE(files_.FolderExists(dir_.Join(L"a.txt")));
  EXPECT_TRUE(files_.FolderExists(dir_.Join(L"sub")));
  EXPECT_TRUE(files_.FolderExists(dir_.Join(L"sub\\")));
  EXPECT_FALSE(files_.FileExists(dir_.Join(L"sub")));
  EXPECT_FALSE(files_.FileExists(dir_.Join(L"missing")));
  EXPECT_FALSE(files_.FolderExists(dir_.Join(L"missing")));
}

TEST_F(FileCtrlTest, ReadWholeFileReturnsEveryByte) {
  const std::string bytes("a\0b\r\n\xff", 6);
  dir_.WriteFile(L"bin", bytes);
  EXPECT_EQ(files_.ReadWholeFile(dir_.Join(L"bin")), bytes);
  EXPECT_EQ(files_.ReadWholeFile(dir_.Join(L"missing")), "");
  hook::FailNthCall(hook::Op::kOpenRead, 1);
  EXPECT_EQ(files_.ReadWholeFile(dir_.Join(L"bin")), "");
}

TEST_F(FileCtrlTest, WriteTextFileReplacesOrAppends) {
  const std::wstring path = dir_.Join(L"t.txt");
  EXPECT_FALSE(files_.WriteTextFile(L"", L"x", true));
  EXPECT_TRUE(files_.WriteTextFile(path, L"first", true));
  EXPECT_TRUE(files_.WriteTextFile(path, L"+more", false));
  EXPECT_EQ(dir_.ReadFile(L"t.txt"), "first+more");
  EXPECT_TRUE(files_.WriteTextFile(path, L"new", true));
  EXPECT_EQ(dir_.ReadFile(L"t.txt"), "new");
  EXPECT_TRUE(files_.WriteTextFile(path, L"", true));
  EXPECT_EQ(dir_.ReadFile(L"t.txt"), "");
}

TEST_F(FileCtrlTest, WriteTextFileStopsBeforeTheFirstUnmappableCharacter) {
  hook::SetAnsiCodePage(1252);
  dir_.WriteFile(L"t.txt", "old content");
  EXPECT_TRUE(files_.WriteTextFile(dir_.Join(L"t.txt"), L"ab\u4e2dcd", true));
  EXPECT_EQ(dir_.ReadFile(L"t.txt"), "ab");
  EXPECT_TRUE(files_.WriteTextFile(dir_.Join(L"e.txt"), L"caf\u00e9", true));
  EXPECT_EQ(dir_.ReadFile(L"e.txt"), "caf\xe9");
  hook::SetAnsiCodePage(936);
  EXPECT_TRUE(files_.WriteTextFile(dir_.Join(L"c.txt"), L"\u4e2d\u6587", true));
  EXPECT_EQ(dir_.ReadFile(L"c.txt"), "\xd6\xd0\xce\xc4");
}

TEST_F(FileCtrlTest, WriteTextFileFailsWhenItCannotOpen) {
  dir_.MakeFolder(L"sub");
  EXPECT_FALSE(files_.WriteTextFile(dir_.Join(L"sub"), L"x", true));
  EXPECT_FALSE(files_.WriteTextFile(dir_.Join(L"missing\\t.txt"), L"x", true));
  hook::FailNthCall(hook::Op::kOpenWrite, 1);
  EXPECT_FALSE(files_.WriteTextFile(dir_.Join(L"t.txt"), L"x", true));
}

TEST_F(FileCtrlTest, AppendTextLineSeparatesLinesWithoutATrailingBreak) {
  const std::wstring path = dir_.Join(L"log.txt");
  EXPECT_TRUE(files_.AppendTextLine(path, L"one"));
  EXPECT_EQ(dir_.ReadFile(L"log.txt"), "one");
  EXPECT_TRUE(files_.AppendTextLine(path, L"two"));
  EXPECT_TRUE(files_.AppendTextLine(path, L"three"));
  EXPECT_EQ(dir_.ReadFile(L"log.txt"), "one\r\ntwo\r\nthree");
}

TEST_F(FileCtrlTest, CopyFileToKeepsAnExistingDestinationWithoutOverwrite) {
  dir_.WriteFile(L"src.txt", "new");
  dir_.WriteFile(L"dst.txt", "old");
  EXPECT_TRUE(files_.CopyFileTo(dir_.Join(L"src.txt"), dir_.Join(L"dst.txt"), false));
  EXPECT_EQ(dir_.ReadFile(L"dst.txt"), "old");
  EXPECT_TRUE(files_.CopyFileTo(dir_.Join(L"src.txt"), dir_.Join(L"dst.txt"), true));
  EXPECT_EQ(dir_.ReadFile(L"dst.txt"), "new");
}

TEST_F(FileCtrlTest, CopyFileToCreatesTheFolderChain) {
  dir_.WriteFile(L"src.txt", "payload");
  EXPECT_TRUE(files_.CopyFileTo(dir_.Join(L"src.txt"), dir_.Join(L"a\\b\\c\\dst.txt"), false));
  EXPECT_EQ(dir_.ReadFile(L"a\\b\\c\\dst.txt"), "payload");
}

TEST_F(FileCtrlTest, CopyFileToFailsForAMissingOrUnreadableSource) {
  EXPECT_FALSE(files_.CopyFileTo(dir_.Join(L"missing"), dir_.Join(L"x\\dst.txt"), true));
  EXPECT_TRUE(files_.FolderExists(dir_.Join(L"x")));
  EXPECT_FALSE(files_.FileExists(dir_.Join(L"x\\dst.txt")));
  dir_.WriteFile(L"src.txt", "payload");
  hook::FailNthCall(hook::Op::kCopy, 1);
  EXPECT_FALSE(files_.CopyFileTo(dir_.Join(L"src.txt"), dir_.Join(L"dst.txt"), true));
}

TEST_F(FileCtrlTest, GetFileLength) {
  dir_.WriteFile(L"five", "12345");
  dir_.WriteFile(L"empty", "");
  EXPECT_EQ(files_.GetFileLength(dir_.Join(L"five")), 5);
  EXPECT_EQ(files_.GetFileLength(dir_.Join(L"empty")), 0);
  EXPECT_EQ(files_.GetFileLength(dir_.Join(L"missing")), -1);
}

TEST_F(FileCtrlTest, GetFileLengthReportsSizesPastFourGigabytes) {
  // Sparse: takes no room on the disk.
  const uint64_t size = (5ull << 30) + 1;
  {
    auto file = pf::OpenFile(dir_.Join(L"big"), pf::OpenMode::kWriteTruncate);
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->Seek(size - 1));
    ASSERT_TRUE(file->Write("x", 1));
  }
  EXPECT_EQ(files_.GetFileLength(dir_.Join(L"big")), static_cast<double>(size));
}

TEST_F(FileCtrlTest, CreateFolderTree) {
  EXPECT_TRUE(files_.CreateFolderTree(dir_.Join(L"a\\b\\c\\")));
  EXPECT_TRUE(files_.FolderExists(dir_.Join(L"a\\b\\c")));
  EXPECT_TRUE(files_.CreateFolderTree(dir_.Join(L"a\\b")));
  EXPECT_TRUE(files_.CreateFolderTree(dir_.Join(L"a/b/d")));
  EXPECT_TRUE(files_.FolderExists(dir_.Join(L"a\\b\\d")));
  // Something that exists counts, even when it is a file.
  dir_.WriteFile(L"file", "x");
  EXPECT_TRUE(files_.CreateFolderTree(dir_.Join(L"file")));
  EXPECT_FALSE(files_.CreateFolderTree(dir_.Join(L"file\\below")));
  EXPECT_FALSE(files_.CreateFolderTree(L"copyloom-relative-name"));
  EXPECT_FALSE(files_.FolderExists(L"copyloom-relative-name"));
  EXPECT_FALSE(files_.CreateFolderTree(L""));
  hook::FailNthCall(hook::Op::kCreateFolder, 2);
  EXPECT_FALSE(files_.CreateFolderTree(dir_.Join(L"p\\q\\r")));
  EXPECT_TRUE(files_.FolderExists(dir_.Join(L"p")));
  EXPECT_FALSE(files_.FolderExists(dir_.Join(L"p\\q")));
}

TEST_F(FileCtrlTest, DeleteFileIfPresent) {
  EXPECT_TRUE(files_.DeleteFileIfPresent(dir_.Join(L"missing")));
  dir_.MakeFolder(L"sub");
  EXPECT_TRUE(files_.DeleteFileIfPresent(dir_.Join(L"sub")));
  EXPECT_TRUE(files_.FolderExists(dir_.Join(L"sub")));
  dir_.WriteFile(L"f", "x");
  EXPECT_TRUE(files_.DeleteFileIfPresent(dir_.Join(L"f")));
  EXPECT_FALSE(files_.FileExists(dir_.Join(L"f")));
  // A read-only file is not made writable first, so it stays.
  dir_.WriteFile(L"ro", "x");
  ASSERT_TRUE(pf::SetReadOnly(dir_.Join(L"ro"), true));
  EXPECT_FALSE(files_.DeleteFileIfPresent(dir_.Join(L"ro")));
  EXPECT_TRUE(files_.FileExists(dir_.Join(L"ro")));
  pf::SetReadOnly(dir_.Join(L"ro"), false);
}

class ListFolderTest : public FileCtrlTest {
 protected:
  void SetUp() override {
    dir_.WriteFile(L"x\\a.ex4", "1");
    dir_.WriteFile(L"x\\b.txt", "2");
    dir_.WriteFile(L"x\\sub.ex4\\c.ex4", "3");
    dir_.WriteFile(L"x\\sub\\d.ex4", "4");
    dir_.WriteFile(L"x\\sub\\deeper\\e.EX4", "5");
    root_ = dir_.Join(L"x");
  }
  TextList List(const std::wstring& path, bool want_files, bool recursive,
                const std::wstring& pattern = L"") {
    TextList list = {L"stale"};
    files_.ListFolder(path, &list, want_files, recursive, pattern);
    return Sorted(list);
  }
  std::wstring root_;
};

TEST_F(ListFolderTest, FilesAndFoldersOfOneLevel) {
  EXPECT_EQ(List(root_, true, false), Sorted({root_ + L"\\a.ex4", root_ + L"\\b.txt"}));
  EXPECT_EQ(List(root_ + L"\\", false, false), Sorted({root_ + L"\\sub", root_ + L"\\sub.ex4"}));
}

TEST_F(ListFolderTest, PatternInThePath) {
  EXPECT_EQ(List(root_ + L"\\*.ex4", true, false), TextList{root_ + L"\\a.ex4"});
  EXPECT_EQ(List(root_ + L"\\*.ex4", false, false), TextList{root_ + L"\\sub.ex4"});
  // An explicit pattern wins over the one in the path.
  EXPECT_EQ(List(root_ + L"\\*.ex4", true, false, L"*.txt"), TextList{root_ + L"\\b.txt"});
}

TEST_F(ListFolderTest, RecursionEntersOnlyFoldersMatchingThePattern) {
  EXPECT_EQ(List(root_, true, true, L"*.ex4"),
            Sorted({root_ + L"\\a.ex4", root_ + L"\\sub.ex4\\c.ex4"}));
  EXPECT_EQ(List(root_, true, true),
            Sorted({root_ + L"\\a.ex4", root_ + L"\\b.txt", root_ + L"\\sub.ex4\\c.ex4",
                    root_ + L"\\sub\\d.ex4", root_ + L"\\sub\\deeper\\e.EX4"}));
  EXPECT_EQ(List(root_, false, true),
            Sorted({root_ + L"\\sub", root_ + L"\\sub.ex4", root_ + L"\\sub\\deeper"}));
}

TEST_F(ListFolderTest, MissingPathGivesAnEmptyList) {
  EXPECT_EQ(List(dir_.Join(L"missing"), true, true), TextList{});
  EXPECT_EQ(List(L"", true, true), TextList{});
  hook::FailNthCall(hook::Op::kList, 1);
  EXPECT_EQ(List(root_, true, true), TextList{});
}

TEST_F(ListFolderTest, AFolderThatCannotBeListedLeavesTheRestListed) {
  // Listed in order: x, sub, sub\deeper, sub.ex4; the second fails.
  hook::FailNthCall(hook::Op::kList, 2);
  TextList list;
  EXPECT_FALSE(files_.ListFolder(root_, &list, true, true));
  EXPECT_EQ(list, (TextList{root_ + L"\\a.ex4", root_ + L"\\b.txt", root_ + L"\\sub.ex4\\c.ex4"}));
  EXPECT_TRUE(files_.ListFolder(root_, &list, false, true));
  EXPECT_EQ(list, (TextList{root_ + L"\\sub", root_ + L"\\sub\\deeper", root_ + L"\\sub.ex4"}));
}

// The walk over listings by path stands in for the walk by handle where
// files are not native (the tests' store in memory): both must agree.
TEST_F(ListFolderTest, BothWalksMeetTheSameEntriesInTheSameOrder) {
  dir_.WriteFile(L"x\\sub\\skipped\\g.ex4", "7");
  for (const wchar_t* pattern : {L"*", L"*.ex4"}) {
    std::vector<std::wstring> met[2];
    for (int i = 0; i < 2; ++i) {
      auto visit = [&](const std::wstring& below, const pf::DirEntry& entry) {
        met[i].push_back(below + (entry.is_folder ? L"\\" : L""));
        return entry.name != L"skipped";
      };
      EXPECT_TRUE(i == 0 ? pf::WalkFolder(root_ + L"\\", pattern, visit)
                         : pf::WalkByListing(root_ + L"\\", pattern, visit));
    }
    EXPECT_EQ(met[0], met[1]) << pattern;
    EXPECT_EQ(met[0].size(), std::wstring(pattern) == L"*" ? 9u : 3u) << pattern;
  }
}

TEST_F(ListFolderTest, DeepTreeListsEachFolderOnceAndMapsNoPathAgain) {
#ifdef _WIN32
  constexpr int kDepth = 40;  // a Win32 path stops at MAX_PATH
#else
  constexpr int kDepth = 1500;
#endif
  std::wstring chain;
  for (int i = 0; i < kDepth; ++i) chain += L"d\\";
  dir_.WriteFile(L"x\\sub\\" + chain + L"f.ex4", "6");
  const int listings = hook::FolderListings();
  const int64_t components = hook::PathComponentsMapped();
  TextList list;
  EXPECT_TRUE(files_.ListFolder(root_, &list, true, true, L""));
  EXPECT_EQ(list.size(), 6u);
  // Depth first: the chain's file comes before sub's own d.ex4.
  EXPECT_EQ(list[2], root_ + L"\\sub\\" + chain + L"f.ex4");
  EXPECT_EQ(hook::FolderListings() - listings, kDepth + 4);
  // Mapping each folder's whole path would take kDepth^2 / 2.
  EXPECT_LT(hook::PathComponentsMapped() - components, 4 * kDepth);
}

TEST_F(FileCtrlTest, DriveRootsAreListedAndBuiltOn) {
  dir_.WriteFile(L"drive\\sub\\f.txt", "x");
  dir_.WriteFile(L"drive\\top.txt", "x");
  hook::SetDriveTable(std::map<wchar_t, std::wstring>{{L'Q', dir_.Join(L"drive")}});
  TextList list;
  files_.ListFolder(L"Q:\\", &list, false, false);
  EXPECT_EQ(list, TextList{L"Q:\\sub"});
  files_.ListFolder(L"Q:\\", &list, true, true);
  EXPECT_EQ(Sorted(list), Sorted({L"Q:\\sub\\f.txt", L"Q:\\top.txt"}));
  EXPECT_TRUE(files_.CreateFolderTree(L"Q:\\new\\deeper\\"));
  EXPECT_TRUE(files_.FolderExists(dir_.Join(L"drive\\new\\deeper")));
  // A drive that does not exist ends the chain of parents.
  EXPECT_FALSE(files_.CreateFolderTree(L"R:\\new\\deeper"));
}

TEST_F(FileCtrlTest, IsFileInUseOfPlainFiles) {
  EXPECT_FALSE(files_.IsFileInUse(dir_.Join(L"missing")));
  dir_.WriteFile(L"f", "x");
  EXPECT_FALSE(files_.IsFileInUse(dir_.Join(L"f")));
}

TEST_F(FileCtrlTest, FileTimeTextRoundTrips) {
  dir_.WriteFile(L"f", "x");
  const std::wstring path = dir_.Join(L"f");
  EXPECT_TRUE(files_.SetFileTimeText(path, L"2012-3-6 9:5:0"));
  EXPECT_EQ(files_.GetFileTimeText(path), L"2012-3-6 9:5:0");
  EXPECT_TRUE(files_.SetFileTimeText(path, L"2019/12/31 23:59:58", CFileCtrl::kLastWrite));
  EXPECT_EQ(files_.GetFileTimeText(path, CFileCtrl::kLastWrite), L"2019-12-31 23:59:58");
  EXPECT_TRUE(files_.SetFileTimeText(path, L"2016-02-29 07:08:09", CFileCtrl::kLastAccess));
  EXPECT_EQ(files_.GetFileTimeText(path, CFileCtrl::kLastAccess), L"2016-2-29 7:8:9");
  EXPECT_EQ(files_.GetFileTimeText(path), L"2019-12-31 23:59:58");
  // Any other kind means the last write.
  EXPECT_EQ(files_.GetFileTimeText(path, 7), L"2019-12-31 23:59:58");
}

TEST_F(FileCtrlTest, FileTimeTextOfFoldersAndMissingPaths) {
  dir_.MakeFolder(L"sub");
  EXPECT_TRUE(files_.SetFileTimeText(dir_.Join(L"sub"), L"2010-1-2 3:4:5"));
  EXPECT_EQ(files_.GetFileTimeText(dir_.Join(L"sub")), L"2010-1-2 3:4:5");
  EXPECT_EQ(files_.GetFileTimeText(dir_.Join(L"missing")), L"");
  EXPECT_FALSE(files_.SetFileTimeText(dir_.Join(L"missing"), L"2010-1-2 3:4:5"));
}

TEST_F(FileCtrlTest, SetFileTimeTextRejectsWhatDoesNotParse) {
  dir_.WriteFile(L"f", "x");
  const std::wstring path = dir_.Join(L"f");
  ASSERT_TRUE(files_.SetFileTimeText(path, L"2012-3-6 9:5:0"));
  for (const wchar_t* bad :
       {L"", L"abc", L"2012-13-1 0:0:0", L"2013-2-29 1:1:1", L"2012-3-6 24:0:0", L"2012-3-6 9:60:0",
        L"2012-3/6 9:5:0", L"2012-3-6 9:5:0 x", L"2012-3-69:5:0", L"99999999999-1-1 0:0:0"}) {
    EXPECT_FALSE(files_.SetFileTimeText(path, bad)) << bad;
  }
  EXPECT_EQ(files_.GetFileTimeText(path), L"2012-3-6 9:5:0");
  // A date alone is midnight; the seconds may be left out.
  EXPECT_TRUE(files_.SetFileTimeText(path, L" 2011-4-5 "));
  EXPECT_EQ(files_.GetFileTimeText(path), L"2011-4-5 0:0:0");
  EXPECT_TRUE(files_.SetFileTimeText(path, L"2011-4-5 6:7"));
  EXPECT_EQ(files_.GetFileTimeText(path), L"2011-4-5 6:7:0");
}

TEST_F(FileCtrlTest, SetFileTimeTextOnAReadOnlyFileKeepsItReadOnly) {
  dir_.WriteFile(L"ro", "x");
  const std::wstring path = dir_.Join(L"ro");
  ASSERT_TRUE(pf::SetReadOnly(path, true));
  EXPECT_TRUE(files_.SetFileTimeText(path, L"2014-7-8 10:11:12"));
  EXPECT_EQ(files_.GetFileTimeText(path), L"2014-7-8 10:11:12");
  EXPECT_TRUE(pf::QueryAttributes(path).read_only);
  pf::SetReadOnly(path, false);
}

TEST_F(FileCtrlTest, BrowseForFolderGoesThroughTheInstalledPicker) {
  EXPECT_EQ(files_.BrowseForFolder(L"Pick", L"C:\\"), L"");
  std::wstring seen_title, seen_initial;
  std::wstring answer = L"D:\\MT4";
  CFileCtrl::SetFolderPicker([&](const std::wstring& title, const std::wstring& initial) {
    seen_title = title;
    seen_initial = initial;
    return answer;
  });
  EXPECT_EQ(files_.BrowseForFolder(L"", L"C:\\x\\"), L"D:\\MT4\\");
  EXPECT_EQ(seen_title, L"Select Folder");
  EXPECT_EQ(seen_initial, L"C:\\x\\");
  answer = L"E:\\";
  EXPECT_EQ(files_.BrowseForFolder(L"Where", L""), L"E:\\");
  EXPECT_EQ(seen_title, L"Where");
  answer = L"";
  EXPECT_EQ(files_.BrowseForFolder(L"Where", L""), L"");
  CFileCtrl::SetFolderPicker(nullptr);
}

TEST(JoinVersionTextsTest, CleansAndJoinsTranslations) {
  EXPECT_EQ(JoinVersionTexts({}), L"");
  EXPECT_EQ(JoinVersionTexts({L"1, 0, 0, 5"}), L"1.0.0.5");
  EXPECT_EQ(JoinVersionTexts({L"1, 0, 0, 5", L" 2,1 "}), L"1.0.0.5;2.1");
  EXPECT_EQ(JoinVersionTexts({L"", L"3.0"}), L"3.0");
}

TEST_F(FileCtrlTest, VersionTextsOfFilesWithoutAResource) {
  dir_.WriteFile(L"plain.dll", "not a program");
  EXPECT_EQ(files_.GetFileVersionText(dir_.Join(L"plain.dll")), L"");
  EXPECT_EQ(files_.GetFileVersionText(dir_.Join(L"missing.dll")), L"");
  hook::SetProgramPath(dir_.Join(L"setup.exe"));
  EXPECT_EQ(files_.FindFileVersionText(L""), L"");
  EXPECT_EQ(files_.FindFileVersionText(L"nothing-like-this"), L"");
  EXPECT_EQ(files_.FindFileVersionText(L"PLAIN.dll"), L"");
}

TEST_F(FileCtrlTest, GetFileDigest) {
  dir_.WriteFile(L"abc", "abc");
  dir_.WriteFile(L"empty", "");
  dir_.MakeFolder(L"sub");
  EXPECT_EQ(files_.GetFileDigest(dir_.Join(L"abc")), L"900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(files_.GetFileDigest(dir_.Join(L"empty")), L"");
  EXPECT_EQ(files_.GetFileDigest(dir_.Join(L"sub")), L"");
  EXPECT_EQ(files_.GetFileDigest(dir_.Join(L"missing")), L"");
}

TEST_F(FileCtrlTest, GetFileDigestOfAFileThatCannotBeReadIsEmpty) {
  dir_.WriteFile(L"held", "abc");
  hook::FailNthCall(hook::Op::kOpenRead, 1);
  EXPECT_EQ(files_.GetFileDigest(dir_.Join(L"held")), L"");
  EXPECT_EQ(files_.GetFileDigest(dir_.Join(L"held")), L"900150983cd24fb0d6963f7d28e17f72");
}

TEST_F(FileCtrlTest, GetFileDigestAcrossReadChunks) {
  // 3 MB + 7: several read chunks and a short tail.
  std::string bytes((3 << 20) + 7, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 131) >> 3);
  dir_.WriteFile(L"big", bytes);
  EXPECT_EQ(files_.GetFileDigest(dir_.Join(L"big")), CChecksum::HexOf(bytes.data(), bytes.size()));
}

}  // namespace
}  // namespace copyloom
