// What the POSIX profile writer adds to the Windows behaviour: atomic
// replacement, links and permissions kept, other encodings kept.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/posix/path_mapper.h"
#include "platform/testing.h"
#include "support/temp_dir.h"

namespace copyloom::platform {
namespace {

class PosixProfileTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::SetAnsiCodePage(1252); }
  std::string Native(const std::wstring& relative) const {
    return posix::WideToNative(dir_.Join(relative));
  }
  std::vector<DirEntry> List() const {
    std::vector<DirEntry> entries;
    ListEntries(dir_.path(), L"*", &entries);
    return entries;
  }

  test::TempDir dir_;
};

TEST_F(PosixProfileTest, TheFileIsReplacedNotRewrittenInPlace) {
  dir_.WriteFile(L"clinst.cfg", "[MAIN]\r\nPATH=old\r\n");
  // A second name for the old file keeps the old bytes: the new file is a
  // new inode renamed over the name, so a crash midway loses nothing.
  ASSERT_EQ(link(Native(L"clinst.cfg").c_str(), Native(L"before.cfg").c_str()), 0);
  ASSERT_TRUE(ProfileWrite(dir_.Join(L"clinst.cfg"), L"MAIN", L"PATH", L"new"));
  EXPECT_EQ(dir_.ReadFile(L"clinst.cfg"), "[MAIN]\r\nPATH=new\r\n");
  EXPECT_EQ(dir_.ReadFile(L"before.cfg"), "[MAIN]\r\nPATH=old\r\n");
  EXPECT_EQ(List().size(), 2u);  // no temporary left behind
}

