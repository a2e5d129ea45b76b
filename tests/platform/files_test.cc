// File primitives. Both builds run these cases and must give the same
// answers.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "platform/platform.h"
#include "platform/test_hooks.h"
#include "platform/testing.h"
#include "support/test_files.h"
#include "support/temp_dir.h"

namespace copyloom::platform {
namespace {

// Each case runs on the disk and on the memory store that fuzz runs and
// sweeps put in its place, on both builds: both must keep the same promises.
enum class Store { kDisk, kMemory };

class FilesTest : public ::testing::TestWithParam<Store> {
 protected:
  void SetUp() override {
    if (!InMemory()) return;
    testing::SetDriveTable(std::map<wchar_t, std::wstring>{{L'M', dir_.path()}});
    testing::UseMemoryFiles(true);
  }
  void TearDown() override { testing::ResetAll(); }

  bool InMemory() const { return GetParam() == Store::kMemory; }
  std::wstring Root() const { return InMemory() ? L"M:\\" : dir_.path(); }
  std::wstring P(const std::wstring& relative) const {
    return InMemory() ? Root() + relative : dir_.Join(relative);
  }
  // The test's own files, made beside the primitives under test.
  void WriteFile(const std::wstring& relative, const std::string& bytes) const {
    if (!InMemory()) return dir_.WriteFile(relative, bytes);
    const size_t slash = relative.rfind(L'\\');
    if (slash != std::wstring::npos) MakeFolder(relative.substr(0, slash));
    // Written as a plain file, as a killed run would have left it: a
    // one-step write would take the folder's first sweep.
    auto file = OpenFile(P(relative), OpenMode::kWriteTruncate);
    ASSERT_TRUE(file && file->Write(bytes.data(), bytes.size())) << relative;
  }
  std::string ReadFile(const std::wstring& relative) const {
    if (!InMemory()) return dir_.ReadFile(relative);
    std::string bytes;
    ReadCappedFile(P(relative), kSettingsFileCap, &bytes);
    return bytes;
  }
  void MakeFolder(const std::wstring& relative) const {
    if (!InMemory()) return dir_.MakeFolder(relative);
    for (size_t i = 0; i <= relative.size(); ++i) {
      if (i == relative.size() || relative[i] == L'\\') CreateOneFolder(P(relative.substr(0, i)));
    }
  }

