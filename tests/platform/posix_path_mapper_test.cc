#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/posix/path_mapper.h"
#include "platform/testing.h"
#include "support/temp_dir.h"

namespace copyloom::platform::posix {
namespace {

class PathMapperTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = WideToNative(dir_.path());
    root_.pop_back();  // no trailing "/"
    dir_.MakeFolder(L"c\\Program Files (x86)\\MetaTrader 4\\experts");
    dir_.MakeFolder(L"c\\users\\Me");
    dir_.MakeFolder(L"d");
    testing::SetDriveTable(
        std::map<wchar_t, std::wstring>{{L'C', dir_.Join(L"c")}, {L'd', dir_.Join(L"d")}});
  }

  std::string Map(const std::wstring& path) {
    std::string native;
    return MapPath(path, &native) ? native : "<refused>";
  }

  test::TempDir dir_;
  std::string root_;
};

// A cause names the file the trader can ls and chmod.
TEST_F(PathMapperTest, ACausesPathIsTheHostFile) {
  EXPECT_EQ(WideToNative(HostPath(L"c:\\program files (x86)\\MetaTrader 4\\a.ex4")),
            root_ + "/c/Program Files (x86)/MetaTrader 4/a.ex4");
  EXPECT_EQ(HostPath(L"/home/me/mt4/a.ex4"), L"/home/me/mt4/a.ex4");
}

TEST_F(PathMapperTest, MapsWindowsAndNativePaths) {
  struct Case {
    const wchar_t* path;
    std::string expected;  // "@" stands for the temp folder
  };
  const Case cases[] = {
      {L"C:\\", "@/c"},
      {L"c:", "@/c"},
      {L"C:\\Program Files (x86)\\MetaTrader 4", "@/c/Program Files (x86)/MetaTrader 4"},
      // Mixed separators, doubled separators, a trailing one kept.
      {L"C:/Program Files (x86)\\\\MetaTrader 4/", "@/c/Program Files (x86)/MetaTrader 4/"},
      // Components matched ignoring case where the exact case is missing.
      {L"c:\\PROGRAM FILES (X86)\\metatrader 4\\EXPERTS",
       "@/c/Program Files (x86)/MetaTrader 4/experts"},
      // From the first missing component on, the text is kept as given.
      {L"C:\\USERS\\me\\New Folder\\File.TXT", "@/c/users/Me/New Folder/File.TXT"},
      // "." and ".." by text, never above the drive.
      {L"C:\\users\\.\\Me\\..\\..\\..\\..\\users", "@/c/users"},
      {L"D:\\..\\x", "@/d/x"},
      {L"D:\\a\\..\\..\\b\\.", "@/d/b"},
  };
  for (const auto& c : cases) {
    std::string expected = c.expected;
    expected.replace(0, 1, root_);
    EXPECT_EQ(Map(c.path), expected) << WideToNative(c.path);
  }
}

TEST_F(PathMapperTest, NativePathsStayNative) {
  EXPECT_EQ(Map(L"/"), "/");
  EXPECT_EQ(Map(L"/usr/bin"), "/usr/bin");
  EXPECT_EQ(Map(L"/tmp/../usr"), "/usr");
  EXPECT_EQ(Map(L"\\usr\\bin"), "/usr/bin");  // a rooted path: the native root
  EXPECT_EQ(Map(L"//usr//bin"), "/usr/bin");
  // Native file systems distinguish case; an existing exact name wins.
  EXPECT_EQ(Map(dir_.Join(L"C\\USERS")), root_ + "/c/users");
}

TEST_F(PathMapperTest, RefusesWhatItCannotMap) {
  EXPECT_EQ(Map(L""), "<refused>");
  EXPECT_EQ(Map(L"E:\\x"), "<refused>");  // no such drive
  EXPECT_EQ(Map(L"\\\\server\\share\\x"), "<refused>");
  EXPECT_EQ(Map(L"\\\\?\\C:\\x"), "<refused>");
  EXPECT_EQ(Map(L"\\\\.\\pipe\\x"), "<refused>");
  EXPECT_EQ(Map(L"/\\server\\x"), "<refused>");
  EXPECT_FALSE(QueryAttributes(L"\\\\server\\share").exists);
}

