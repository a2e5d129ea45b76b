// A Wine prefix read from disk: drives from dosdevices, the registry from
// user.reg and system.reg, the Windows and temp folders inside it.
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/posix/path_mapper.h"
#include "platform/prefix.h"
#include "platform/registry_store.h"
#include "platform/testing.h"
#include "posix_test_env.h"
#include "support/temp_dir.h"

namespace copyloom::platform {
namespace {

class PrefixTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prefix_ = posix::WideToNative(dir_.path()) + "prefix";
    dir_.MakeFolder(L"prefix\\dosdevices");
    dir_.MakeFolder(L"prefix\\drive_c\\windows\\system32");
    dir_.MakeFolder(L"prefix\\drive_c\\users\\tester\\AppData\\Local\\Temp");
    dir_.MakeFolder(L"elsewhere\\Alpari MT4");
    Link("../drive_c", "c:");
    Link("/", "z:");
    Link(posix::WideToNative(dir_.path()) + "elsewhere", "d:");
    Link("/dev/sr0", "d::");  // raw device entries are not drives
    Link("/dev/ttyS0", "com1");
    env_.Set("WINEPREFIX", prefix_);
    env_.Set("USER", "tester");
  }

  void Link(const std::string& target, const std::string& name) {
    ASSERT_EQ(symlink(target.c_str(), (prefix_ + "/dosdevices/" + name).c_str()), 0);
  }

  test::TempDir dir_;
  test::ScopedEnv env_;
  std::string prefix_;
};

TEST_F(PrefixTest, DrivesComeFromDosdevices) {
  EXPECT_EQ(LogicalDriveStrings(), std::wstring(L"C:\\\0D:\\\0Z:\\\0", 12));
  EXPECT_EQ(DriveType(L"C:"), kDriveFixed);
  EXPECT_EQ(DriveType(L"z:\\"), kDriveFixed);
  EXPECT_EQ(DriveType(L"D:"), kDriveFixed);
  EXPECT_EQ(DriveType(L"E:"), 1);
  EXPECT_EQ(DriveType(L"C:\\x"), 1);

  EXPECT_TRUE(QueryAttributes(L"C:\\Windows\\System32").is_folder);
  EXPECT_TRUE(QueryAttributes(L"d:\\alpari mt4").is_folder);
  EXPECT_TRUE(QueryAttributes(L"Z:\\" + dir_.path().substr(1)).is_folder);

  // A drive added while running shows up.
  dir_.MakeFolder(L"usb");
  Link(posix::WideToNative(dir_.path()) + "usb", "f:");
  EXPECT_EQ(DriveType(L"F:"), kDriveFixed);

  // The test hook's table replaces dosdevices entirely.
  testing::SetDriveTable(std::map<wchar_t, std::wstring>{{L'M', dir_.Join(L"usb")}});
  EXPECT_EQ(LogicalDriveStrings(), std::wstring(L"M:\\\0", 4));
  EXPECT_EQ(DriveType(L"C:"), 1);
}

TEST_F(PrefixTest, NoPrefixMeansNoDrivesAndNoRegistry) {
  env_.Set("WINEPREFIX", posix::WideToNative(dir_.path()) + "not-a-prefix");
  EXPECT_EQ(LogicalDriveStrings(), L"");
  EXPECT_FALSE(QueryAttributes(L"C:\\").exists);
  EXPECT_EQ(OpenRegKey(RegRoot::kCurrentUser, L"Software", false), nullptr);
  EXPECT_EQ(WindowsFolder(), L"");
  EXPECT_EQ(SystemFolder(), L"");
}

TEST_F(PrefixTest, FoldersOfThePrefix) {
  EXPECT_EQ(WindowsFolder(), L"C:\\windows");
  EXPECT_EQ(SystemFolder(), L"C:\\windows\\system32");
  EXPECT_EQ(TempFolder(),
            posix::NativeToWide(prefix_) + L"/drive_c/users/tester/AppData/Local/Temp/");
  env_.Set("USER", "someone-else");
  env_.Set("TMPDIR", "/var/tmp");
  EXPECT_EQ(TempFolder(), L"/var/tmp/");
}