  test::TempDir dir_;
};

std::vector<std::wstring> Names(const std::vector<DirEntry>& entries) {
  std::vector<std::wstring> names;
  for (const auto& e : entries) names.push_back(e.name);
  return names;
}

TEST_P(FilesTest, AttributesOfFilesFoldersAndMissingPaths) {
  WriteFile(L"a.txt", "x");
  MakeFolder(L"sub");
  auto file = QueryAttributes(P(L"a.txt"));
  EXPECT_TRUE(file.exists);
  EXPECT_FALSE(file.is_folder);
  EXPECT_FALSE(file.read_only);
  auto folder = QueryAttributes(P(L"sub"));
  EXPECT_TRUE(folder.exists && folder.is_folder && !folder.is_link);
  EXPECT_FALSE(QueryAttributes(P(L"missing")).exists);
  EXPECT_FALSE(QueryAttributes(P(L"missing\\deeper")).exists);
  EXPECT_FALSE(QueryAttributes(P(L"a.txt\\below a file")).exists);
  EXPECT_FALSE(QueryAttributes(L"").exists);
}

TEST_P(FilesTest, SameFileObjectWhateverTheSpelling) {
  WriteFile(L"Folder\\a.txt", "x");
  WriteFile(L"Other\\a.txt", "x");
  EXPECT_TRUE(IsSameFile(P(L"Folder"), P(L"Folder\\")));
  EXPECT_TRUE(IsSameFile(P(L"Folder\\a.txt"), P(L"FOLDER/A.TXT")));
  EXPECT_FALSE(IsSameFile(P(L"Folder\\a.txt"), P(L"Other\\a.txt")));
  EXPECT_FALSE(IsSameFile(P(L"Folder"), P(L"Missing")));
  EXPECT_FALSE(IsSameFile(P(L"Missing"), P(L"Missing")));
}

TEST_P(FilesTest, ReadOnlyFilesAreNeitherDeletedNorOverwritten) {
  WriteFile(L"ro.txt", "keep");
  WriteFile(L"src.txt", "new");
  ASSERT_TRUE(SetReadOnly(P(L"ro.txt"), true));
  EXPECT_TRUE(QueryAttributes(P(L"ro.txt")).read_only);
  EXPECT_FALSE(RemoveOneFile(P(L"ro.txt")));
  EXPECT_FALSE(CopyOneFile(P(L"src.txt"), P(L"ro.txt"), false));
  EXPECT_EQ(OpenFile(P(L"ro.txt"), OpenMode::kWriteTruncate), nullptr);
  EXPECT_EQ(OpenFile(P(L"ro.txt"), OpenMode::kReadWrite), nullptr);
  // Only a holder makes a file in use, not its mode.
  EXPECT_FALSE(IsFileInUse(P(L"ro.txt")));
  EXPECT_NE(OpenFile(P(L"ro.txt"), OpenMode::kReadShareAll), nullptr);
  EXPECT_EQ(ReadFile(L"ro.txt"), "keep");

  ASSERT_TRUE(SetReadOnly(P(L"ro.txt"), false));
  EXPECT_FALSE(QueryAttributes(P(L"ro.txt")).read_only);
  EXPECT_TRUE(RemoveOneFile(P(L"ro.txt")));
  EXPECT_FALSE(QueryAttributes(P(L"ro.txt")).exists);
  EXPECT_FALSE(RemoveOneFile(P(L"ro.txt")));
}

TEST_P(FilesTest, FoldersAreCreatedOnceAndRemovedOnlyWhenEmpty) {
  EXPECT_TRUE(CreateOneFolder(P(L"f")));
  EXPECT_FALSE(CreateOneFolder(P(L"f")));
  EXPECT_FALSE(CreateOneFolder(P(L"no\\parent")));
  WriteFile(L"f\\x", "1");
  EXPECT_FALSE(RemoveEmptyFolder(P(L"f")));
  EXPECT_FALSE(RemoveOneFile(P(L"f")));
  EXPECT_TRUE(RemoveOneFile(P(L"f\\x")));
  EXPECT_TRUE(RemoveEmptyFolder(P(L"f")));
  EXPECT_FALSE(QueryAttributes(P(L"f")).exists);
}

TEST_P(FilesTest, CopyKeepsContentAndLastWriteTime) {
  std::string content(300000, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 + i / 255);
  WriteFile(L"src.bin", content);
  const int64_t stamp = 132000000000000000LL;  // 2019-04-14, whole seconds
  ASSERT_TRUE(SetFileTimeOf(P(L"src.bin"), TimeKind::kLastWrite, stamp));

  ASSERT_TRUE(CopyOneFile(P(L"src.bin"), P(L"dst.bin"), true));
  EXPECT_EQ(ReadFile(L"dst.bin"), content);
  FileTimes times;
  ASSERT_TRUE(GetFileTimes(P(L"dst.bin"), &times));
  EXPECT_EQ(times.last_write, stamp);

  // fail_if_exists leaves an existing destination alone; overwrite replaces.
  WriteFile(L"other.bin", "short");
  EXPECT_FALSE(CopyOneFile(P(L"other.bin"), P(L"dst.bin"), true));
  EXPECT_EQ(ReadFile(L"dst.bin"), content);
  EXPECT_TRUE(CopyOneFile(P(L"other.bin"), P(L"dst.bin"), false));
  EXPECT_EQ(ReadFile(L"dst.bin"), "short");

  EXPECT_FALSE(CopyOneFile(P(L"missing"), P(L"new.bin"), false));
  EXPECT_FALSE(QueryAttributes(P(L"new.bin")).exists);
  EXPECT_FALSE(CopyOneFile(P(L"src.bin"), P(L"no\\folder\\x.bin"), false));
}

TEST_P(FilesTest, CopyOntoItselfKeepsTheFile) {
  WriteFile(L"same.txt", "precious");
  EXPECT_FALSE(CopyOneFile(P(L"same.txt"), P(L"same.txt"), false));
  EXPECT_EQ(ReadFile(L"same.txt"), "precious");
}

TEST_P(FilesTest, RenameOverFileReplacesTheTarget) {
  WriteFile(L"new", "2");
  WriteFile(L"old", "1");
  EXPECT_TRUE(RenameOverFile(P(L"new"), P(L"old")));
  EXPECT_EQ(ReadFile(L"old"), "2");
  EXPECT_FALSE(QueryAttributes(P(L"new")).exists);
  EXPECT_FALSE(RenameOverFile(P(L"new"), P(L"old")));
}

TEST_P(FilesTest, ListingIsFilteredAndSortedIgnoringCase) {
  for (const wchar_t* name : {L"b.ex4", L"A.ex4", L"c.mq4", L"_x.ex4", L"D.EX4"}) {
    WriteFile(name, "");
  }
  MakeFolder(L"sub.ex4");
  MakeFolder(L"Zeta");
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListEntries(Root(), L"*.ex4", &entries));
  EXPECT_EQ(Names(entries),
            (std::vector<std::wstring>{L"A.ex4", L"b.ex4", L"D.EX4", L"sub.ex4", L"_x.ex4"}));
  EXPECT_TRUE(entries[3].is_folder);
  EXPECT_FALSE(entries[0].is_folder);

