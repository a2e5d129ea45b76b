// Process and system facts on Windows, and the hooks that replace them.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "platform/testing.h"
#include "platform/wildcard.h"

namespace copyloom::platform {
namespace {

bool EndsWithIgnoreCase(const std::wstring& text, const std::wstring& tail) {
  return text.size() >= tail.size() &&
         EqualsIgnoreCase(std::wstring_view(text).substr(text.size() - tail.size()), tail);
}

TEST(Win32SystemTest, FoldersAndProgramFacts) {
  EXPECT_TRUE(EndsWithIgnoreCase(ProgramPath(), L"\\copyloom_tests.exe")) << ProgramPath();
  EXPECT_NE(CommandLine().find(L"copyloom_tests"), std::wstring::npos);

  const std::wstring windows = WindowsFolder();
  ASSERT_FALSE(windows.empty());
  EXPECT_TRUE(QueryAttributes(windows).is_folder);
  EXPECT_TRUE(EndsWithIgnoreCase(SystemFolder(), windows + L"\\system32"));
  const std::wstring temp = TempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), L'\\');
  EXPECT_TRUE(QueryAttributes(temp).is_folder);
  EXPECT_EQ(FallbackSpecialFolder(SpecialFolder::kAppData), L"C:\\Windows\\");
}

TEST(Win32SystemTest, HooksReplaceTheRealAnswers) {
  testing::SetProgramPath(L"C:\\Copyloom\\Signal Provider Setup.exe");
  testing::SetCommandLine(L"\"setup.exe\" en");
  testing::SetTickCount(42u);
  testing::SetWindowsFolder(L"D:\\Win\\");
  testing::SetTempFolder(L"D:\\Tmp\\");
  EXPECT_EQ(ProgramPath(), L"C:\\Copyloom\\Signal Provider Setup.exe");
  EXPECT_EQ(CommandLine(), L"\"setup.exe\" en");
  EXPECT_EQ(TickCount(), 42u);
  EXPECT_EQ(WindowsFolder(), L"D:\\Win\\");
  EXPECT_EQ(SystemFolder(), L"D:\\Win\\system32");
  EXPECT_EQ(FallbackSpecialFolder(SpecialFolder::kPersonal), L"D:\\Win\\");
  EXPECT_EQ(TempFolder(), L"D:\\Tmp\\");
}

}  // namespace
}  // namespace copyloom::platform
