#include "foundation/ini_file.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/file_ctrl.h"
#include "foundation/path_util.h"
#include "platform/platform.h"
#include "platform/testing.h"
#include "support/temp_dir.h"

namespace copyloom {
namespace {

namespace pf = platform;
namespace hook = platform::testing;
using test::TempDir;

class IniFileTest : public ::testing::Test {
 protected:
  void TearDown() override {
    CIniFile::SetFallbackTimeText(L"");
    CConfig::SetProductId(L"");
  }
  TempDir dir_;
  CFileCtrl files_;
};

TEST_F(IniFileTest, ReadingAMissingFileGivesEmptyAndCreatesNothing) {
  CIniFile ini;
  const std::wstring path = dir_.Join(L"clinst.cfg");
  EXPECT_TRUE(ini.AttachFile(path));
  EXPECT_EQ(ini.GetValue(L"MAIN", L"PATH"), L"");
  EXPECT_FALSE(files_.FileExists(path));
}

TEST_F(IniFileTest, UnboundObjectNeitherReadsNorWrites) {
  CIniFile ini;
  EXPECT_EQ(ini.GetValue(L"MAIN", L"PATH"), L"");
  EXPECT_FALSE(ini.SetValue(L"MAIN", L"PATH", L"x"));
}

TEST_F(IniFileTest, WritingKeepsTheLastWriteTime) {
  dir_.WriteFile(L"clinst.cfg", "[MAIN]\r\nW=800\r\n");
  const std::wstring path = dir_.Join(L"clinst.cfg");
  ASSERT_TRUE(files_.SetFileTimeText(path, L"2015-1-2 3:4:5"));
  CIniFile ini;
  ASSERT_TRUE(ini.AttachFile(path));
  EXPECT_TRUE(ini.SetValue(L"MAIN", L"H", L"600"));
  EXPECT_TRUE(ini.SetValue(L"MAIN", L"W", L"1024"));
  EXPECT_EQ(ini.GetValue(L"main", L"w"), L"1024");
  EXPECT_EQ(ini.GetValue(L"MAIN", L"H"), L"600");
  EXPECT_EQ(files_.GetFileTimeText(path), L"2015-1-2 3:4:5");
}

TEST_F(IniFileTest, NewFileGetsTheWindowsFolderCreationTime) {
  dir_.MakeFolder(L"windows");
  hook::SetWindowsFolder(dir_.Join(L"windows"));
  const std::wstring expected = files_.GetFileTimeText(GetWindowsFolder(), CFileCtrl::kCreation);
  ASSERT_FALSE(expected.empty());
  CIniFile ini;
  const std::wstring path = dir_.Join(L"new.cfg");
  ASSERT_TRUE(ini.AttachFile(path));
  EXPECT_TRUE(ini.SetValue(L"MAIN", L"PATH", L"C:\\MT4"));
  EXPECT_EQ(dir_.ReadFile(L"new.cfg").rfind("[MAIN]\r\nPATH=C:\\MT4", 0), 0u);
  EXPECT_EQ(files_.GetFileTimeText(path), expected);
}

TEST_F(IniFileTest, LongValuesReadBackWhole) {
  CIniFile ini;
  ASSERT_TRUE(ini.AttachFile(dir_.Join(L"long.cfg")));
  for (size_t length : {5199u, 5200u, 6000u, 200000u}) {
    std::wstring value;
    for (size_t i = 0; i < length; ++i) value += static_cast<wchar_t>(L'a' + i % 26);
    ASSERT_TRUE(ini.SetValue(L"MAIN", L"PATH", value));
    EXPECT_EQ(ini.GetValue(L"MAIN", L"PATH"), value) << length;
  }
}

TEST_F(IniFileTest, AttachFileRefusesAFolderAndUnlocksAReadOnlyFile) {
  dir_.MakeFolder(L"folder.cfg");
  CIniFile ini;
  EXPECT_FALSE(ini.AttachFile(dir_.Join(L"folder.cfg")));
  EXPECT_EQ(ini.path(), dir_.Join(L"folder.cfg"));
  EXPECT_FALSE(ini.SetValue(L"MAIN", L"PATH", L"x"));

  dir_.WriteFile(L"ro.cfg", "[MAIN]\r\nPATH=old\r\n");
  const std::wstring path = dir_.Join(L"ro.cfg");
  ASSERT_TRUE(pf::SetReadOnly(path, true));
  EXPECT_TRUE(ini.AttachFile(path));
  EXPECT_FALSE(pf::QueryAttributes(path).read_only);
  EXPECT_TRUE(ini.SetValue(L"MAIN", L"PATH", L"new"));
  EXPECT_EQ(ini.GetValue(L"MAIN", L"PATH"), L"new");
  EXPECT_FALSE(pf::QueryAttributes(path).read_only);
}

TEST_F(IniFileTest, ConfigPutsUpperCaseKeysIntoMain) {
  CConfig config;
  const std::wstring path = dir_.Join(L"clinst.cfg");
  config.SetConfigFile(path);
  EXPECT_EQ(config.config_path(), path);
  config.SetConfigValue(L"Path", L"C:\\A|D:\\B");
  config.SetConfigValue(L"LoadEaAuto", L"");
  EXPECT_NE(dir_.ReadFile(L"clinst.cfg").find("\r\nPATH=C:\\A|D:\\B\r\n"), std::string::npos);
  EXPECT_EQ(config.GetConfigValue(L"path"), L"C:\\A|D:\\B");
  EXPECT_EQ(config.GetConfigValue(L"LOADEAAUTO"), L"");
  EXPECT_EQ(config.GetConfigValue(L"W"), L"");
}

TEST_F(IniFileTest, ConfigWithoutAFileUsesTheProgramFolderAndProductId) {
  hook::SetProgramPath(dir_.Join(L"setup.exe"));
  CConfig::SetProductId(L"Copyloom");
  CConfig config;
  EXPECT_EQ(config.GetConfigValue(L"W"), L"");
  EXPECT_EQ(config.config_path(), GetProgramFolder() + L"Copyloom.cfg");
  config.SetConfigValue(L"W", L"640");
  EXPECT_EQ(dir_.ReadFile(L"Copyloom.cfg"), "[MAIN]\r\nW=640\r\n");
}

TEST_F(IniFileTest, FallbackTimeWhenNoFolderTimeCanBeRead) {
  hook::SetWindowsFolder(dir_.Join(L"missing-windows"));
  if (!files_.GetFileTimeText(GetSystemFolder(), CFileCtrl::kCreation).empty() ||
      !files_.GetFileTimeText(GetSystemFolder(), CFileCtrl::kLastWrite).empty()) {
    GTEST_SKIP() << "the system folder has times here";
  }
  CIniFile::SetFallbackTimeText(L"2009-9-9 9:9:9");
  CIniFile ini;
  ASSERT_TRUE(ini.AttachFile(dir_.Join(L"new.cfg")));
  EXPECT_TRUE(ini.SetValue(L"MAIN", L"W", L"1"));
  EXPECT_EQ(files_.GetFileTimeText(dir_.Join(L"new.cfg")), L"2009-9-9 9:9:9");
}

}  // namespace
}  // namespace copyloom