  ASSERT_TRUE(ListEntries(Root(), L"*.*", &entries));
  EXPECT_EQ(entries.size(), 7u);
  ASSERT_TRUE(ListEntries(Root(), L"zeta", &entries));
  EXPECT_EQ(Names(entries), (std::vector<std::wstring>{L"Zeta"}));
  ASSERT_TRUE(ListEntries(Root(), L"nothing*", &entries));
  EXPECT_TRUE(entries.empty());
  EXPECT_FALSE(ListEntries(P(L"missing"), L"*", &entries));
}

TEST_P(FilesTest, OpenModes) {
  {
    auto out = OpenFile(P(L"f.txt"), OpenMode::kWriteTruncate);
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(out->Write("hello", 5));
  }
  {
    auto out = OpenFile(P(L"f.txt"), OpenMode::kWriteAppend);
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(out->Write(" world", 6));
  }
  {
    auto in = OpenFile(P(L"f.txt"), OpenMode::kReadShareRead);
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(in->Size(), 11);
    ASSERT_TRUE(in->Seek(6));
    char buffer[16];
    size_t got = 0;
    ASSERT_TRUE(in->Read(buffer, sizeof buffer, &got));
    EXPECT_EQ(std::string(buffer, got), "world");
    ASSERT_TRUE(in->Read(buffer, sizeof buffer, &got));
    EXPECT_EQ(got, 0u);
  }
  {
    auto rw = OpenFile(P(L"f.txt"), OpenMode::kReadWrite);
    ASSERT_NE(rw, nullptr);
    ASSERT_TRUE(rw->Seek(0));
    EXPECT_TRUE(rw->Write("J", 1));
  }
  EXPECT_EQ(ReadFile(L"f.txt"), "Jello world");
  {
    auto out = OpenFile(P(L"f.txt"), OpenMode::kWriteTruncate);
    ASSERT_NE(out, nullptr);
  }
  EXPECT_EQ(ReadFile(L"f.txt"), "");

  EXPECT_EQ(OpenFile(P(L"missing"), OpenMode::kReadShareAll), nullptr);
  EXPECT_EQ(OpenFile(P(L"missing"), OpenMode::kReadWrite), nullptr);
  MakeFolder(L"folder");
  EXPECT_EQ(OpenFile(P(L"folder"), OpenMode::kReadShareAll), nullptr);
  EXPECT_NE(OpenFile(P(L"folder"), OpenMode::kWriteShareAll), nullptr);
}

TEST_P(FilesTest, AFileHeldWithoutSharingIsInUseAndKeepsItsContent) {
  WriteFile(L"held.log", "line");
  EXPECT_FALSE(IsFileInUse(P(L"held.log")));
  EXPECT_FALSE(IsFileInUse(P(L"missing.log")));
  {
    auto holder = OpenFile(P(L"held.log"), OpenMode::kWriteAppend);
    ASSERT_NE(holder, nullptr);
    EXPECT_TRUE(IsFileInUse(P(L"held.log")));
    EXPECT_EQ(OpenFile(P(L"held.log"), OpenMode::kWriteTruncate), nullptr);
    EXPECT_EQ(OpenFile(P(L"held.log"), OpenMode::kReadShareRead), nullptr);
  }
  EXPECT_EQ(ReadFile(L"held.log"), "line");
  EXPECT_FALSE(IsFileInUse(P(L"held.log")));
  {
    // Readers that let others read keep writers out, not other readers.
    auto reader = OpenFile(P(L"held.log"), OpenMode::kReadShareRead);
    ASSERT_NE(reader, nullptr);
    EXPECT_NE(OpenFile(P(L"held.log"), OpenMode::kReadShareRead), nullptr);
    EXPECT_EQ(OpenFile(P(L"held.log"), OpenMode::kWriteAppend), nullptr);
    EXPECT_TRUE(IsFileInUse(P(L"held.log")));
  }
}

TEST_P(FilesTest, TimesRoundTripToTheSecondForFilesAndFolders) {
  WriteFile(L"t.txt", "x");
  MakeFolder(L"tf");
  const int64_t write_time = 129750000000000000LL;   // 2012-02-26
  const int64_t access_time = 130000000000000000LL;  // 2012-12-13
  for (const wchar_t* name : {L"t.txt", L"tf"}) {
    FileTimes before;
    ASSERT_TRUE(GetFileTimes(P(name), &before));
    ASSERT_TRUE(SetFileTimeOf(P(name), TimeKind::kLastWrite, write_time));
    ASSERT_TRUE(SetFileTimeOf(P(name), TimeKind::kLastAccess, access_time));
    FileTimes after;
    ASSERT_TRUE(GetFileTimes(P(name), &after));
    EXPECT_EQ(after.last_write / 10000000, write_time / 10000000) << name;
    EXPECT_EQ(after.last_access / 10000000, access_time / 10000000) << name;
    EXPECT_NE(after.creation, 0) << name;
  }
  FileTimes missing;
  EXPECT_FALSE(GetFileTimes(P(L"missing"), &missing));
  EXPECT_FALSE(SetFileTimeOf(P(L"missing"), TimeKind::kLastWrite, write_time));
}

TEST_P(FilesTest, InjectedFaultsFailTheNthCallOnly) {
  WriteFile(L"a", "1");
  testing::FailNthCall(testing::Op::kCopy, 2);
  EXPECT_TRUE(CopyOneFile(P(L"a"), P(L"b"), false));
  EXPECT_FALSE(CopyOneFile(P(L"a"), P(L"c"), false));
  EXPECT_FALSE(QueryAttributes(P(L"c")).exists);
  EXPECT_TRUE(CopyOneFile(P(L"a"), P(L"c"), false));

  testing::FailNthCall(testing::Op::kRemove, 1);
  EXPECT_FALSE(RemoveOneFile(P(L"b")));
  EXPECT_TRUE(QueryAttributes(P(L"b")).exists);
  EXPECT_TRUE(RemoveOneFile(P(L"b")));

  testing::FailNthCall(testing::Op::kCreateFolder, 1);
  EXPECT_FALSE(CreateOneFolder(P(L"d")));
  EXPECT_TRUE(CreateOneFolder(P(L"d")));

  testing::FailNthCall(testing::Op::kOpenRead, 1);
  EXPECT_EQ(OpenFile(P(L"a"), OpenMode::kReadShareAll), nullptr);
  EXPECT_NE(OpenFile(P(L"a"), OpenMode::kReadShareAll), nullptr);

  testing::FailNthCall(testing::Op::kOpenWrite, 1);
  EXPECT_EQ(OpenFile(P(L"a"), OpenMode::kWriteAppend), nullptr);
  EXPECT_EQ(ReadFile(L"a"), "1");

  std::vector<DirEntry> entries;
  testing::FailNthCall(testing::Op::kList, 1);
  EXPECT_FALSE(ListEntries(Root(), L"*", &entries));
  EXPECT_TRUE(ListEntries(Root(), L"*", &entries));

  // Inside one call: a walk's second listing, and a staged copy's data.
  MakeFolder(L"w\\x");
  testing::FailNthCall(testing::Op::kList, 2);
  std::vector<std::wstring> walked;
  EXPECT_FALSE(WalkFolder(P(L"w"), L"*", [&](const std::wstring& below, const DirEntry&) {
    walked.push_back(below);
    return true;
  }));
  EXPECT_EQ(walked, std::vector<std::wstring>{L"x"});
  for (testing::Op op : {testing::Op::kCopy, testing::Op::kWrite}) {
    testing::FailNthCall(op, 1);
    EXPECT_EQ(StageCopy(P(L"a"), P(L"s"), P(L"s.new")).kind(), testing::InjectedKind(op));
    EXPECT_FALSE(QueryAttributes(P(L"s.new")).exists);
  }
  EXPECT_EQ(testing::FaultsFired(), 9);

  // A new FailNthCall restarts the count; ResetAll disarms.
  testing::FailNthCall(testing::Op::kCopy, 3);
  testing::FailNthCall(testing::Op::kCopy, 1);
  EXPECT_FALSE(CopyOneFile(P(L"a"), P(L"e"), false));
  testing::FailNthCall(testing::Op::kCopy, 1);
  if (InMemory()) return;  // ResetAll drops the store too
  testing::ResetAll();
  EXPECT_TRUE(CopyOneFile(P(L"a"), P(L"e"), false));
}

// Copies and whole-file writes go through a temporary file put in place in
// one step: a failure at any point leaves the old file, and no temporary
// file stays behind.
TEST_P(FilesTest, WritesReplaceTheFileWholeOrNotAtAll) {
  WriteFile(L"new", std::string(100000, 'n'));
  const std::function<Status()> writes[] = {
      [&] { return CopyOneFile(P(L"new"), P(L"dest"), false); },
      [&] { return WriteWholeFile(P(L"dest"), std::string(100000, 'w')); },
  };
  for (const auto& write : writes) {
    for (testing::Op op : {testing::Op::kWrite, testing::Op::kReplace}) {
      WriteFile(L"dest", "old");
      testing::FailNthCall(op, 1);
      const Status failed = write();
      EXPECT_FALSE(failed);
      // The cause is the injected one, said of the destination, not of the
      // temporary file.
      EXPECT_EQ(failed.kind(), testing::InjectedKind(op));
      EXPECT_EQ(failed.path(), P(L"dest"));
      EXPECT_EQ(ReadFile(L"dest"), "old");
      std::vector<DirEntry> entries;
      ASSERT_TRUE(ListEntries(Root(), L"*", &entries));
      EXPECT_EQ(Names(entries), (std::vector<std::wstring>{L"dest", L"new"}));
    }
    // Held open without sharing: refused, kept.
    {
      auto held = OpenFile(P(L"dest"), OpenMode::kReadShareRead);
      ASSERT_NE(held, nullptr);
      EXPECT_EQ(write().kind(), FailureKind::kHeld);
      EXPECT_EQ(ReadFile(L"dest"), "old");
    }
    EXPECT_TRUE(write());
    EXPECT_EQ(ReadFile(L"dest").size(), 100000u);
  }
  // The copy keeps the source's last-write time.
  const int64_t when = 129750000000000000LL;
  ASSERT_TRUE(SetFileTimeOf(P(L"new"), TimeKind::kLastWrite, when));
  ASSERT_TRUE(CopyOneFile(P(L"new"), P(L"dest"), false));
  FileTimes times;
  ASSERT_TRUE(GetFileTimes(P(L"dest"), &times));
  EXPECT_EQ(times.last_write / 10000000, when / 10000000);
}

// What a killed run left is removed the first time a later run writes into
// that folder; a temporary file that is still being written is not.
// A capped read and a handle's write say why they failed, of the file.
TEST_P(FilesTest, ReadsAndWritesNameTheirCause) {
  WriteFile(L"ten.ini", "0123456789");
  MakeFolder(L"folder");
  std::string bytes = "stale";
  const struct {
    const wchar_t* name;
    uint64_t cap;
    FailureKind kind;
  } reads[] = {
      {L"ten.ini", 10, FailureKind::kNone},
      {L"ten.ini", 9, FailureKind::kTooLarge},
      {L"none.ini", 10, FailureKind::kMissing},
      {L"folder", 10, FailureKind::kNotRegularFile},
  };
  for (const auto& read : reads) {
    const Status got = ReadCappedFile(P(read.name), read.cap, &bytes);
    EXPECT_EQ(got.kind(), read.kind) << read.name << " cap " << read.cap;
    EXPECT_EQ(bytes, got ? "0123456789" : "") << read.name;
    if (!got) EXPECT_EQ(got.path(), P(read.name));
    EXPECT_EQ(FoundBroken(got), !got && read.kind != FailureKind::kMissing);
  }
  auto reader = OpenFile(P(L"ten.ini"), OpenMode::kReadShareAll);
  ASSERT_NE(reader, nullptr);
  const Status write = reader->Write("x", 1);
  EXPECT_FALSE(write);
  EXPECT_EQ(write.path(), P(L"ten.ini"));
}

TEST_P(FilesTest, TemporaryFilesOfAKilledRunAreSweptByTheNextWrite) {
  WriteFile(L"src", "x");
  WriteFile(L"t\\a.ex4.~99999-0.cltmp", "torn");
  WriteFile(L"t\\b.ex4.~99999-1.cltmp", "being written");
  WriteFile(L"t\\mine.cltmp", "not ours: no run number");
  auto writer = OpenFile(P(L"t\\b.ex4.~99999-1.cltmp"), OpenMode::kWriteAppend);
  ASSERT_NE(writer, nullptr);
  ASSERT_TRUE(CopyOneFile(P(L"src"), P(L"t\\a.ex4"), false));
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListEntries(P(L"t"), L"*", &entries));
  EXPECT_EQ(Names(entries),
            (std::vector<std::wstring>{L"a.ex4", L"b.ex4.~99999-1.cltmp", L"mine.cltmp"}));
}

