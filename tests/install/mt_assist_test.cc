#include "install/mt_assist.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/builtin_texts.h"
#include "app/process_objects.h"
#include "foundation/file_ctrl.h"
#include "install/running_terminal.h"
#include "install/transaction.h"
#include "platform/platform.h"
#include "platform/testing.h"
#include "support/test_files.h"
#include "support/folder_link.h"
#include "support/test_machine.h"

namespace copyloom {
namespace {

namespace pf = platform;
using pf::testing::FailNthCall;
using pf::testing::Op;

constexpr wchar_t kRoot[] = L"C:\\Setup\\Signal Provider\\";
constexpr wchar_t kTerm[] = L"C:\\MT4\\";
constexpr wchar_t kExpert[] = L"experts\\_Velmora Signal Provider.ex4";
constexpr wchar_t kIndicator[] = L"experts\\indicators\\Copyloom Monitor.ex4";
constexpr wchar_t kLibrary[] = L"experts\\libraries\\vlcpy.dll";
constexpr wchar_t kTemplate[] = L"templates\\Copyloom Provider.tpl";
constexpr wchar_t kIni[] = L"config\\experts.ini";
constexpr wchar_t kBackup[] = L"config\\experts.vlm";

// A compiled file as the packages carry it: marker and library version inside.
std::string Signed(const std::string& body) {
  return "EX4 " + body + " CopyloomSignedEA " + body + " 1.4.0.7 " + body;
}

std::string Patched(std::string ini, bool experts, bool libraries) {
  if (libraries) {
    ini[20] = '\x01';
    ini[24] = '\x00';
  }
  if (experts) ini[36] = '\x01';
  return ini;
}

// Bytes that every patch changes, so that a patch always shows.
std::string IniBytes(size_t size, char fill) { return std::string(size, fill); }

// An engine's set-up as a command makes it.
EngineSetup EngineWith(const std::wstring& experts, const std::wstring& libraries = L"*",
                  const std::wstring& marker = L"", const std::wstring& version = L"",
                  bool dry_run = false) {
  EngineSetup setup;
  setup.expert_pattern = experts;
  setup.library_pattern = libraries;
  setup.marker_text = marker;
  setup.library_version = version;
  setup.dry_run = dry_run;
  return setup;
}
// A Provider install's, with or without its marker checks.
EngineSetup ProviderSetup(bool checked = true) {
  return checked ? EngineWith(L"*Provider*.ex4", L"vlcpy*", L"CopyloomSignedEA", L"1.4.0.7")
                 : EngineWith(L"*Provider*.ex4", L"vlcpy*");
}

class MTAssistTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_.StartProduct();
    Rebuild(ProviderSetup());
    machine_.MakeTerminal(kTerm);
  }
  // A fresh engine, as each command makes its own.
  void Rebuild(EngineSetup setup) { engine_ = std::make_unique<CMTAssist>(std::move(setup)); }
  void TearDown() override { FailNthCall(Op::kCopy, 0); }

  void Package(const std::wstring& relative, const std::string& bytes) {
    machine_.WriteFile(kRoot + relative, bytes);
  }
  void Terminal(const std::wstring& relative, const std::string& bytes,
                const std::wstring& term = kTerm) {
    machine_.WriteFile(term + relative, bytes);
  }
  std::string InTerminal(const std::wstring& relative, const std::wstring& term = kTerm) {
    return machine_.ReadFile(term + relative);
  }
  bool HasInTerminal(const std::wstring& relative, const std::wstring& term = kTerm) {
    return machine_.Exists(term + relative);
  }

  void MakeProviderPackage() {
    Package(kTemplate, "<chart>\r\n</chart>\r\n");
    Package(kExpert, Signed("provider 2"));
    Package(L"experts\\Notes.txt", "not an expert");
    Package(kIndicator, Signed("monitor 2"));
    Package(kLibrary, "MZ library 1.4.0.7");
    Package(L"experts\\libraries\\other.dll", "MZ someone else's");
  }

  std::wstring Install(const std::wstring& term = kTerm) {
    return engine_->InstallToTerminal(kRoot, term);
  }

  std::wstring NativeTerminalExe(const std::wstring& folder = L"MT4") {
    return machine_.root().Join(L"drive_c\\" + folder + L"\\terminal.exe");
  }

  static int64_t LastWrite(const std::wstring& path) {
    pf::FileTimes times;
    pf::GetFileTimes(path, &times);
    return times.last_write;
  }

  test::TestMachine machine_;
  std::unique_ptr<CMTAssist> engine_;  // made after the machine: it reads its program path
};

