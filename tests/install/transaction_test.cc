#include "install/transaction.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "support/test_machine.h"

namespace copyloom {
namespace {

namespace pf = platform;

constexpr wchar_t kFolder[] = L"C:\\MT4\\";

class TransactionTest : public ::testing::Test {
 protected:
  void SetUp() override { machine_.MakeTerminal(L"C:\\MT4"); }

  // A journal as a killed run leaves it: the steps, and "commit" when the
  // files had started to move.
  void WriteJournal(const std::string& steps, bool committed) {
    machine_.WriteFile(std::wstring(kFolder) + L"copyloom-1-0.cljournal",
                       "copyloom transaction 1\n" + steps + (committed ? "commit\n" : ""));
  }
  std::string Step(const char* action, const std::wstring& name, const std::string& patch = "") {
    const std::string path = pf::WideToUtf8(kFolder + name);
    return std::string(action) + "\t" + path + "\t" + path + ".~1-0.clnew\t" + path +
           ".~1-0.clold\t" + patch + "\n";
  }
  // The files of the terminal, without those that only lock.
  std::map<std::wstring, std::string> Files() {
    auto files = machine_.Files(L"C:\\MT4");
    files.erase(std::wstring(kFolder) + L"copyloom-1-0.cljournal.lock");
    return files;
  }

  test::TestMachine machine_;
};

TEST_F(TransactionTest, ACutShortCommitIsUndoneOnlyOnceItsLockIsFree) {
  const std::wstring folder = kFolder;
  // Cut short midway: a replace done, an add done, a patch done, a remove
  // moved aside.
  machine_.WriteFile(folder + L"experts\\a.ex4", "new a");
  machine_.WriteFile(folder + L"experts\\a.ex4.~1-0.clold", "old a");
  machine_.WriteFile(folder + L"experts\\b.ex4", "new b");
  machine_.WriteFile(folder + L"config\\experts.ini", std::string("x\x01z"));
  machine_.WriteFile(folder + L"templates\\c.tpl.~1-0.clold", "old c");
  WriteJournal(Step("replace", L"experts\\a.ex4") + Step("add", L"experts\\b.ex4") +
                   Step("patch", L"config\\experts.ini", "1:121:1") +
                   Step("remove", L"templates\\c.tpl"),
               true);
  const auto cut_short = Files();

  {
    // A live transaction holds the lock: its journal is not touched.
    bool busy = false;
    auto live = pf::TryLockFile(folder + L"copyloom-1-0.cljournal.lock", &busy);
    ASSERT_TRUE(live);
    EXPECT_EQ(RecoverCutShort(folder), 0);
    EXPECT_EQ(Files(), cut_short);
  }
  EXPECT_EQ(RecoverCutShort(folder), 1);
  std::map<std::wstring, std::string> old_files = {
      {folder + L"experts\\a.ex4", "old a"},
      {folder + L"config\\experts.ini", "xyz"},
      {folder + L"templates\\c.tpl", "old c"},
  };
  EXPECT_EQ(machine_.Files(L"C:\\MT4"), old_files);
}

TEST_F(TransactionTest, StagedFilesOfAnUncommittedRunGoAndAFinishedOneKeepsItsNewFiles) {
  const std::wstring folder = kFolder;
  machine_.WriteFile(folder + L"experts\\a.ex4", "old a");
  machine_.WriteFile(folder + L"experts\\a.ex4.~1-0.clnew", "new a");
  WriteJournal(Step("replace", L"experts\\a.ex4"), false);
  EXPECT_EQ(RecoverCutShort(folder), 1);
  EXPECT_EQ(machine_.Files(L"C:\\MT4"),
            (std::map<std::wstring, std::string>{{folder + L"experts\\a.ex4", "old a"}}));

  // Done, only the kept file left to remove.
  machine_.WriteFile(folder + L"experts\\a.ex4", "new a");
  machine_.WriteFile(folder + L"experts\\a.ex4.~1-0.clold", "old a");
  WriteJournal(Step("replace", L"experts\\a.ex4") + "commit\ndone\n", false);
  EXPECT_EQ(RecoverCutShort(folder), 1);
  EXPECT_EQ(machine_.Files(L"C:\\MT4"),
            (std::map<std::wstring, std::string>{{folder + L"experts\\a.ex4", "new a"}}));
}

}  // namespace
}  // namespace copyloom