TEST_P(FilesTest, DriveTableMapsLettersIntoFolders) {
  if (InMemory()) GTEST_SKIP() << "the disk's own";
  MakeFolder(L"drive_q\\Program Files\\MT4");
  WriteFile(L"drive_q\\Program Files\\MT4\\terminal.exe", "MZ");
  testing::SetDriveTable(std::map<wchar_t, std::wstring>{{L'q', P(L"drive_q")}});

  EXPECT_TRUE(QueryAttributes(L"Q:\\Program Files\\MT4\\terminal.exe").exists);
  EXPECT_TRUE(QueryAttributes(L"q:\\program files\\mt4").is_folder);
  EXPECT_TRUE(QueryAttributes(L"Q:\\").is_folder);
  EXPECT_FALSE(QueryAttributes(L"R:\\").exists);
  EXPECT_EQ(LogicalDriveStrings(), std::wstring(L"Q:\\\0", 4));
  EXPECT_EQ(DriveType(L"Q:"), kDriveFixed);
  EXPECT_EQ(DriveType(L"q:\\"), kDriveFixed);
  EXPECT_EQ(DriveType(L"R:"), 1);

  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListEntries(L"Q:\\", L"*", &entries));
  EXPECT_EQ(Names(entries), (std::vector<std::wstring>{L"Program Files"}));
  ASSERT_TRUE(CopyOneFile(L"Q:\\Program Files\\MT4\\terminal.exe", L"Q:\\copy.exe", true));
  EXPECT_EQ(ReadFile(L"drive_q\\copy.exe"), "MZ");
}

