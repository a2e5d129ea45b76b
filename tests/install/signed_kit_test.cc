// Signed kits: the manifest, its signature, and an install that checks both
// before any terminal changes.
#include <gtest/gtest.h>

#include "app/product_profile.h"
#include "foundation/file_ctrl.h"
#include "install/install_commands.h"
#include "install/install_status.h"
#include "install/installed_kit.h"
#include "install/kit_manifest.h"
#include "install/mt_assist.h"
#include "install/uninstall.h"
#include "support/fake_view.h"
#include "support/minisign_signer.h"
#include "support/test_machine.h"

namespace copyloom {
namespace {

constexpr wchar_t kRoot[] = L"C:\\Setup\\Signal Provider\\";
constexpr wchar_t kDll[] = L"C:\\Setup\\Signal Provider\\experts\\libraries\\vlcpy.dll";

TEST(KitManifestTest, FormatsAndParsesBack) {
  KitManifest manifest;
  manifest.name = "Signal Provider";
  manifest.version = "1.4.0.7";
  manifest.sides = {"provider", "receiver"};
  manifest.files = {{L"templates\\Copyloom Provider.tpl", 12, std::string(64, 'a')},
                    {L"experts\\libraries\\vlcpy.dll", 3, std::string(64, 'b')}};
  const std::string text = FormatManifest(manifest);
  EXPECT_EQ(text,
            "copyloom kit manifest 1\nname\tSignal Provider\nversion\t1.4.0.7\n"
            "sides\tprovider,receiver\n"
            "file\t3\t" + std::string(64, 'b') + "\texperts\\libraries\\vlcpy.dll\n"
            "file\t12\t" + std::string(64, 'a') + "\ttemplates\\Copyloom Provider.tpl\n");
  KitManifest parsed;
  std::string why;
  ASSERT_TRUE(ParseManifest(text, &parsed, &why)) << why;
  EXPECT_EQ(parsed.name, "Signal Provider");
  EXPECT_EQ(parsed.version, "1.4.0.7");
  EXPECT_EQ(parsed.sides, manifest.sides);
  ASSERT_EQ(parsed.files.size(), 2u);
  EXPECT_EQ(parsed.files[0].path, L"experts\\libraries\\vlcpy.dll");
  EXPECT_EQ(parsed.files[0].size, 3u);
}

TEST(KitManifestTest, MalformedManifestsAreRefusedWithAReason) {
  const std::string head = "copyloom kit manifest 1\nname\tK\nversion\t1\nsides\tprovider\n";
  const std::string digest(64, 'c');
  auto file = [&](const std::string& path) { return "file\t1\t" + digest + "\t" + path + "\n"; };
  const std::string bad[] = {
      "",
      "copyloom kit manifest 2\n",
      "copyloom kit manifest 1\nname\tK\n",  // no version nor sides
      head + file("experts\\..\\..\\x.dll"),
      head + file("C:\\x\\experts\\a.ex4"),
      head + file("\\experts\\a.ex4"),
      head + file("experts/a.ex4"),
      head + file("experts\\\\a.ex4"),
      head + file("experts\\CON.ex4"),
      head + file("experts\\a.ex4 "),
      head + file("experts\\Thumbs.db"),
      head + file("a.ex4"),                  // outside the package folders
      head + file("experts\\sub\\a.ex4"),    // not a folder an install copies
      head + file("experts\\a.ex4") + file("EXPERTS\\A.ex4"),
      head + "file\t-1\t" + digest + "\texperts\\a.ex4\n",
      head + "file\t1\t" + std::string(64, 'C') + "\texperts\\a.ex4\n",
      head + "file\t1\t" + digest + "\n",
      head + "sides\treceiver\n",
      "copyloom kit manifest 1\nname\tK\nversion\t1\nsides\tboth\n",
      head + "\n" + file("experts\\a.ex4"),
      head + "signed-by\tme\n",
      head + file("experts\\a.ex4").replace(0, 4, "FILE"),
      std::string("copyloom kit manifest 1\r\nname\tK\r\n"),
      head + std::string(kManifestCap, 'x'),
  };
  for (const std::string& text : bad) {
    KitManifest manifest;
    std::string why;
    EXPECT_FALSE(ParseManifest(text, &manifest, &why)) << text.substr(0, 200);
    EXPECT_FALSE(why.empty());
  }
}

class SignedKitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_.StartProduct();
    trusted_ = {vendor_.key()};
    SetTrustedKeysForTesting(&trusted_);
    SetRequireSignature(false);
    Kit(L"experts\\_Velmora Signal Provider.ex4", "EX4 provider CopyloomSignedEA");
    Kit(L"experts\\indicators\\Copyloom Monitor.ex4", "EX4 monitor CopyloomSignedEA");
    Kit(L"experts\\libraries\\vlcpy.dll", "MZ the library");
    Kit(L"templates\\Copyloom Provider.tpl", "<chart>\r\n</chart>\r\n");
    for (const wchar_t* t : {L"C:\\MT4 A", L"C:\\MT4 B"}) {
      machine_.MakeTerminal(t);
      machine_.WriteFile(std::wstring(t) + L"\\experts\\libraries\\vlcpy.dll", "MZ old library");
      view_.AddRow(t, true);
    }
  }
  void TearDown() override {
    SetTrustedKeysForTesting(nullptr);
    SetRequireSignature(false);
    SetAllowDowngrade(false);
  }