TEST_F(PathMapperTest, RelativePathsStartAtTheCurrentFolder) {
  char saved[4096];
  ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
  ASSERT_EQ(chdir(root_.c_str()), 0);
  EXPECT_EQ(Map(L"C\\USERS\\me"), "c/users/Me");
  EXPECT_EQ(Map(L"..\\x"), "../x");
  EXPECT_EQ(Map(L"."), ".");
  EXPECT_TRUE(QueryAttributes(L"c\\Users").is_folder);
  ASSERT_EQ(chdir(saved), 0);
}

TEST_F(PathMapperTest, AnExactMatchWinsOverOneThatOnlyIgnoresCase) {
  // Made natively: through the mapper the second name would find the first.
  ASSERT_EQ(mkdir((root_ + "/d/Data").c_str(), 0777), 0);
  ASSERT_EQ(mkdir((root_ + "/d/data").c_str(), 0777), 0);
  EXPECT_EQ(Map(L"D:\\data"), root_ + "/d/data");
  EXPECT_EQ(Map(L"D:\\Data"), root_ + "/d/Data");
  // Neither exact: the first in case-insensitive order, every time.
  EXPECT_EQ(Map(L"D:\\DATA"), root_ + "/d/Data");
}

TEST(NativeNamesTest, BytesThatAreNotUtf8SurviveARoundTrip) {
  const std::string samples[] = {"plain",       "caf\xC3\xA9",       "bad\xFF\xFE",
                                 "cut\xE4\xB8", "\xC0\xAF overlong", "\xED\xA0\x80 surrogate"};
  for (const auto& bytes : samples) EXPECT_EQ(WideToNative(NativeToWide(bytes)), bytes);
  EXPECT_EQ(NativeToWide("caf\xC3\xA9"), L"café");
  EXPECT_EQ(WideToNative(L"中"), "\xE4\xB8\xAD");

  // Such a file can be listed and opened again by the name the listing gave.
  test::TempDir dir;
  const std::string native = WideToNative(dir.path()) + "latin1-\xE9.txt";
  FILE* f = fopen(native.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  fputs("x", f);
  fclose(f);
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListEntries(dir.path(), L"latin1-*", &entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_TRUE(QueryAttributes(dir.path() + entries[0].name).exists);
  EXPECT_TRUE(RemoveOneFile(dir.path() + entries[0].name));
}

TEST(LinksTest, LinksAreReportedAndNotDeletedThrough) {
  test::TempDir dir;
  dir.MakeFolder(L"target");
  dir.WriteFile(L"target\\keep.txt", "x");
  const std::string base = WideToNative(dir.path());
  ASSERT_EQ(symlink((base + "target").c_str(), (base + "link").c_str()), 0);
  ASSERT_EQ(symlink((base + "nowhere").c_str(), (base + "dangling").c_str()), 0);

  auto link = QueryAttributes(dir.Join(L"link"));
  EXPECT_TRUE(link.exists && link.is_link && link.is_folder);
  auto dangling = QueryAttributes(dir.Join(L"dangling"));
  EXPECT_TRUE(dangling.exists && dangling.is_link && !dangling.is_folder);
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListEntries(dir.path(), L"*", &entries));
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[1].name, L"link");
  EXPECT_TRUE(entries[1].is_link && entries[1].is_folder);

  // Removing the link removes the link, never what it points at.
  EXPECT_TRUE(RemoveEmptyFolder(dir.Join(L"link")));
  EXPECT_EQ(dir.ReadFile(L"target\\keep.txt"), "x");
}

}  // namespace
}  // namespace copyloom::platform::posix
