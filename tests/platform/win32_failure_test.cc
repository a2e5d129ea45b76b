// The Windows build's one translation of error codes, and the causes it
// gives for a real read-only file and a real held one (under Wine too).
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "support/temp_dir.h"

namespace copyloom::platform {
namespace {

TEST(Win32FailureTest, ErrorCodesMapToTheirKinds) {
  const struct {
    DWORD code;
    FailureKind kind;
  } kCases[] = {
      {ERROR_DISK_FULL, FailureKind::kNoSpace},
      {ERROR_HANDLE_DISK_FULL, FailureKind::kNoSpace},
      {ERROR_ACCESS_DENIED, FailureKind::kNoPermission},
      {ERROR_WRITE_PROTECT, FailureKind::kReadOnlyFileSystem},
      {ERROR_SHARING_VIOLATION, FailureKind::kHeld},
      {ERROR_LOCK_VIOLATION, FailureKind::kHeld},
      {ERROR_FILE_NOT_FOUND, FailureKind::kMissing},
      {ERROR_FILENAME_EXCED_RANGE, FailureKind::kPathTooLong},
      {ERROR_INVALID_NAME, FailureKind::kNameNotAllowed},
      {ERROR_GEN_FAILURE, FailureKind::kOther},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(KindOfSystemError(c.code), c.kind);
    // The system's own words, without the line break FormatMessageW ends on.
    const std::wstring text = SystemErrorText(c.code);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text.find(L'\n'), std::wstring::npos);
  }
}

TEST(Win32FailureTest, ARealReadOnlyOrHeldFileGivesItsKind) {
  test::TempDir dir;
  const std::wstring file = dir.Join(L"terminal.ini");
  dir.WriteFile(L"terminal.ini", "old");
  ASSERT_TRUE(SetReadOnly(file, true));
  const Status read_only = WriteWholeFile(file, "new");
  EXPECT_EQ(read_only.kind(), FailureKind::kNoPermission);
  EXPECT_EQ(read_only.path(), file);
  ASSERT_TRUE(SetReadOnly(file, false));

  HANDLE holder = ::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  const Status held = RemoveOneFile(file);
  ::CloseHandle(holder);
  EXPECT_EQ(held.kind(), FailureKind::kHeld);
  EXPECT_EQ(held.path(), file);
  // Windows paths stay, under Wine too: the window speaks of them.
  EXPECT_EQ(HostPath(file), file);
}

}  // namespace
}  // namespace copyloom::platform