  void Kit(const std::wstring& relative, const std::string& bytes) {
    machine_.WriteFile(kRoot + relative, bytes);
  }
  // The manifest of the kit as it is now, signed by signer.
  void Sign(const test::MinisignSigner& signer, bool prehashed = true,
            const std::string& version = "1.4.0.7") {
    KitManifest manifest;
    std::wstring why;
    ASSERT_TRUE(MakeManifest(kRoot, &manifest, &why)) << why;
    manifest.name = "Signal Provider";
    manifest.version = version;
    manifest.sides = {"provider"};
    const std::string text = FormatManifest(manifest);
    machine_.WriteFile(std::wstring(kRoot) + kManifestName, text);
    machine_.WriteFile(std::wstring(kRoot) + kSignatureName, signer.Sign(text, prehashed));
  }
  std::map<std::wstring, std::string> Terminals() {
    auto a = machine_.Files(L"C:\\MT4 A");
    a.merge(machine_.Files(L"C:\\MT4 B"));
    return a;
  }
  void InstallAll() {
    for (auto& row : view_.rows) row.ticked = true;
    view_.messages.clear();
    OnInstallProvider(view_, InstallSession{});
  }
  std::wstring StatusOfA() {
    // As the Provider install chose it.
    const PackageChoice package{kRoot, ChoosePackage(InstallSession{}, kSideProvider).expert_pattern};
    return InstalledStateText(ReadTerminalStatus(L"C:\\MT4 A", package));
  }
  // Refused before any terminal changed, naming the file.
  void ExpectRefused(const std::wstring& file) {
    const auto before = Terminals();
    EXPECT_EQ(OnInstallProvider(view_, InstallSession{}).refusal, CommandRefusal::kKitNotGenuine);
    ASSERT_EQ(view_.MessageTexts().size(), 1u);
    EXPECT_EQ(view_.MessageTexts()[0], L"This kit is not genuine: " + file);
    EXPECT_EQ(Terminals(), before);
    EXPECT_EQ(view_.rows[0].state, L"");
    EXPECT_EQ(view_.rows[1].state, L"");
  }

  test::TestMachine machine_;
  test::FakeView view_;
  test::MinisignSigner vendor_, stranger_;
  std::vector<MinisignKey> trusted_;
};

TEST_F(SignedKitTest, AGenuineKitInstallsWithoutAWarningInBothForms) {
  for (bool prehashed : {true, false}) {
    SCOPED_TRACE(prehashed);
    Sign(vendor_, prehashed);
    view_.messages.clear();
    machine_.WriteFile(L"C:\\MT4 A\\experts\\libraries\\vlcpy.dll", "MZ old library");
    EXPECT_EQ(CheckKit(kRoot).state, KitCheck::kGenuine);
    OnInstallProvider(view_, InstallSession{});
    EXPECT_EQ(view_.rows[0].state, L"Completed");
    EXPECT_EQ(machine_.ReadFile(L"C:\\MT4 A\\experts\\libraries\\vlcpy.dll"), "MZ the library");
    EXPECT_EQ(machine_.ReadFile(L"C:\\MT4 B\\experts\\indicators\\Copyloom Monitor.ex4"),
              "EX4 monitor CopyloomSignedEA");
    // The manifest and its signature stay in the kit.
    EXPECT_FALSE(machine_.Exists(L"C:\\MT4 A\\kit.manifest"));
    for (const std::wstring& message : view_.MessageTexts()) {
      EXPECT_EQ(message.find(L"not signed"), std::wstring::npos) << message;
    }
    for (auto& row : view_.rows) row.ticked = true;
  }
}

TEST_F(SignedKitTest, AChangedByteInTheLibraryIsRefusedAndNoTerminalChanges) {
  Sign(vendor_);
  Kit(L"experts\\libraries\\vlcpy.dll", "MZ the librarx");
  ExpectRefused(kDll);
}

TEST_F(SignedKitTest, AnExtraFileIsRefused) {
  Sign(vendor_);
  Kit(L"experts\\libraries\\helper.dll", "MZ planted");
  ExpectRefused(L"C:\\Setup\\Signal Provider\\experts\\libraries\\helper.dll");
}

