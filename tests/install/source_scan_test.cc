#include "install/source_scan.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/checksum.h"
#include "foundation/file_ctrl.h"
#include "platform/testing.h"
#include "support/test_files.h"
#include "support/temp_dir.h"

namespace copyloom {
namespace {

std::wstring Md5(const std::string& bytes) { return CChecksum::HexOf(bytes.data(), bytes.size()); }

class SourceScanTest : public ::testing::Test {
 protected:
  std::wstring Put(const std::wstring& name, const std::string& bytes) {
    dir_.WriteFile(name, bytes);
    return dir_.Join(name);
  }
  test::TempDir dir_;
};

TEST_F(SourceScanTest, DigestAndTextsComeFromOneRead) {
  const std::string bytes = "EX4 header CopyloomSignedEA body 1.4.0.7 tail";
  const std::wstring path = Put(L"a.ex4", bytes);
  const SourceScan scan = ScanSource(path, {"CopyloomSignedEA", "1.4.0.8", ""});
  ASSERT_TRUE(scan.readable);
  EXPECT_EQ(scan.size, static_cast<int64_t>(bytes.size()));
  EXPECT_EQ(scan.digest, Md5(bytes));
  EXPECT_EQ(scan.digest, CFileCtrl().GetFileDigest(path));
  EXPECT_TRUE(scan.Holds("CopyloomSignedEA"));
  EXPECT_FALSE(scan.Holds("1.4.0.8"));
  EXPECT_FALSE(scan.Holds(""));         // an empty text is never found
  EXPECT_FALSE(scan.Holds("1.4.0.7"));  // not asked for
}

TEST_F(SourceScanTest, TextsAcrossTheReadChunksAreFound) {
  // The scan reads 1 MiB at a time: put one text across that edge, one at
  // the very end, and both again for a second file straddling twice.
  const size_t chunk = 1 << 20;
  std::string bytes(chunk - 5, 'x');
  bytes += "CopyloomSignedEA";
  bytes += std::string(chunk, 'y');
  bytes += "1.4.0.7";
  const std::wstring path = Put(L"big.ex4", bytes);
  // Digested, then held in memory instead.
  for (const uint64_t hold : {uint64_t{0}, uint64_t{4} << 20}) {
    const SourceScan scan = ScanSource(path, {"CopyloomSignedEA", "1.4.0.7", "xy"}, hold);
    EXPECT_TRUE(scan.Holds("CopyloomSignedEA"));
    EXPECT_TRUE(scan.Holds("1.4.0.7"));
    EXPECT_FALSE(scan.Holds("xy"));
    EXPECT_EQ(scan.size, static_cast<int64_t>(bytes.size()));
    if (hold == 0) {
      EXPECT_EQ(scan.digest, Md5(bytes));
      EXPECT_FALSE(scan.bytes);
    } else {
      ASSERT_TRUE(scan.bytes);
      EXPECT_TRUE(*scan.bytes == bytes);
    }
  }
}

TEST_F(SourceScanTest, MissingFolderUnreadableAndEmptyFiles) {
  EXPECT_FALSE(ScanSource(dir_.Join(L"missing.ex4"), {}).readable);
  dir_.MakeFolder(L"folder.ex4");
  EXPECT_FALSE(ScanSource(dir_.Join(L"folder.ex4"), {}).readable);

  const std::wstring empty = Put(L"empty.ex4", "");
  const SourceScan scan = ScanSource(empty, {"x"});
  EXPECT_TRUE(scan.readable);
  EXPECT_EQ(scan.size, 0);
  EXPECT_TRUE(scan.digest.empty());

  const std::wstring locked = Put(L"locked.ex4", "content");
  platform::testing::FailNthCall(platform::testing::Op::kOpenRead, 1);
  const SourceScan unreadable = ScanSource(locked, {});
  EXPECT_FALSE(unreadable.readable);
  EXPECT_TRUE(unreadable.digest.empty());
}

TEST_F(SourceScanTest, SameContentAgreesWithTheDigestComparison) {
  // The same answers whether the source was digested or its bytes held; a
  // source past the hold limit is digested.
  for (const uint64_t hold : {uint64_t{0}, uint64_t{11}, uint64_t{1} << 20}) {
    SCOPED_TRACE(hold);
    const SourceScan source = ScanSource(Put(L"s", "package file"), {}, hold);
    EXPECT_EQ(static_cast<bool>(source.bytes), hold >= 12);
    EXPECT_TRUE(SameContent(Put(L"same", "package file"), source));
    EXPECT_FALSE(SameContent(Put(L"other", "package fil3"), source));  // same size
    EXPECT_FALSE(SameContent(Put(L"first", "Package file"), source));
    EXPECT_FALSE(SameContent(Put(L"longer", "package file!"), source));
    EXPECT_FALSE(SameContent(Put(L"zero", ""), source));
    EXPECT_FALSE(SameContent(dir_.Join(L"missing"), source));
    dir_.MakeFolder(L"folder");
    EXPECT_FALSE(SameContent(dir_.Join(L"folder"), source));

    // An empty source equals every destination without a digest.
    const SourceScan empty = ScanSource(Put(L"e", ""), {}, hold);
    EXPECT_TRUE(SameContent(dir_.Join(L"missing"), empty));
    EXPECT_TRUE(SameContent(dir_.Join(L"zero"), empty));
    EXPECT_TRUE(SameContent(dir_.Join(L"folder"), empty));
    EXPECT_FALSE(SameContent(dir_.Join(L"same"), empty));
  }
}

TEST_F(SourceScanTest, ProbeReportsSizeAndTimeOfReadableFilesOnly) {
  const std::wstring path = Put(L"p", "12345");
  int64_t size = 0, last_write = 0;
  ASSERT_TRUE(ProbeSource(path, &size, &last_write));
  EXPECT_EQ(size, 5);
  EXPECT_EQ(last_write, ScanSource(path, {}).last_write);
  EXPECT_NE(last_write, 0);
  EXPECT_FALSE(ProbeSource(dir_.Join(L"missing"), &size, &last_write));
}

}  // namespace
}  // namespace copyloom
