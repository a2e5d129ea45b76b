// The profile functions' fixed buffers must never cut a value.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "support/temp_dir.h"

namespace copyloom::platform {
namespace {

TEST(Win32ProfileTest, ValuesAroundEveryBufferSizeReadWhole) {
  test::TempDir temp;
  const std::wstring file = temp.Join(L"clinst.cfg");
  // The reader starts at 4096 characters and grows by four: probe both
  // edges of the first two steps and a value far beyond them.
  for (size_t length : {4093u, 4094u, 4095u, 4096u, 4097u, 16383u, 16384u, 200000u}) {
    std::wstring value(length, L'a');
    value.back() = L'z';
    ASSERT_TRUE(ProfileWrite(file, L"MAIN", L"PATH", value)) << length;
    EXPECT_EQ(ProfileRead(file, L"MAIN", L"PATH"), value) << length;
  }
}

TEST(Win32ProfileTest, BareFileNameMeansTheCurrentFolder) {
  // The profile functions alone would put it in the Windows folder.
  test::TempDir temp;
  wchar_t saved[MAX_PATH];
  ASSERT_GT(::GetCurrentDirectoryW(MAX_PATH, saved), 0u);
  ASSERT_TRUE(::SetCurrentDirectoryW(temp.path().c_str()));
  const bool written = ProfileWrite(L"bare.cfg", L"MAIN", L"W", L"640").ok();
  const std::wstring read = ProfileRead(L"bare.cfg", L"MAIN", L"W");
  ::SetCurrentDirectoryW(saved);
  EXPECT_TRUE(written);
  EXPECT_EQ(read, L"640");
  EXPECT_TRUE(QueryAttributes(temp.Join(L"bare.cfg")).exists);
  EXPECT_FALSE(QueryAttributes(WindowsFolder() + L"\\bare.cfg").exists);
}

}  // namespace
}  // namespace copyloom::platform