// What the memory store adds of its own: drive paths resolved as Windows
// does, nothing written to the disk, and the odd files tests plant.
class MemoryFilesTest : public FilesTest {};

TEST_P(MemoryFilesTest, PathsResolveOnTheDrivesOnly) {
  ASSERT_TRUE(CreateOneFolder(L"M:\\Abc"));
  ASSERT_TRUE(WriteWholeFile(L"M:\\Abc\\f.txt", "x"));
  EXPECT_TRUE(QueryAttributes(L"m:/ABC/./sub/../F.TXT").exists);
  EXPECT_TRUE(QueryAttributes(L"M:\\..\\..\\Abc\\f.txt").exists);  // never above the drive
  EXPECT_FALSE(QueryAttributes(L"M:Abc\\f.txt").exists);           // the drive's current folder
  EXPECT_FALSE(QueryAttributes(L"N:\\Abc").exists);
  EXPECT_FALSE(QueryAttributes(dir_.Join(L"Abc")).exists);
  EXPECT_EQ(dir_.ReadFile(L"Abc\\f.txt"), "");  // nothing reached the disk
  ASSERT_TRUE(RenameOverFile(L"M:\\abc\\F.txt", L"M:\\ABC\\G.txt"));
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListEntries(L"M:\\", L"*", &entries));
  EXPECT_EQ(Names(entries), (std::vector<std::wstring>{L"Abc"}));
  ASSERT_TRUE(ListEntries(L"M:\\abc", L"*", &entries));
  EXPECT_EQ(Names(entries), (std::vector<std::wstring>{L"G.txt"}));
}