TEST_F(PrefixTest, RegistryComesFromTheRegFiles) {
  dir_.WriteFile(L"prefix\\user.reg",
                 "WINE REGISTRY Version 2\n"
                 ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n"
                 "#arch=win64\n"
                 "[Software\\\\MetaQuotes Software\\\\MetaTrader 4] 1796689883\n"
                 "#time=1dd86ab73d6d6dc\n"
                 "\"InstallPath\"=\"C:\\\\MT4\"\n");
  dir_.WriteFile(L"prefix\\system.reg",
                 "WINE REGISTRY Version 2\n"
                 "[System\\\\CurrentControlSet\\\\Control\\\\Nls\\\\Language] 1\n"
                 "\"InstallLanguage\"=\"0409\"\n");
  auto user =
      OpenRegKey(RegRoot::kCurrentUser, L"software\\metaquotes software\\metatrader 4", false);
  ASSERT_NE(user, nullptr);
  std::wstring data;
  EXPECT_TRUE(user->QueryValue(L"InstallPath", &data));
  EXPECT_EQ(data, L"C:\\MT4");
  auto machine = OpenRegKey(RegRoot::kLocalMachine,
                            L"SYSTEM\\CurrentControlSet\\Control\\Nls\\Language", false);
  ASSERT_NE(machine, nullptr);
  EXPECT_TRUE(machine->QueryValue(L"InstallLanguage", &data));
  EXPECT_EQ(data, L"0409");
  EXPECT_EQ(OpenRegKey(RegRoot::kLocalMachine, L"Software\\MetaQuotes Software", false), nullptr);

  // A store installed by a test wins over the prefix.
  testing::SetRegistry(std::make_shared<RegistryStore>());
  EXPECT_EQ(OpenRegKey(RegRoot::kCurrentUser, L"Software\\MetaQuotes Software", false), nullptr);
}

// One process, several prefixes: each value sees its own drives, registry
// and code page, whichever ran before it, and a scope gives the one before
// back when it ends.
TEST_F(PrefixTest, EachPrefixValueSeesOnlyItsOwn) {
  const std::string other = posix::WideToNative(dir_.path()) + "other";
  dir_.MakeFolder(L"other\\dosdevices");
  dir_.MakeFolder(L"other\\drive_c\\only here");
  ASSERT_EQ(symlink("../drive_c", (other + "/dosdevices/c:").c_str()), 0);
  auto code_page = [&](const std::wstring& folder, const char* acp) {
    dir_.WriteFile(folder + L"\\system.reg",
                   std::string("WINE REGISTRY Version 2\n[System\\\\CurrentControlSet\\\\Control"
                               "\\\\Nls\\\\CodePage] 1\n\"ACP\"=\"") + acp + "\"\n");
  };
  code_page(L"prefix", "936");
  code_page(L"other", "1251");
  const WinePrefix mine(posix::NativeToWide(prefix_), L"tester");
  const WinePrefix theirs(posix::NativeToWide(other), L"tester");
  struct Case {
    const WinePrefix* prefix;
    std::wstring drives;
    unsigned code_page;
    bool only_here;
  };
  const std::wstring c_only(L"C:\\\0", 4), all_drives(L"C:\\\0D:\\\0Z:\\\0", 12);
  for (const Case& c : {Case{&theirs, c_only, 1251, true}, Case{&mine, all_drives, 936, false},
                        Case{&theirs, c_only, 1251, true}}) {
    SCOPED_TRACE(c.code_page);
    const PrefixScope scope(*c.prefix);
    EXPECT_EQ(CurrentPrefix().root(), c.prefix->root());
    EXPECT_EQ(LogicalDriveStrings(), c.drives);
    EXPECT_EQ(AnsiCodePage(), c.code_page);
    EXPECT_EQ(QueryAttributes(L"C:\\only here").exists, c.only_here);
  }
  {
    const PrefixScope outer(theirs);
    {
      const PrefixScope inner(mine);
      EXPECT_EQ(AnsiCodePage(), 936u);
    }
    EXPECT_EQ(AnsiCodePage(), 1251u);
  }
  // Outside any scope: the environment's.
  EXPECT_EQ(CurrentPrefix().root(), posix::NativeToWide(prefix_));
  EXPECT_FALSE(QueryAttributes(L"C:\\only here").exists);
}

// Both builds stamp a new settings file with the Windows folder's creation
// time: Wine answers with the last-write time, and so must we.
TEST_F(PrefixTest, CreationTimeIsTheLastWriteTimeAsUnderWine) {
  const int64_t write_time = 129750000000000000LL;
  ASSERT_TRUE(SetFileTimeOf(L"C:\\windows", TimeKind::kLastWrite, write_time));
  FileTimes times;
  ASSERT_TRUE(GetFileTimes(L"C:\\windows", &times));
  EXPECT_EQ(times.creation, times.last_write);
  EXPECT_EQ(times.creation / 10000000, write_time / 10000000);
}

}  // namespace
}  // namespace copyloom::platform