TEST_F(MTAssistTest, FreshInstallCopiesThePlainFilesOfTheSixFoldersByPattern) {
  MakeProviderPackage();
  Package(L"profiles\\lastprofile.ini", "default");
  Package(L"profiles\\default\\order.wnd", "EURUSD,H1");  // sub-folders are not entered

  EXPECT_EQ(Install(), L"SUCC");
  EXPECT_TRUE(engine_->m_ErrorText.empty());
  EXPECT_EQ(InTerminal(kExpert), Signed("provider 2"));
  EXPECT_EQ(InTerminal(kIndicator), Signed("monitor 2"));
  EXPECT_EQ(InTerminal(kLibrary), "MZ library 1.4.0.7");
  EXPECT_TRUE(HasInTerminal(kTemplate));
  EXPECT_EQ(InTerminal(L"profiles\\lastprofile.ini"), "default");
  EXPECT_FALSE(HasInTerminal(L"profiles\\default"));
  EXPECT_FALSE(HasInTerminal(L"experts\\Notes.txt"));
  EXPECT_FALSE(HasInTerminal(L"experts\\libraries\\other.dll"));
  // New compiled files, but the terminal is closed: nothing to ask.
  EXPECT_TRUE(engine_->m_NeedRestart);
  EXPECT_FALSE(engine_->m_NeedReload);
}

TEST_F(MTAssistTest, JunkOfAnUnpackedKitNeverReachesATerminal) {
  MakeProviderPackage();
  Rebuild(EngineWith(L"*Provider*.ex4", L"*", L"CopyloomSignedEA", L"1.4.0.7"));
  for (const wchar_t* junk : {L"templates\\Thumbs.db", L"templates\\desktop.ini",
                              L"templates\\DESKTOP.INI", L"templates\\.DS_Store",
                              L"templates\\._Copyloom Provider.tpl", L"profiles\\~$notes.set",
                              L"experts\\indicators\\Thumbs.db", L"experts\\libraries\\._vlcpy.dll",
                              L"config\\desktop.ini"}) {
    Package(junk, "junk");
  }
  engine_->BeginBatch();
  EXPECT_EQ(Install(), L"SUCC");
  engine_->EndBatch();
  EXPECT_TRUE(HasInTerminal(kTemplate));
  for (const auto& [path, bytes] : machine_.Files(kTerm)) {
    EXPECT_NE(bytes, "junk") << path;
  }
  // Junk is left out without a word.
  EXPECT_TRUE(engine_->m_SkippedNames.empty());
}

#ifndef _WIN32
// Names a Linux unpacking keeps and Windows cannot hold (the Windows build
// cannot make them to begin with).
TEST_F(MTAssistTest, NamesWindowsCannotHoldAreSkippedAndNamed) {
  MakeProviderPackage();
  for (const wchar_t* odd : {L"templates\\trailing space.tpl ", L"templates\\trailing dot.",
                             L"templates\\CON", L"templates\\nul.tpl", L"templates\\Com7.tpl",
                             L"templates\\LPT1"}) {
    Package(odd, "odd");
  }
  engine_->BeginBatch();
  EXPECT_EQ(Install(), L"SUCC");
  engine_->EndBatch();
  for (const auto& [path, bytes] : machine_.Files(kTerm)) EXPECT_NE(bytes, "odd") << path;
  EXPECT_EQ(engine_->m_SkippedNames.size(), 6u);
}
#endif

TEST_F(MTAssistTest, SecondInstallRewritesNothingAndAsksNothing) {
  MakeProviderPackage();
  Terminal(L"terminal.exe", "MZ terminal");
  test::RunningTerminal running(NativeTerminalExe());
  ASSERT_TRUE(running.running());
  ASSERT_EQ(Install(), L"SUCC - {RERUN}");

  const std::wstring installed = std::wstring(kTerm) + kExpert;
  const int64_t sentinel = 131000000000000000;  // 2016: no copy would give this time
  ASSERT_TRUE(pf::SetFileTimeOf(installed, pf::TimeKind::kLastWrite, sentinel));
  FailNthCall(Op::kCopy, 1);  // any copy now fails the install

  EXPECT_EQ(Install(), L"SUCC");
  EXPECT_FALSE(engine_->m_NeedRestart);
  EXPECT_FALSE(engine_->m_NeedReload);
  EXPECT_EQ(LastWrite(installed), sentinel);
}

