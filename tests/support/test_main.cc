// Test main: every test starts from a platform with nothing replaced.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/testing.h"

namespace {

class ResetPlatform : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override { copyloom::platform::testing::ResetAll(); }
  void OnTestEnd(const testing::TestInfo&) override { copyloom::platform::testing::ResetAll(); }
};

}  // namespace

int main(int argc, char** argv) {
  // A test that crashes still shows what ran: under Wine, output to a pipe
  // is otherwise held until exit.
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new ResetPlatform);
  return RUN_ALL_TESTS();
}
