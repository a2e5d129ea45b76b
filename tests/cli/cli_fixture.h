// The command line as a user runs it: the built program in a process of its
// own, on terminals and a kit made in a temp folder.
#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace copyloom {

using Strings = std::vector<std::wstring>;
using nlohmann::json;

constexpr char kMarkedExpert[] = "\x01\x02 compiled CopyloomSignedEA body \x03";

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The kit: both packages, the support files.
    dir_.WriteFile(L"kit\\Signal Provider\\experts\\_Velmora Signal Provider.ex4", kMarkedExpert);
    dir_.WriteFile(L"kit\\Signal Provider\\experts\\libraries\\vlcpy.dll", "MZ library");
    dir_.WriteFile(L"kit\\Signal Provider\\templates\\Copyloom Provider.tpl", "<chart>");
    dir_.WriteFile(L"kit\\Signal Receiver\\experts\\_Velmora Signal Receiver.ex4", kMarkedExpert);
    dir_.WriteFile(L"kit\\vlcpy.sin", "settings");
    dir_.WriteFile(L"kit\\vlcpy2026.tag", "");
    MakeTerminal(L"MT4 A");
    MakeTerminal(L"MT4 B");
    dir_.MakeFolder(L"data");
    dir_.MakeFolder(L"tmp");
  }

  void MakeTerminal(const std::wstring& name) {
    dir_.MakeFolder(L"terms\\" + name + L"\\config");
    dir_.MakeFolder(L"terms\\" + name + L"\\experts");
    dir_.WriteFile(L"terms\\" + name + L"\\terminal.exe", "MZ terminal");
  }

  std::wstring Terminal(const std::wstring& name) const { return dir_.Join(L"terms\\" + name); }

  // Runs copyloom with the kit and data folder of the test machine, in the
  // environment env_.
  test::ProgramResult Run(Strings args, bool with_kit = true, std::map<std::wstring, std::wstring> env = {}) {
    Strings full;
    if (with_kit) full = {L"--kit", dir_.Join(L"kit")};
    if (with_kit && shared_data_dir_) full.insert(full.end(), {L"--data-dir", dir_.Join(L"data")});
    full.insert(full.end(), args.begin(), args.end());
    env.insert(env_.begin(), env_.end());
    auto result = test::RunProgram(platform::Utf8ToWide(COPYLOOM_CLI_PATH), full, env);
    // Lines end with CRLF on Windows.
    std::erase(result.out, '\r');
    std::erase(result.err, '\r');
    return result;
  }

  json RunJson(Strings args) {
    args.insert(args.begin(), L"--json");
    auto result = Run(args);
    last_exit_ = result.exit_code;
    json parsed = json::parse(result.out, nullptr, false);
    EXPECT_FALSE(parsed.is_discarded()) << result.out << result.err;
    return parsed;
  }

  static std::string U8(const std::wstring& text) { return platform::WideToUtf8(text); }

  test::TempDir dir_;
  // HOME is the test folder, holding no prefix; an empty value removes a
  // variable.
  std::map<std::wstring, std::wstring> env_ = {{L"WINEPREFIX", L""},
                                               {L"HOME", dir_.Join(L"")},
                                               // Whom the prefixes' profiles are for.
                                               {L"USER", L"trader"},
                                               {L"TMPDIR", dir_.Join(L"tmp")},
                                               {L"COPYLOOM_SHELL", L"none"}};
  // Off: each Wine prefix keeps its own data folder.
  bool shared_data_dir_ = true;
  int last_exit_ = -1;
};

}  // namespace copyloom