TEST_F(MTAssistTest, ReplacedCompiledFileWhileRunningAsksForAReload) {
  MakeProviderPackage();
  Terminal(kExpert, Signed("provider 1"));
  Terminal(L"terminal.exe", "MZ terminal");
  // Everything else already in place: only the expert changes.
  Terminal(kIndicator, Signed("monitor 2"));
  Terminal(kLibrary, "MZ library 1.4.0.7");
  Terminal(kTemplate, "<chart>\r\n</chart>\r\n");
  test::RunningTerminal running(NativeTerminalExe());
  ASSERT_TRUE(running.running());

  EXPECT_EQ(Install(), L"SUCC - {RELOAD}");
  EXPECT_EQ(InTerminal(kExpert), Signed("provider 2"));
  EXPECT_TRUE(engine_->m_NeedReload);
  EXPECT_FALSE(engine_->m_NeedRestart);
}

TEST_F(MTAssistTest, ReplacedIndicatorAloneAlsoAsksForAReload) {
  MakeProviderPackage();
  Terminal(kExpert, Signed("provider 2"));
  Terminal(kIndicator, Signed("monitor 1"));
  Terminal(L"terminal.exe", "MZ terminal");
  test::RunningTerminal running(NativeTerminalExe());
  ASSERT_TRUE(running.running());
  EXPECT_EQ(Install(), L"SUCC - {RELOAD}");
}

TEST_F(MTAssistTest, NewCompiledFileWinsOverAReplacedOneWhileRunning) {
  MakeProviderPackage();
  Terminal(kExpert, Signed("provider 1"));  // replaced; the indicator is new
  Terminal(L"terminal.exe", "MZ terminal");
  test::RunningTerminal running(NativeTerminalExe());
  ASSERT_TRUE(running.running());

  EXPECT_EQ(Install(), L"SUCC - {RERUN}");
  EXPECT_TRUE(engine_->m_NeedReload);
  EXPECT_TRUE(engine_->m_NeedRestart);
}

TEST_F(MTAssistTest, ClosedTerminalNeverAsksForReloadOrRestart) {
  MakeProviderPackage();
  Terminal(kExpert, Signed("provider 1"));
  Terminal(L"terminal.exe", "MZ terminal");  // present, not running
  // A program file that cannot be written is no sign of a running terminal.
  ASSERT_TRUE(pf::SetReadOnly(std::wstring(kTerm) + L"terminal.exe", true));
  Terminal(L"logs\\20261208.log", "yesterday");
  Terminal(L"logs\\20261209.log", "today");
  ASSERT_TRUE(pf::SetFileTimeOf(std::wstring(kTerm) + L"logs\\20261208.log",
                                pf::TimeKind::kLastWrite, 131000000000000000));
  EXPECT_EQ(Install(), L"SUCC");
  EXPECT_TRUE(engine_->m_NeedReload);
  EXPECT_TRUE(engine_->m_NeedRestart);

  // An older log held is an earlier run's; the newest one held is this one's.
  Terminal(kExpert, Signed("provider 1"));
  auto old_log = pf::OpenFile(std::wstring(kTerm) + L"logs\\20261208.log", pf::OpenMode::kWriteAppend);
  ASSERT_NE(old_log, nullptr);
  EXPECT_EQ(Install(), L"SUCC");
  old_log.reset();
  Terminal(kExpert, Signed("provider 1"));
  auto log = pf::OpenFile(std::wstring(kTerm) + L"logs\\20261209.log", pf::OpenMode::kWriteAppend);
  ASSERT_NE(log, nullptr);
  EXPECT_EQ(Install(), L"SUCC - {RELOAD}");
}

TEST_F(MTAssistTest, ChangedLibraryAloneAsksNothingOfARunningTerminal) {
  MakeProviderPackage();
  Terminal(kExpert, Signed("provider 2"));
  Terminal(kIndicator, Signed("monitor 2"));
  Terminal(kLibrary, "MZ library 1.4.0.6");
  Terminal(L"terminal.exe", "MZ terminal");
  test::RunningTerminal running(NativeTerminalExe());
  ASSERT_TRUE(running.running());
  EXPECT_EQ(Install(), L"SUCC");
  EXPECT_EQ(InTerminal(kLibrary), "MZ library 1.4.0.7");
}