TEST_F(SignedKitTest, ARemovedFileIsRefused) {
  Sign(vendor_);
  ASSERT_TRUE(CFileCtrl().DeleteFileIfPresent(
      std::wstring(kRoot) + L"experts\\indicators\\Copyloom Monitor.ex4"));
  ExpectRefused(L"C:\\Setup\\Signal Provider\\experts\\indicators\\Copyloom Monitor.ex4");
}

TEST_F(SignedKitTest, AnotherKeysSignatureIsRefused) {
  Sign(stranger_);
  ExpectRefused(std::wstring(kRoot) + kSignatureName);
}

TEST_F(SignedKitTest, AChangedManifestOrAMissingSignatureIsRefused) {
  Sign(vendor_);
  std::string text = machine_.ReadFile(std::wstring(kRoot) + kManifestName);
  text.replace(text.find("1.4.0.7"), 7, "9.9.9.9");
  machine_.WriteFile(std::wstring(kRoot) + kManifestName, text);
  ExpectRefused(std::wstring(kRoot) + kManifestName);

  view_.messages.clear();
  ASSERT_TRUE(CFileCtrl().DeleteFileIfPresent(std::wstring(kRoot) + kSignatureName));
  ExpectRefused(std::wstring(kRoot) + kSignatureName);
}

TEST_F(SignedKitTest, JunkBesideASignedKitIsNeitherListedNorInstalled) {
  Kit(L"templates\\Thumbs.db", "junk");
  Kit(L"experts\\desktop.ini", "junk");
  Sign(vendor_);
  EXPECT_EQ(machine_.ReadFile(std::wstring(kRoot) + kManifestName).find("Thumbs"),
            std::string::npos);
  OnInstallProvider(view_, InstallSession{});
  EXPECT_EQ(view_.rows[0].state, L"Completed");
  EXPECT_FALSE(machine_.Exists(L"C:\\MT4 A\\templates\\Thumbs.db"));
}

TEST_F(SignedKitTest, AnUnsignedKitInstallsWithAWarningOrIsRefusedWhenASignatureIsRequired) {
  SetRequireSignature(true);
  const auto before = Terminals();
  EXPECT_EQ(OnInstallProvider(view_, InstallSession{}).refusal, CommandRefusal::kSignatureRequired);
  EXPECT_EQ(view_.MessageTexts(),
            std::vector<std::wstring>{
                L"This kit is not signed and a signature is required: C:\\Setup\\Signal Provider\\"});
  EXPECT_EQ(Terminals(), before);

  SetRequireSignature(false);
  view_.messages.clear();
  OnInstallProvider(view_, InstallSession{});
  ASSERT_FALSE(view_.MessageTexts().empty());
  EXPECT_EQ(view_.MessageTexts()[0], view_.Text(TextKey::KitUnsigned));
  EXPECT_EQ(view_.rows[0].state, L"Completed");
}

TEST_F(SignedKitTest, UninstallLeavesNothingOfTheKit) {
  Sign(vendor_);
  OnInstallProvider(view_, InstallSession{});
  ASSERT_EQ(view_.rows[0].state, L"Completed");
  machine_.WriteFile(L"C:\\MT4 A\\experts\\indicators\\Trader.ex4", "mine");
  // Each terminal records the manifest of the kit it holds...
  EXPECT_EQ(machine_.ReadFile(L"C:\\MT4 A\\copyloom-kit.manifest"),
            machine_.ReadFile(std::wstring(kRoot) + kManifestName));
  // ...and its uninstall removes what that lists, though the kit changed since.
  ASSERT_TRUE(CFileCtrl().DeleteFileIfPresent(std::wstring(kRoot) +
                                              L"experts\\indicators\\Copyloom Monitor.ex4"));
  for (auto& row : view_.rows) row.ticked = true;
  OnUninstall(view_);
  EXPECT_EQ(view_.rows[0].state, L"Uninstall completed");
  for (const auto& [path, bytes] : machine_.Files(L"C:\\MT4 A")) {
    EXPECT_EQ(path.find(L"Copyloom"), std::wstring::npos) << path;
    EXPECT_EQ(path.find(L"vlcpy"), std::wstring::npos) << path;
  }
  EXPECT_TRUE(machine_.Exists(L"C:\\MT4 A\\experts\\indicators\\Trader.ex4"));
}

TEST(KitVersionTest, PartsCompareAsNumbersThenAsText) {
  EXPECT_LT(CompareKitVersions("1.4.0.9", "1.4.0.10"), 0);
  EXPECT_GT(CompareKitVersions("2", "1.9.9"), 0);
  EXPECT_EQ(CompareKitVersions("1.4", "1.4.0.0"), 0);
  EXPECT_LT(CompareKitVersions("1.4.0.7", "1.4.0.7b"), 0);
  EXPECT_LT(CompareKitVersions("1.4.0.99999999999999999999", "1.4.1"), 0);  // text, after numbers
  EXPECT_GT(CompareKitVersions("1.4.0.99999999999999999999", "1.4.0.5"), 0);
}

