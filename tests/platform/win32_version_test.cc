// Version resources read through the version library.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/temp_dir.h"

namespace copyloom::platform {
namespace {

TEST(Win32VersionTest, SystemDllHasTheVersionOfItsFixedInfo) {
  const std::wstring dll = SystemFolder() + L"\\kernel32.dll";
  std::vector<std::wstring> versions;
  ASSERT_TRUE(ReadFileVersions(dll, &versions));
  ASSERT_FALSE(versions.empty());
  ASSERT_FALSE(versions[0].empty());

  // The string table's version starts with the major number of the fixed
  // binary version.
  DWORD ignored = 0;
  std::vector<BYTE> block(::GetFileVersionInfoSizeW(dll.c_str(), &ignored));
  ASSERT_FALSE(block.empty());
  ASSERT_TRUE(
      ::GetFileVersionInfoW(dll.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
  EXPECT_EQ(versions[0].rfind(std::to_wstring(HIWORD(fixed->dwFileVersionMS)), 0), 0u)
      << versions[0];
}

TEST(Win32VersionTest, FilesWithoutAResourceHaveNoVersion) {
  test::TempDir temp;
  temp.WriteFile(L"plain.dll", "not a program");
  std::vector<std::wstring> versions{L"stale"};
  EXPECT_FALSE(ReadFileVersions(temp.Join(L"plain.dll"), &versions));
  EXPECT_TRUE(versions.empty());
  EXPECT_FALSE(ReadFileVersions(temp.Join(L"missing.dll"), &versions));
  // The test program itself carries no version resource.
  EXPECT_FALSE(ReadFileVersions(ProgramPath(), &versions));
}

}  // namespace
}  // namespace copyloom::platform