TEST_F(MTAssistTest, ChangedExpertWithoutTheMarkerChangesNothing) {
  MakeProviderPackage();
  Package(kExpert, "EX4 unsigned 1.4.0.7");
  Terminal(kExpert, Signed("provider 1"));
  const std::string ini = IniBytes(300, 'i');
  Terminal(kIni, ini);

  EXPECT_EQ(Install(), L"Unknown Error");
  EXPECT_EQ(engine_->m_ErrorText, L"Unknown Error");
  EXPECT_EQ(InTerminal(kExpert), Signed("provider 1"));  // not copied
  EXPECT_FALSE(HasInTerminal(kTemplate));                // nor an earlier folder
  EXPECT_FALSE(HasInTerminal(kIndicator));
  EXPECT_FALSE(HasInTerminal(kLibrary));
  EXPECT_TRUE(engine_->m_NeedReload);  // noted before the check
  // No patch after an error.
  EXPECT_EQ(InTerminal(kIni), ini);
  EXPECT_FALSE(HasInTerminal(kBackup));
}

TEST_F(MTAssistTest, NewExpertWithoutTheLibraryVersionFails) {
  MakeProviderPackage();
  Package(kExpert, "EX4 CopyloomSignedEA 1.4.0.6");
  EXPECT_EQ(Install(), L"Unknown Error");
  EXPECT_FALSE(HasInTerminal(kExpert));
  EXPECT_TRUE(engine_->m_NeedRestart);
}

TEST_F(MTAssistTest, MarkerChecksApplyOnlyToChangedCompiledFilesAndOnlyWhenSet) {
  MakeProviderPackage();
  // Identical to the installed one: not checked.
  Package(kExpert, "EX4 unsigned");
  Terminal(kExpert, "EX4 unsigned");
  // Not compiled: never checked.
  Package(kTemplate, "no marker here");
  EXPECT_EQ(Install(), L"SUCC");

  // Any case of the extension is compiled.
  Package(L"experts\\Other Provider.EX4", "EX4 unsigned");
  EXPECT_EQ(Install(), L"Unknown Error");

  Rebuild(ProviderSetup(false));
  EXPECT_EQ(Install(), L"SUCC");
  EXPECT_EQ(InTerminal(L"experts\\Other Provider.EX4"), "EX4 unsigned");
}

TEST_F(MTAssistTest, CopyFailureMidwayLeavesTheTerminalAsItWas) {
  MakeProviderPackage();
  Package(L"templates\\a.tpl", "a");
  Package(L"templates\\b.tpl", "b");
  Package(L"templates\\c.tpl", "c");
  Package(kTemplate, "provider template");
  const std::string ini = IniBytes(300, 'i');
  Terminal(kIni, ini);

  // The second template the platform lists fails.
  TextList listed;
  CFileCtrl().ListFolder(std::wstring(kRoot) + L"templates", &listed, true, false);
  ASSERT_EQ(listed.size(), 4u);
  const size_t before_files = machine_.Files().size();
  FailNthCall(Op::kCopy, 2);
  const std::wstring expected = L"Please close all the MetaTrader Terminals,and then try again!#" +
                                GetPathFileName(listed[1]);
  EXPECT_EQ(Install(), expected);
  EXPECT_TRUE(engine_->m_RolledBack);
  EXPECT_TRUE(engine_->m_Changes.empty());
  // The template staged before it is gone again, and no staged file is left.
  EXPECT_FALSE(machine_.Exists(kTerm + std::wstring(L"templates")));
  for (size_t i = 0; i < listed.size(); ++i) {
    EXPECT_FALSE(machine_.Exists(kTerm + (L"templates\\" + GetPathFileName(listed[i]))));
  }
  EXPECT_FALSE(HasInTerminal(kExpert));
  EXPECT_FALSE(HasInTerminal(kLibrary));
  EXPECT_EQ(InTerminal(kIni), ini);
  EXPECT_FALSE(HasInTerminal(kBackup));

  EXPECT_EQ(machine_.Files().size(), before_files);
}