TEST_P(MemoryFilesTest, PlantedFilesAreNeverReadWhole) {
  MemoryFiles& store = *platform::testing::InstalledMemoryFiles();
  std::string bytes;
  ASSERT_TRUE(store.PlantFifo(L"M:\\order.wnd"));
  EXPECT_TRUE(QueryAttributes(L"M:\\order.wnd").exists);
  EXPECT_FALSE(QueryAttributes(L"M:\\order.wnd").is_folder);
  EXPECT_EQ(OpenFile(L"M:\\order.wnd", OpenMode::kReadShareAll), nullptr);
  EXPECT_EQ(OpenFile(L"M:\\order.wnd", OpenMode::kWriteTruncate), nullptr);
  EXPECT_EQ(ReadCappedFile(L"M:\\order.wnd", kSmallFileCap, &bytes).kind(),
            FailureKind::kNotRegularFile);
  EXPECT_FALSE(CanReplaceFile(L"M:\\order.wnd"));
  EXPECT_TRUE(RemoveOneFile(L"M:\\order.wnd"));

  ASSERT_TRUE(store.PlantSized(L"M:\\big.ini", 11));
  EXPECT_EQ(ReadCappedFile(L"M:\\big.ini", 10, &bytes).kind(), FailureKind::kTooLarge);
  EXPECT_TRUE(ReadCappedFile(L"M:\\big.ini", 11, &bytes));
  EXPECT_EQ(bytes, std::string(11, '\0'));
  {
    auto patch = OpenFile(L"M:\\big.ini", OpenMode::kReadWrite);
    ASSERT_NE(patch, nullptr);
    ASSERT_TRUE(patch->Seek(2) && patch->Write("x", 1));
  }
  EXPECT_EQ(ReadFile(L"big.ini"), std::string(2, '\0') + "x" + std::string(8, '\0'));
}

INSTANTIATE_TEST_SUITE_P(Stores, FilesTest, ::testing::Values(Store::kDisk, Store::kMemory),
                         [](const auto& info) {
                           return info.param == Store::kDisk ? "Disk" : "Memory";
                         });
INSTANTIATE_TEST_SUITE_P(Store, MemoryFilesTest, ::testing::Values(Store::kMemory));

}  // namespace
}  // namespace copyloom::platform
