#include "app/setup_arguments.h"

#include <gtest/gtest.h>

namespace copyloom {
namespace {

using Strings = std::vector<std::wstring>;

TEST(SetupArgumentsTest, KitAndSideMakeTheProgramActAsTheKitsSetupProgram) {
  struct Case {
    Strings args;
    const wchar_t* path;  // as which program the window acts
    Strings rest;
  };
  const wchar_t* own = L"Z:\\usr\\lib\\copyloom\\copyloom-setup.exe";
  const Case cases[] = {
      {{}, own, {}},
      {{L"en"}, own, {L"en"}},
      {{L"--kit", L"Z:\\home\\me\\Signal Receiver", L"--side", L"receiver", L"en"},
       L"Z:\\home\\me\\Signal Receiver\\Setup Signal Receiver.exe",
       {L"en"}},
      {{L"en", L"--side", L"provider"},
       L"Z:\\usr\\lib\\copyloom\\Setup Signal Provider.exe",
       {L"en"}},
      {{L"--kit", L"C:\\Kit\\"}, L"C:\\Kit\\copyloom-setup.exe", {}},
      // Options without a proper value are no options: left for the rest.
      {{L"--side", L"both", L"--kit"}, own, {L"--side", L"both", L"--kit"}},
  };
  for (const Case& c : cases) {
    const SetupArguments parsed = ParseSetupArguments(c.args);
    EXPECT_EQ(SetupProgramPath(parsed, own), c.path);
    EXPECT_EQ(parsed.rest, c.rest);
  }
}

}  // namespace
}  // namespace copyloom