// On Windows the links are reparse points, as Wine makes them too.
TEST_F(MTAssistTest, LinksToFilesAreReplacedNeverWrittenThrough) {
  MakeProviderPackage();
  auto native = [&](const std::wstring& path) { return machine_.root().Join(L"drive_c\\" + path); };
  // Links inside the terminal to files of the trader outside it.
  machine_.WriteFile(L"C:\\outside\\bashrc", "trader's own");
  machine_.WriteFile(L"C:\\outside\\id_key", IniBytes(300, 'k'));
  if (!test::MakeFileLink(native(std::wstring(L"MT4\\") + kExpert), native(L"outside\\bashrc")) ||
      !test::MakeFileLink(native(std::wstring(L"MT4\\") + kIni), native(L"outside\\id_key"))) {
    GTEST_SKIP() << "this system makes no links to files";
  }

  // The in-place patch refuses a link: the row fails and changes nothing.
  EXPECT_EQ(Install(), GetMessageText(EngineMessage::kCopyFailed) + L"#experts.ini");
  EXPECT_FALSE(HasInTerminal(kBackup));
  EXPECT_FALSE(HasInTerminal(kTemplate));

  // A replacement replaces the link itself.
  ASSERT_TRUE(pf::RemoveOneFile(std::wstring(kTerm) + kIni));
  Terminal(kIni, IniBytes(300, 'i'));
  EXPECT_EQ(Install(), L"SUCC");
  EXPECT_FALSE(test::IsLink(native(std::wstring(L"MT4\\") + kExpert)));
  EXPECT_EQ(InTerminal(kExpert), Signed("provider 2"));
  EXPECT_EQ(machine_.ReadFile(L"C:\\outside\\bashrc"), "trader's own");
  EXPECT_EQ(machine_.ReadFile(L"C:\\outside\\id_key"), IniBytes(300, 'k'));

  // Nothing left to change: a repeat changes nothing at all.
  EXPECT_EQ(Install(), L"SUCC");
  EXPECT_TRUE(engine_->m_Changes.empty());
}

TEST_F(MTAssistTest, UnreadablePackageFileIsAFailedCopyNotAnIdenticalOne) {
  Package(kExpert, Signed("provider 2"));
  // The package file is the first file the install opens.
  FailNthCall(Op::kOpenRead, 1);
  EXPECT_EQ(Install(),
            GetMessageText(EngineMessage::kCopyFailed) + L"#_Velmora Signal Provider.ex4");
  EXPECT_FALSE(HasInTerminal(kExpert));

  // Readable again, the same install goes through.
  EXPECT_EQ(Install(), L"SUCC");
  EXPECT_EQ(InTerminal(kExpert), Signed("provider 2"));
}

TEST_F(MTAssistTest, ZeroLengthPackageFileCountsAsInstalledWithoutACopy) {
  Package(L"experts\\Empty Provider.ex4", "");
  EXPECT_EQ(Install(), L"SUCC");
  EXPECT_FALSE(HasInTerminal(L"experts\\Empty Provider.ex4"));

  // Against a non-empty installed file it is a change, copied as such.
  Terminal(L"experts\\Empty Provider.ex4", "EX4 old");
  Rebuild(ProviderSetup(false));
  EXPECT_EQ(Install(), L"SUCC");
  EXPECT_TRUE(HasInTerminal(L"experts\\Empty Provider.ex4"));
  EXPECT_EQ(InTerminal(L"experts\\Empty Provider.ex4"), "");
}

TEST_F(MTAssistTest, MissingFoldersGiveTheirMessages) {
  MakeProviderPackage();
  machine_.MakeFolder(L"C:\\NoExperts\\config");
  EXPECT_EQ(Install(L"C:\\NoExperts"), L"Please select the installation path of MT4!");
  // An "experts" folder alone makes no terminal to write into.
  machine_.MakeFolder(L"C:\\Home\\experts");
  EXPECT_EQ(Install(L"C:\\Home"), L"Please select the installation path of MT4!");
  EXPECT_TRUE(machine_.Files(L"C:\\Home").empty());

  EXPECT_EQ(engine_->InstallToTerminal(L"C:\\Setup\\Signal Receiver", kTerm),
            L"Invalid running path!\nC:\\Setup\\");
  EXPECT_FALSE(HasInTerminal(kTemplate));
}

TEST_F(MTAssistTest, NoExpertInstalledIsNothingInstalledButLibrariesAreStillMarked) {
  Package(kLibrary, "MZ library 1.4.0.7");
  Package(L"experts\\Readme.txt", "no expert matches the pattern");
  const std::string ini = IniBytes(300, 'i');
  Terminal(kIni, ini);

  EXPECT_EQ(Install(), L"Installation file not found!");
  EXPECT_EQ(InTerminal(kLibrary), "MZ library 1.4.0.7");
  EXPECT_EQ(InTerminal(kIni), Patched(ini, false, true));

  // An empty package: nothing copied, nothing patched.
  machine_.MakeTerminal(L"C:\\MT4 B");
  Terminal(kIni, ini, L"C:\\MT4 B\\");
  EXPECT_EQ(engine_->InstallToTerminal(L"C:\\Setup\\Empty\\", L"C:\\MT4 B"),
            L"Invalid running path!\nC:\\Setup\\");
  machine_.MakeFolder(L"C:\\Setup\\Empty\\experts");
  EXPECT_EQ(engine_->InstallToTerminal(L"C:\\Setup\\Empty\\", L"C:\\MT4 B"),
            L"Installation file not found!");
  EXPECT_EQ(InTerminal(kIni, L"C:\\MT4 B\\"), ini);
}