TEST_F(SignedKitTest, AnOlderKitIsRefusedOverANewerOneUnlessADowngradeIsAllowed) {
  Sign(vendor_, true, "1.4.0.10");
  InstallAll();
  ASSERT_EQ(view_.rows[0].state, L"Completed");
  Kit(L"experts\\libraries\\vlcpy.dll", "MZ the older library");
  Sign(vendor_, true, "1.4.0.9");
  const auto before = Terminals();
  InstallAll();
  EXPECT_EQ(Terminals(), before);
  for (const auto& row : view_.rows) {
    EXPECT_EQ(row.state,
              L"Failed#This terminal holds the newer kit 1.4.0.10: 1.4.0.9 is not installed over it "
              L"(--allow-downgrade) - Nothing in the terminal was changed");
  }
  // Another kit's record is no version of this one.
  std::string record = machine_.ReadFile(L"C:\\MT4 A\\copyloom-kit.manifest");
  record.replace(record.find("Signal Provider"), 15, "Signal Receiver");
  machine_.WriteFile(L"C:\\MT4 A\\copyloom-kit.manifest", record);
  SetAllowDowngrade(true);
  InstallAll();
  for (const auto& row : view_.rows) EXPECT_EQ(row.state, L"Completed");
  EXPECT_EQ(machine_.ReadFile(L"C:\\MT4 B\\experts\\libraries\\vlcpy.dll"), "MZ the older library");
  EXPECT_EQ(StatusOfA(), L"current (1.4.0.9)");
}

TEST_F(SignedKitTest, StatusTellsTheRecordedVersionAndAFileChangedSinceTheInstall) {
  // The record lists what went in: not an expert the side's pattern left out.
  Kit(L"experts\\Other Receiver.ex4", "EX4 receiver CopyloomSignedEA");
  Sign(vendor_);
  InstallAll();
  ASSERT_EQ(view_.rows[0].state, L"Completed");
  EXPECT_EQ(StatusOfA(), L"current (1.4.0.7)");
  Kit(L"templates\\Copyloom Provider.tpl", "<chart>\r\nnew\r\n</chart>\r\n");
  Sign(vendor_, true, "1.4.0.8");
  EXPECT_EQ(StatusOfA(), L"outdated (1.4.0.7 installed, kit 1.4.0.8)");
  machine_.WriteFile(L"C:\\MT4 A\\experts\\libraries\\vlcpy.dll", "MZ patched by hand");
  ASSERT_TRUE(CFileCtrl().DeleteFileIfPresent(L"C:\\MT4 A\\experts\\indicators\\Copyloom Monitor.ex4"));
  EXPECT_EQ(StatusOfA(),
            L"modified: experts\\indicators\\Copyloom Monitor.ex4\n"
            L"             experts\\libraries\\vlcpy.dll");
  // An unsigned kit's install leaves no record that would no longer hold.
  for (const wchar_t* name : {kManifestName, kSignatureName}) {
    ASSERT_TRUE(CFileCtrl().DeleteFileIfPresent(std::wstring(kRoot) + name));
  }
  InstallAll();
  EXPECT_EQ(view_.rows[0].state, L"Completed");
  EXPECT_FALSE(machine_.Exists(L"C:\\MT4 A\\copyloom-kit.manifest"));
  EXPECT_EQ(StatusOfA(), L"current");
}

// build/<preset>/tests/<test program> -> build/<preset>/kit
std::wstring SampleKit() {
  return GetPathFolder(GetPathFolder(platform::ProgramPath())) + L"kit\\";
}

TEST(SampleKitSignatureTest, TheBuildsManifestIsOursAndSignedByATrustedKey) {
  if (!TrustsTestKey()) GTEST_SKIP() << "built without minisign: the sample kit is unsigned";
  for (const wchar_t* side : {L"Signal Provider", L"Signal Receiver"}) {
    SCOPED_TRACE(side);
    const std::wstring root = SampleKit() + side + L"\\";
    const KitCheck check = CheckKit(root);
    EXPECT_EQ(check.state, KitCheck::kGenuine) << check.why << " " << check.file;
    KitManifest made;
    std::wstring why;
    ASSERT_TRUE(MakeManifest(root, &made, &why));
    made.name = check.manifest.name;
    made.version = check.manifest.version;
    made.sides = check.manifest.sides;
    EXPECT_EQ(FormatManifest(made), CFileCtrl().ReadWholeFile(root + kManifestName));
    EXPECT_EQ(check.manifest.version, "1.4.0.7");
  }
}

}  // namespace
}  // namespace copyloom