TEST_F(PosixProfileTest, AnUnchangedValueLeavesTheFileAlone) {
  dir_.WriteFile(L"a.ini", "[MAIN]\r\nPATH = same \r\n");
  struct stat before, after;
  ASSERT_EQ(stat(Native(L"a.ini").c_str(), &before), 0);
  ASSERT_TRUE(ProfileWrite(dir_.Join(L"a.ini"), L"main", L"path", L"same"));
  ASSERT_EQ(stat(Native(L"a.ini").c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
  EXPECT_EQ(dir_.ReadFile(L"a.ini"), "[MAIN]\r\nPATH = same \r\n");
}

TEST_F(PosixProfileTest, ALinkIsReplacedNotWrittenThroughAndModesFollowTheRules) {
  dir_.WriteFile(L"real.ini", "[MAIN]\n");
  ASSERT_EQ(chmod(Native(L"real.ini").c_str(), 0640), 0);
  ASSERT_EQ(symlink(Native(L"real.ini").c_str(), Native(L"link.ini").c_str()), 0);
  const mode_t old_mask = umask(077);
  ASSERT_TRUE(ProfileWrite(dir_.Join(L"link.ini"), L"MAIN", L"A", L"1"));
  ASSERT_TRUE(ProfileWrite(dir_.Join(L"real.ini"), L"MAIN", L"B", L"2"));
  ASSERT_TRUE(ProfileWrite(dir_.Join(L"new.ini"), L"MAIN", L"C", L"3"));
  umask(old_mask);
  struct stat st;
  // The link itself was replaced, as MoveFileEx does: a new file under the
  // umask, its target untouched by that write.
  ASSERT_EQ(lstat(Native(L"link.ini").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // Unix line ends stay; the added line is CRLF like every line we write.
  EXPECT_EQ(dir_.ReadFile(L"link.ini"), "[MAIN]\nA=1\r\n");
  // A replaced file keeps its mode; a new one follows the umask.
  ASSERT_EQ(stat(Native(L"real.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(dir_.ReadFile(L"real.ini"), "[MAIN]\nB=2\r\n");
  ASSERT_EQ(stat(Native(L"new.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(PosixProfileTest, ReadOnlyFilesAndFoldersAreNotWritten) {
  dir_.WriteFile(L"ro.ini", "[MAIN]\r\nA=1\r\n");
  ASSERT_TRUE(SetReadOnly(dir_.Join(L"ro.ini"), true));
  EXPECT_FALSE(ProfileWrite(dir_.Join(L"ro.ini"), L"MAIN", L"A", L"2"));
  EXPECT_EQ(dir_.ReadFile(L"ro.ini"), "[MAIN]\r\nA=1\r\n");
  dir_.MakeFolder(L"folder.ini");
  EXPECT_FALSE(ProfileWrite(dir_.Join(L"folder.ini"), L"MAIN", L"A", L"2"));
  EXPECT_EQ(ProfileRead(dir_.Join(L"folder.ini"), L"MAIN", L"A"), L"");
  EXPECT_FALSE(ProfileWrite(dir_.Join(L"x.ini"), L"", L"A", L"2"));
  EXPECT_FALSE(ProfileWrite(dir_.Join(L"x.ini"), L"MAIN", L"  ", L"2"));
}

TEST_F(PosixProfileTest, LineBreaksInAValueCannotAddLines) {
  ASSERT_TRUE(ProfileWrite(dir_.Join(L"a.ini"), L"MAIN", L"PATH", L"C:\\a\r\n[EVIL]\r\nX=1"));
  EXPECT_EQ(dir_.ReadFile(L"a.ini"), "[MAIN]\r\nPATH=C:\\a  [EVIL]  X=1\r\n");
  EXPECT_EQ(ProfileRead(dir_.Join(L"a.ini"), L"EVIL", L"X"), L"");
}

TEST_F(PosixProfileTest, UnicodeFilesStayUnicode) {
  // UTF-16LE with a byte order mark: "[MAIN]\r\nA=中\r\n".
  std::string utf16 = "\xFF\xFE";
  for (wchar_t c : std::wstring(L"[MAIN]\r\nA=中\r\n")) {
    utf16.push_back(static_cast<char>(c & 0xFF));
    utf16.push_back(static_cast<char>(c >> 8));
  }
  dir_.WriteFile(L"u.ini", utf16);
  EXPECT_EQ(ProfileRead(dir_.Join(L"u.ini"), L"MAIN", L"A"), L"中");
  ASSERT_TRUE(ProfileWrite(dir_.Join(L"u.ini"), L"MAIN", L"B", L"文"));
  EXPECT_EQ(ProfileRead(dir_.Join(L"u.ini"), L"MAIN", L"B"), L"文");
  EXPECT_EQ(ProfileRead(dir_.Join(L"u.ini"), L"MAIN", L"A"), L"中");
  const std::string bytes = dir_.ReadFile(L"u.ini");
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(bytes.size() % 2, 0u);
  // Cut in the middle of a unit, after a last line without a break.
  dir_.WriteFile(L"odd.ini", std::string("\xFE\xFF\0[\0M\0A\0I\0N\0]", 14) + "\x22");
  ASSERT_TRUE(ProfileWrite(dir_.Join(L"odd.ini"), L"MAIN", L"B", L"1"));
  EXPECT_EQ(ProfileRead(dir_.Join(L"odd.ini"), L"MAIN", L"B"), L"1");

  dir_.WriteFile(L"u8.ini", "\xEF\xBB\xBF[MAIN]\r\nA=\xE4\xB8\xAD\r\n");
  EXPECT_EQ(ProfileRead(dir_.Join(L"u8.ini"), L"MAIN", L"A"), L"中");
}

TEST_F(PosixProfileTest, MultiByteCodePagesSplitOnlyAtLineFeeds) {
  testing::SetAnsiCodePage(936);
  // "表" is 0xB1 0xED and "]" can be a trail byte in GBK: "[表]" must still
  // read as the section "表"; "\x5D" inside a value is not a bracket.
  dir_.WriteFile(L"g.ini", "[\xB1\xED]\r\nK=\x81\x5D\r\n");
  EXPECT_EQ(ProfileRead(dir_.Join(L"g.ini"), L"表", L"K"), CodePageToWide(936, "\x81\x5D"));
  ASSERT_TRUE(ProfileWrite(dir_.Join(L"g.ini"), L"表", L"New", L"中文"));
  // Written as UTF-16LE, the lines read before kept.
  EXPECT_EQ(dir_.ReadFile(L"g.ini").substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(ProfileRead(dir_.Join(L"g.ini"), L"表", L"K"), CodePageToWide(936, "\x81\x5D"));
  EXPECT_EQ(ProfileRead(dir_.Join(L"g.ini"), L"表", L"New"), L"中文");
}

}  // namespace
}  // namespace copyloom::platform