TEST_F(MTAssistTest, ExpertsIniOf200BytesIsBackedUpButNotPatched) {
  MakeProviderPackage();
  const std::string ini = IniBytes(200, 'i');
  Terminal(kIni, ini);
  EXPECT_EQ(Install(), L"SUCC");
  EXPECT_EQ(InTerminal(kIni), ini);
  EXPECT_EQ(InTerminal(kBackup), ini);
}

TEST_F(MTAssistTest, ExpertsIniOf201BytesIsPatchedAtThreeOffsetsAndBackedUpOnce) {
  MakeProviderPackage();
  const std::string ini = IniBytes(201, 'i');
  Terminal(kIni, ini);
  EXPECT_EQ(Install(), L"SUCC");
  EXPECT_EQ(InTerminal(kIni), Patched(ini, true, true));
  EXPECT_EQ(InTerminal(kBackup), ini);

  // The terminal changes its file; the backup keeps the state before the
  // first installation.
  std::string changed = IniBytes(240, 'j');
  Terminal(kIni, changed);
  EXPECT_EQ(Install(), L"SUCC");
  EXPECT_EQ(InTerminal(kIni), Patched(changed, true, true));
  EXPECT_EQ(InTerminal(kBackup), ini);
}

TEST_F(MTAssistTest, TerminalWithoutExpertsIniGetsTheProgramFoldersCopyUnpatched) {
  MakeProviderPackage();
  const std::string shipped = IniBytes(300, 'p');
  machine_.WriteFile(L"C:\\Setup\\config\\experts.ini", shipped);
  EXPECT_EQ(Install(), L"SUCC");
  EXPECT_EQ(InTerminal(kIni), shipped);
  EXPECT_FALSE(HasInTerminal(kBackup));

  // The next install finds it and patches it.
  EXPECT_EQ(Install(), L"SUCC");
  EXPECT_EQ(InTerminal(kIni), Patched(shipped, true, true));
  EXPECT_EQ(InTerminal(kBackup), shipped);
}

TEST_F(MTAssistTest, PackagesOwnExpertsIniArrivesFirstButNeverReplacesTheTerminals) {
  MakeProviderPackage();
  const std::string packaged = IniBytes(300, 'k');
  Package(kIni, packaged);
  EXPECT_EQ(Install(), L"SUCC");
  EXPECT_EQ(InTerminal(kIni), Patched(packaged, true, true));
  EXPECT_EQ(InTerminal(kBackup), packaged);

  machine_.MakeTerminal(L"C:\\MT4 B");
  const std::string own = IniBytes(300, 't');
  Terminal(kIni, own, L"C:\\MT4 B\\");
  EXPECT_EQ(Install(L"C:\\MT4 B"), L"SUCC");
  EXPECT_EQ(InTerminal(kIni, L"C:\\MT4 B\\"), Patched(own, true, true));
  EXPECT_EQ(InTerminal(kBackup, L"C:\\MT4 B\\"), own);
}

TEST_F(MTAssistTest, StarPatternsInstallSourcesBesideTheirCompiledFiles) {
  Rebuild(EngineWith(L"*", L"*", L"vlmexp.dll"));
  const std::pair<const wchar_t*, const char*> files[] = {{L"experts\\A.mq4", "source A"},
                                                          {L"experts\\A.ex4", "EX4 A vlmexp.dll"},
                                                          {L"experts\\B.mq4", "source B"},
                                                          {L"experts\\C.MQ4", "source C"},
                                                          {L"experts\\C.ex4", "EX4 C vlmexp.dll"}};
  for (const auto& [path, bytes] : files) Package(path, bytes);
  EXPECT_EQ(Install(), L"SUCC");
  for (const auto& [path, bytes] : files) EXPECT_EQ(InTerminal(path), bytes) << path;
}

TEST_F(MTAssistTest, OldTagFilesGoWhereTheLibraryPatternApplies) {
  MakeProviderPackage();
  Terminal(L"experts\\libraries\\vlcpy0001.tag", "old");
  Terminal(L"templates\\vlcpy0001.tag", "old");
  EXPECT_EQ(Install(), L"SUCC");
  EXPECT_FALSE(HasInTerminal(L"experts\\libraries\\vlcpy0001.tag"));
  EXPECT_TRUE(HasInTerminal(L"templates\\vlcpy0001.tag"));

  // With both patterns at "*", every folder is cleared of them, even one the
  // package does not have.
  Rebuild(EngineWith(L"*", L"*", L"CopyloomSignedEA", L"1.4.0.7"));
  Terminal(L"profiles\\vlcpy0002.tag", "old");
  Terminal(L"experts\\keep.tag", "not a copier tag");
  Install();
  EXPECT_FALSE(HasInTerminal(L"templates\\vlcpy0001.tag"));
  EXPECT_FALSE(HasInTerminal(L"profiles\\vlcpy0002.tag"));
  EXPECT_TRUE(HasInTerminal(L"experts\\keep.tag"));
}

