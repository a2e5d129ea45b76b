#include "foundation/path_util.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/testing.h"

namespace copyloom {
namespace {

namespace hook = platform::testing;

TEST(SplitTextTest, Table) {
  struct Row {
    std::wstring text;
    std::wstring separator;
    bool drop_empty;
    TextList pieces;
  } rows[] = {
      {L"a||b|", L"|", true, {L"a", L"b"}},
      {L"a||b|", L"|", false, {L"a", L"", L"b", L""}},
      {L"", L"|", true, {}},
      {L"", L"|", false, {}},
      {L"abc", L"|", false, {L"abc"}},
      {L"|a", L"|", false, {L"", L"a"}},
      {L"|", L"|", false, {L"", L""}},
      {L"|", L"|", true, {}},
      {L"x.ex4*y.dll**", L"*", true, {L"x.ex4", L"y.dll"}},
      {L"a<>b<><>c", L"<>", false, {L"a", L"b", L"", L"c"}},
      {L"Ab", L"a", false, {L"Ab"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    TextList list = {L"stale"};
    EXPECT_EQ(SplitText(row.text, row.separator, &list, row.drop_empty),
              static_cast<int>(row.pieces.size()));
    EXPECT_EQ(list, row.pieces);
  }
}

TEST(ReplaceAllTest, EveryNonOverlappingOccurrenceCaseSensitive) {
  std::wstring text = L"aaaa";
  EXPECT_EQ(ReplaceAll(&text, L"aa", L"b"), 2);
  EXPECT_EQ(text, L"bb");
  text = L"Abab";
  EXPECT_EQ(ReplaceAll(&text, L"ab", L"abab"), 1);
  EXPECT_EQ(text, L"Ababab");
  EXPECT_EQ(ReplaceAll(&text, L"", L"x"), 0);
  EXPECT_EQ(text, L"Ababab");
  EXPECT_EQ(FillPlaceholder(L"{0} and {0}, not {1}", L"MT4"), L"MT4 and MT4, not {1}");
}

TEST(TrimTest, WholeRunsAtTheEnds) {
  EXPECT_EQ(TrimWhite(L" \t a b \r\n"), L"a b");
  EXPECT_EQ(TrimWhite(L"   "), L"");
  EXPECT_EQ(TrimRightChars(L"C:\\x\\\\//", L"\\/"), L"C:\\x");
  EXPECT_EQ(TrimLeftChars(L"//x/", L"/"), L"x/");
  EXPECT_EQ(TrimChars(L"\r\n\r\n", L"\r\n"), L"");
}

TEST(CaseTest, LatinGreekCyrillicBothWays) {
  EXPECT_EQ(ToLower(L"C:\\Program Files\\ÄÖÜ ŁĘ ΣΩ ДЖЁ"), L"c:\\program files\\äöü łę σω джё");
  EXPECT_EQ(ToUpper(L"config\\äöü łę σω джё"), L"CONFIG\\ÄÖÜ ŁĘ ΣΩ ДЖЁ");
  EXPECT_EQ(ToLower(L"中文×÷"), L"中文×÷");
}

TEST(GetPathFileNameTest, Table) {
  struct Row {
    std::wstring path;
    bool keep_extension;
    std::wstring name;
  } rows[] = {
      {L"C:\\x\\setup.exe", false, L"setup"},
      {L"C:\\x\\setup.exe", true, L"setup.exe"},
      {L"C:\\x\\dir\\", true, L"dir"},
      {L"C:/x/dir//", true, L"dir"},
      {L"C:\\x/y\\z/name.tar.gz", false, L"z/name.tar"},  // the last "\" wins over "/"
      {L"C:\\a/b", true, L"a/b"},
      {L"plain", false, L"plain"},
      {L"", true, L""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(GetPathFileName(row.path, row.keep_extension), row.name);
  }
  EXPECT_EQ(GetPathFileName(L"C:\\x\\a.b"), L"a.b");
}

TEST(GetPathExtensionTest, Table) {
  struct Row {
    std::wstring path;
    bool with_dot;
    std::wstring extension;
  } rows[] = {
      {L"C:\\x\\File.EX4", false, L"ex4"},
      {L"C:\\x\\File.EX4", true, L".ex4"},
      {L".ex4", true, L""},
      {L"C:\\a.b\\file", false, L"b\\file"},
      {L"C:\\a\\file", false, L""},
      {L"a.", true, L"."},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.path);
    EXPECT_EQ(GetPathExtension(row.path, row.with_dot), row.extension);
  }
}

TEST(GetPathFolderTest, Table) {
  const std::pair<std::wstring, std::wstring> rows[] = {
      {L"file.txt", L""},
      {L"C:/a/b", L"C:/a/"},
      {L"C:\\a\\b\\", L"C:\\a\\"},
      {L"C:\\a\\b", L"C:\\a\\"},
      {L"C:", L""},
      {L"C:\\", L""},
      {L"C:\\a/b", L"C:\\"},
      {L"/home/me/x", L"/home/me/"},
      {L"", L""},
  };
  for (const auto& [path, folder] : rows) {
    SCOPED_TRACE(path);
    EXPECT_EQ(GetPathFolder(path), folder);
  }
}

TEST(NormalizeTest, FileAndUrlPaths) {
  EXPECT_EQ(NormalizeFilePath(L"  C:/a//b\\\\c "), L"C:\\a\\b\\c");
  EXPECT_EQ(NormalizeFilePath(L"\\\\\\\\server\\x"), L"\\server\\x");
  EXPECT_EQ(NormalizeUrlPath(L" scheme:\\\\host\\a\\ "), L"scheme://host/a");
  EXPECT_EQ(NormalizeUrlPath(L"https:////copyloom.example//help//"),
            L"https://copyloom.example/help");
  EXPECT_EQ(NormalizeUrlPath(L"//a//b/"), L"a/b");
}

// Paths and names that others wrote (saved lists, registry values, kit
// file names) are used only when Windows could have written them.
TEST(WindowsPathTest, DriveAndSharePathsOnlyWithDotsResolved) {
  const std::pair<const wchar_t*, const wchar_t*> paths[] = {
      {L"C:\\MT4", L"C:\\MT4"},
      {L"c:/a/./b/../MT4/", L"c:\\a\\MT4\\"},
      {L"C:\\MT4\\..\\..\\..\\victim", L"C:\\victim"},
      {L"C:\\", L"C:\\"},
      {L"\\\\srv\\share\\..\\..\\x", L"\\\\srv\\share\\x"},
      {L"/home/x/victim", L""},
      {L"//home/x/victim", L""},
      {L"\\MT4", L""},
      {L"MT4", L""},
      {L"C:MT4", L""},
      {L"\\\\?\\C:\\x", L""},
      {L"\\\\.\\pipe\\x", L""},
      {L"\\\\srv", L""},
  };
  for (const auto& [path, expected] : paths) {
    SCOPED_TRACE(path);
    EXPECT_EQ(WindowsPathOrEmpty(path), expected);
  }
  for (const wchar_t* name : {L"MT4 A", L"a.b", L"喊单系统", L"..a"}) {
    EXPECT_TRUE(IsWindowsFileName(name)) << name;
  }
  for (const wchar_t* name : {L"", L".", L"..", L"..\\..\\x", L"a/b", L"a:b", L"a*b", L"a?",
                              L"a\"b", L"<a", L"a>", L"a|b", L"a\tb"}) {
    EXPECT_FALSE(IsWindowsFileName(name)) << name;
  }
}

TEST(CommandLineTest, ArgumentsAfterTheProgram) {
  const std::pair<std::wstring, std::wstring> rows[] = {
      {L"C:\\x\\setup.exe en", L"en"}, {L"\"C:\\My Tools\\setup.exe\" en  x", L"en  x"},
      {L"C:\\x\\setup.exe", L""},      {L"\"C:\\x\\setup.exe\"", L""},
      {L"C:\\x\\SETUP.EXE en", L""},   {L"C:\\a.exe b.exe c", L"b.exe c"},
  };
  for (const auto& [line, args] : rows) {
    SCOPED_TRACE(line);
    hook::SetCommandLine(line);
    EXPECT_EQ(GetCommandLineArgs(), args);
  }
}

TEST(PlatformFoldersTest, ProgramFolderAndFallbacks) {
  hook::SetProgramPath(L"C:\\Tools\\Copier\\setup.exe");
  EXPECT_EQ(GetProgramPath(), L"C:\\Tools\\Copier\\setup.exe");
  EXPECT_EQ(GetProgramFolder(), L"C:\\Tools\\Copier\\");

  SetProgramPathOverride(L"/srv/kit/setup.exe");
  EXPECT_EQ(GetProgramFolder(), L"/srv/kit/");
  SetProgramPathOverride(L"");
  EXPECT_EQ(GetProgramPath(), L"C:\\Tools\\Copier\\setup.exe");

  hook::SetWindowsFolder(L"D:\\Win");
  EXPECT_EQ(GetWindowsFolder(), L"D:\\Win\\");
  hook::SetWindowsFolder(L"D:\\Win\\");
  EXPECT_EQ(GetWindowsFolder(), L"D:\\Win\\");
  hook::SetWindowsFolder(L"D:");
  EXPECT_EQ(GetWindowsFolder(), L"C:\\");
  hook::SetWindowsFolder(L"");
  EXPECT_EQ(GetWindowsFolder(), L"C:\\");

  hook::SetTempFolder(L"/tmp/");
  EXPECT_EQ(GetTempFolder(), L"/tmp/");
  hook::SetTempFolder(L"X");
  EXPECT_EQ(GetTempFolder(), L"C:\\");
}

TEST(MakeFolderTagTest, Table) {
  const std::pair<std::wstring, std::wstring> rows[] = {
      {L"D:\\Trade Tools\\My-Copier_1\\", L"dtradetoolsmycopier1"},
      {L"C:\\Users\\Public\\Documents\\Copier Tools\\", L"documentscopiertools"},
      {L"C:\\ProgramFiles\\MetaTrader4\\", L"cPFMF"},
      {L"C:\\Program_Files\\MetaTrader\\Solutions\\Australia\\", L"cPFM4SLAU"},
      {L"/home/me/metatrader 4/", L"homemeMF"},
      {L"e:\\x", L"ex"},
  };
  for (const auto& [folder, tag] : rows) {
    SCOPED_TRACE(folder);
    const std::wstring got = MakeFolderTag(folder);
    EXPECT_EQ(got, tag);
    EXPECT_LE(got.size(), 20u);
    EXPECT_EQ(got.find_first_of(L"\\/: -_"), std::wstring::npos);
  }
}

TEST(MakeFolderTagTest, EmptyFolderMeansTheProgramFolder) {
  hook::SetProgramPath(L"C:\\Tools\\Copier\\Setup Provider.exe");
  EXPECT_EQ(MakeFolderTag(L""), L"ctoolscopier");
}

}  // namespace
}  // namespace copyloom
