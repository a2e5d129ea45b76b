// Test main: every test starts from a platform with nothing replaced.
#include <gtest/gtest.h>

#include "platform/testing.h"

namespace {

class ResetPlatform : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override {
    copyloom::platform::testing::ResetAll();
  }
  void OnTestEnd(const testing::TestInfo&) override {
    copyloom::platform::testing::ResetAll();
  }
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new ResetPlatform);
  return RUN_ALL_TESTS();
}