// Three terminals in the states a command meets: fresh, older files, and
// already up to date.
struct Outcome {
  std::wstring result;
  bool reload = false;
  bool restart = false;
  std::string expert, indicator, library, ini;
  bool operator==(const Outcome&) const = default;
};

TEST_F(MTAssistTest, BatchGivesTheResultsOfPlainInstalls) {
  MakeProviderPackage();
  auto prepare = [&](const std::wstring& prefix) {
    std::vector<std::wstring> terms = {prefix + L" Fresh\\", prefix + L" Old\\",
                                       prefix + L" Current\\"};
    for (const auto& term : terms) machine_.MakeTerminal(term);
    Terminal(kExpert, Signed("provider 1"), terms[1]);
    Terminal(kLibrary, "MZ library 1.4.0.6 and longer", terms[1]);
    Terminal(kIni, IniBytes(300, 'o'), terms[1]);
    Terminal(kExpert, Signed("provider 2"), terms[2]);
    Terminal(kIndicator, Signed("monitor 2"), terms[2]);
    Terminal(kLibrary, "MZ library 1.4.0.7", terms[2]);
    Terminal(kTemplate, "<chart>\r\n</chart>\r\n", terms[2]);
    return terms;
  };
  auto run = [&](const std::vector<std::wstring>& terms) {
    std::vector<Outcome> outcomes;
    for (const auto& term : terms) {
      Outcome o;
      o.result = Install(term);
      o.reload = engine_->m_NeedReload;
      o.restart = engine_->m_NeedRestart;
      o.expert = InTerminal(kExpert, term);
      o.indicator = InTerminal(kIndicator, term);
      o.library = InTerminal(kLibrary, term);
      o.ini = InTerminal(kIni, term);
      outcomes.push_back(o);
    }
    return outcomes;
  };

  const std::vector<Outcome> plain = run(prepare(L"C:\\Plain"));
  std::vector<Outcome> batched;
  {
    ScopedInstallBatch batch(*engine_);
    batched = run(prepare(L"C:\\Batch"));
  }
  EXPECT_EQ(plain, batched);
  EXPECT_EQ(plain[0].result, L"SUCC");
  EXPECT_TRUE(plain[1].reload);
  EXPECT_FALSE(plain[2].reload || plain[2].restart);
}

TEST_F(MTAssistTest, BatchNoticesAPackageFileThatChanges) {
  MakeProviderPackage();
  machine_.MakeTerminal(L"C:\\MT4 B");
  machine_.MakeTerminal(L"C:\\MT4 C");
  ScopedInstallBatch batch(*engine_);
  EXPECT_EQ(Install(), L"SUCC");

  // Another size.
  Package(kExpert, Signed("provider 3, a longer build"));
  EXPECT_EQ(Install(L"C:\\MT4 B"), L"SUCC");
  EXPECT_EQ(InTerminal(kExpert, L"C:\\MT4 B\\"), Signed("provider 3, a longer build"));

  // The same size, another time.
  Package(kExpert, Signed("provider 4, a longer build"));
  ASSERT_TRUE(pf::SetFileTimeOf(std::wstring(kRoot) + kExpert, pf::TimeKind::kLastWrite,
                                132000000000000000));
  EXPECT_EQ(Install(L"C:\\MT4 C"), L"SUCC");
  EXPECT_EQ(InTerminal(kExpert, L"C:\\MT4 C\\"), Signed("provider 4, a longer build"));

  // A file that became unreadable is not served from the batch.
  FailNthCall(Op::kOpenRead, 1);
  machine_.MakeTerminal(L"C:\\MT4 D");
  EXPECT_EQ(Install(L"C:\\MT4 D"),
            GetMessageText(EngineMessage::kCopyFailed) + L"#" + GetPathFileName(kTemplate));
}

TEST(MTAssistTraceTest, TraceFollowsTheProgramNameExactly) {
  {
    test::TestMachine machine(L"CopyloomSetup1.exe");
    EXPECT_TRUE(CMTAssist().m_Trace);
  }
  for (const wchar_t* name : {L"CopyloomSetup1.EXE", L"CopyloomSetup.exe", L"Setup11.exe2"}) {
    test::TestMachine machine(name);
    EXPECT_FALSE(CMTAssist().m_Trace) << name;
  }
}

TEST(MTAssistTraceTest, TraceLinesGoToTheProgramLog) {
  test::TestMachine machine(L"CopyloomSetup1.exe");
  machine.StartProduct();
  machine.MakeTerminal(L"C:\\MT4");
  machine.WriteFile(std::wstring(kRoot) + kExpert, Signed("provider"));
  CMTAssist engine(EngineWith(L"*Provider*.ex4"));
  CMTAssist dry_run(EngineWith(L"*Provider*.ex4", L"*", L"", L"", true));
  ASSERT_EQ(dry_run.InstallToTerminal(kRoot, kTerm), L"SUCC");
  EXPECT_TRUE(TheLog().log_path().empty() || !machine.Exists(TheLog().log_path()));
  ASSERT_EQ(engine.InstallToTerminal(kRoot, kTerm), L"SUCC");

  const std::string log = machine.ReadFile(TheLog().log_path());
  EXPECT_NE(log.find(" EXT:*Provider*.ex4\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" IF:1#C:\\Setup\\Signal Provider\\experts\\,*Provider*.ex4"),
            std::string::npos);
  EXPECT_NE(log.find(" IF:0#C:\\Setup\\Signal Provider\\config\\,*"), std::string::npos);
  EXPECT_NE(log.find(" CFR:1,C:\\Setup\\Signal Provider\\experts\\_Velmora Signal Provider.ex4,"
                     "C:\\MT4\\experts\\_Velmora Signal Provider.ex4"),
            std::string::npos);
}

// build/<preset>/tests/<test program> -> build/<preset>/kit
std::wstring KitFolder() { return GetPathFolder(GetPathFolder(pf::ProgramPath())) + L"kit"; }

TEST(SampleKitTest, BothSidesInstallIntoATerminal) {
  namespace fs = std::filesystem;
  const fs::path kit(KitFolder());
  test::TestMachine machine;
  std::error_code error;
  fs::copy(kit, fs::path(machine.root().Join(L"drive_c\\Setup")),
           fs::copy_options::recursive | fs::copy_options::overwrite_existing, error);
  ASSERT_FALSE(error) << "the sample kit is built with the tests: " << kit.string();
  machine.StartProduct();

  const CFileCtrl files;
  TextList tags;
  files.ListFolder(L"C:\\Setup\\", &tags, true, false, L"vlcpy*.tag");
  EXPECT_EQ(tags.size(), 1u);
  EXPECT_TRUE(files.FileExists(L"C:\\Setup\\vlcpy.sin"));
  const std::wstring version = files.FindFileVersionText(L"vlcpy.dll");
  ASSERT_EQ(version, L"1.4.0.7");

  auto side = [&](const wchar_t* pattern) {
    return EngineWith(pattern, BuiltInLibraryPattern(), BuiltInMarkerText(), version);
  };
  machine.MakeTerminal(L"C:\\MT4");
  machine.WriteFile(L"C:\\MT4\\config\\experts.ini", IniBytes(300, 'e'));

  CMTAssist provider(side(L"*Provider*.ex4"));
  EXPECT_EQ(provider.InstallToTerminal(L"C:\\Setup\\Signal Provider\\", L"C:\\MT4"), L"SUCC");
  for (const wchar_t* file : {kExpert, kIndicator, kLibrary, kTemplate}) {
    EXPECT_EQ(machine.ReadFile(std::wstring(L"C:\\MT4\\") + file),
              machine.ReadFile(std::wstring(L"C:\\Setup\\Signal Provider\\") + file))
        << file;
  }
  CMTAssist receiver(side(L"*Receiver*.ex4"));
  EXPECT_EQ(receiver.InstallToTerminal(L"C:\\Setup\\Signal Receiver\\", L"C:\\MT4"), L"SUCC");
  EXPECT_TRUE(files.FileExists(L"C:\\MT4\\experts\\_Velmora Signal Receiver.ex4"));
  EXPECT_TRUE(files.FileExists(L"C:\\MT4\\templates\\Copyloom Receiver.tpl"));
  EXPECT_EQ(machine.ReadFile(L"C:\\MT4\\config\\experts.ini"),
            Patched(IniBytes(300, 'e'), true, true));
}

}  // namespace
}  // namespace copyloom
