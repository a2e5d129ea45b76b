// Wine prefixes for the Linux build. A prefix is probed in this process (the
// platform reads the registry and drives of whatever WINEPREFIX names), but a
// command runs in one prefix per process: the product profile, the settings
// file and the log are fixed at start-up, so --all-prefixes runs this
// program once per prefix.
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "app/run_texts.h"
#include "app/self_check.h"
#include "cli/cli.h"
#include "cli/prefixes.h"
#include "foundation/ini_file.h"
#include "foundation/path_util.h"
#include "platform/platform.h"
#include "platform/posix/path_mapper.h"
#include "platform/posix/spawn.h"
#include "platform/posix/wine_prefix.h"
#include "terminals/terminal_discovery.h"
#include "terminals/terminal_list.h"

namespace copyloom::cli {
namespace {

using nlohmann::ordered_json;

struct PrefixFacts {
  std::string folder;
  std::string arch;
  int terminals = 0;
  bool saved_list = false;
  bool HoldsTerminals() const { return terminals > 0 || saved_list; }
};

void Out(FILE* stream, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fflush(stream);
}

std::string Getenv(const char* name) {
  const char* value = getenv(name);
  return value ? value : "";
}

std::string Home() {
  std::string home = Getenv("HOME");
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return home;
}

// What a run in the prefix would see: the terminals a search finds and the
// list saved in its data folder. Reads only.
PrefixFacts Probe(const std::string& folder, const ProfileOptions& profile) {
  PrefixFacts facts;
  facts.folder = folder;
  facts.arch = platform::posix::WinePrefixArch(folder);
  setenv("WINEPREFIX", folder.c_str(), 1);
  InitProductProfile(profile);
  // The run proper reports its own start-up checks.
  TakeSelfCheckMessages();
  // Only a settings folder inside the prefix holds the prefix's own list (a
  // prefix without shell folders has Wine's default one inside it); one
  // outside (--data-dir) says nothing of this prefix.
  const std::wstring settings_folder = TheProfile().settings_folder;
  if (platform::posix::IsWindowsStyle(settings_folder)) {
    CConfig settings;
    settings.SetConfigFile(settings_folder + kSettingsFileName);
    facts.saved_list = !settings.GetConfigValue(kKeyPath).empty();
  }
  TextList candidates;
  SplitText(FindTerminalFolders(), L"|", &candidates, true);
  std::vector<std::wstring> found;
  for (const auto& candidate : candidates) {
    if (!IsTerminalFolder(candidate)) continue;
    if (std::none_of(found.begin(), found.end(),
                     [&](const std::wstring& f) { return SameFolder(f, candidate); })) {
      found.push_back(candidate);
    }
  }
  facts.terminals = static_cast<int>(found.size());
  return facts;
}

std::vector<PrefixFacts> ProbeAll(const PrefixOptions& options,
                                  std::vector<platform::posix::UnreadablePrefix>* unreadable =
                                      nullptr) {
  const std::string first =
      options.prefix.empty() ? Getenv("WINEPREFIX") : platform::posix::WideToNative(options.prefix);
  const std::string saved = Getenv("WINEPREFIX");
  std::vector<PrefixFacts> all;
  for (const auto& folder : platform::posix::FindWinePrefixes(Home(), first, unreadable)) {
    all.push_back(Probe(folder, options.profile));
  }
  if (saved.empty()) {
    unsetenv("WINEPREFIX");
  } else {
    setenv("WINEPREFIX", saved.c_str(), 1);
  }
  return all;
}

std::string TerminalCount(int n) {
  return std::to_string(n) + (n == 1 ? " terminal" : " terminals");
}

// Runs a program and waits; with captured set its standard output goes there.
int RunChild(const std::string& program, const std::vector<std::string>& args,
             std::string* captured) {
  platform::posix::ChildRun run;
  run.argv = {program};
  run.argv.insert(run.argv.end(), args.begin(), args.end());
  run.output = captured;
  return platform::posix::RunAndWait(run).exit_status.value_or(kExitFailed);
}

// 2 (usage) is worse than 1 (failed), which is worse than 0.
int Worse(int a, int b) {
  auto rank = [](int s) { return s == kExitOk ? 0 : s == kExitUsage ? 2 : 1; };
  const int worst = std::max(rank(a), rank(b));
  return worst == 0 ? kExitOk : worst == 2 ? kExitUsage : kExitFailed;
}

}  // namespace

int SelectPrefix(const PrefixOptions& options, std::wstring* chosen) {
  auto refuse = [&](const std::wstring& message, int status) {
    if (options.refuse) {
      options.refuse(message);
    } else {
      Out(stderr, "copyloom: " + platform::WideToUtf8(message) + "\n");
    }
    return status;
  };
  // --prefix wins; a WINEPREFIX is held to the same test.
  const std::string named =
      options.prefix.empty() ? Getenv("WINEPREFIX") : platform::posix::WideToNative(options.prefix);
  if (!named.empty()) {
    std::string unreadable;
    if (!platform::posix::IsWinePrefixFolder(named, &unreadable)) {
      const std::wstring folder = platform::posix::NativeToWide(named);
      return refuse(unreadable.empty()
                        ? RunMessage(RunText::NotAPrefix, {folder})
                        : RunMessage(RunText::PrefixUnreadable,
                                     {folder, platform::posix::NativeToWide(unreadable)}),
                    kExitUsage);
    }
    setenv("WINEPREFIX", named.c_str(), 1);
    return -1;
  }
  if (Home().empty()) {
    // Without a prefix the data folder would be formed from an empty HOME.
    if (options.profile.data_folder_override) return -1;
    return refuse(RunMessage(RunText::HomeNotSet), kExitFailed);
  }

  const std::string wine = Home() + "/.wine";
  std::string unreadable;
  const bool wine_is_prefix = platform::posix::IsWinePrefixFolder(wine, &unreadable);
  if (!unreadable.empty()) {
    Out(stderr, "copyloom: " +
                    platform::WideToUtf8(RunMessage(RunText::PrefixUnreadable,
                                                    {platform::posix::NativeToWide(wine),
                                                     platform::posix::NativeToWide(unreadable)})) +
                    "\n");
  }
  if (wine_is_prefix && Probe(wine, options.profile).HoldsTerminals()) {
    unsetenv("WINEPREFIX");
    return -1;
  }
  std::vector<PrefixFacts> holding;
  for (const auto& facts : ProbeAll(options)) {
    if (facts.HoldsTerminals()) holding.push_back(facts);
  }
  if (holding.size() == 1) {
    setenv("WINEPREFIX", holding[0].folder.c_str(), 1);
    *chosen = platform::posix::NativeToWide(holding[0].folder);
    return -1;
  }
  if (holding.empty()) return -1;  // ~/.wine, as Wine itself would take
  std::string message = "several Wine prefixes hold MT4 terminals:\n";
  for (const auto& facts : holding) {
    message += "  " + facts.folder + " (" + TerminalCount(facts.terminals) +
               (facts.saved_list ? ", saved list" : "") + ")\n";
  }
  message +=
      "choose one with --prefix DIR (or WINEPREFIX=DIR), or run the command in each with "
      "--all-prefixes";
  return refuse(platform::Utf8ToWide(message), kExitUsage);
}

int ListPrefixes(const PrefixOptions& options) {
  std::vector<platform::posix::UnreadablePrefix> unreadable;
  const std::vector<PrefixFacts> all = ProbeAll(options, &unreadable);
  if (options.json) {
    ordered_json out;
    out["prefixes"] = ordered_json::array();
    for (const auto& facts : all) {
      ordered_json p;
      p["folder"] = facts.folder;
      p["arch"] = facts.arch;
      p["terminals"] = facts.terminals;
      p["saved_list"] = facts.saved_list;
      out["prefixes"].push_back(p);
    }
    for (const auto& bad : unreadable) {
      ordered_json p;
      p["folder"] = bad.folder;
      p["unreadable"] = bad.reason;
      out["prefixes"].push_back(p);
    }
    out["exit"] = kExitOk;
    Out(stdout, out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
    return kExitOk;
  }
  if (all.empty() && unreadable.empty()) Out(stdout, "No Wine prefix found.\n");
  for (const auto& bad : unreadable) {
    Out(stdout, platform::WideToUtf8(RunMessage(RunText::PrefixUnreadable,
                                                {platform::posix::NativeToWide(bad.folder),
                                                 platform::posix::NativeToWide(bad.reason)})) +
                    "\n");
  }
  for (const auto& facts : all) {
    Out(stdout, facts.folder + "\t" + (facts.arch.empty() ? "?" : facts.arch) + "\t" +
                    TerminalCount(facts.terminals) + "\t" +
                    (facts.saved_list ? "saved list" : "no saved list") + "\n");
  }
  return kExitOk;
}

int RunInEachPrefix(const PrefixOptions& options, const std::vector<std::wstring>& args) {
  std::vector<std::string> rest;
  for (const auto& arg : args) {
    if (arg != L"--all-prefixes") rest.push_back(platform::WideToUtf8(arg));
  }
  const std::string program = platform::posix::WideToNative(platform::ProgramPath());
  ordered_json out;
  out["prefixes"] = ordered_json::array();
  int worst = kExitOk;
  bool any = false;
  // The run in progress gets the signal too and stops after its terminal;
  // the prefixes after it are not begun.
  platform::WatchStopRequests();
  for (const auto& facts : ProbeAll(options)) {
    if (!facts.HoldsTerminals()) continue;
    if (platform::StopRequested() != 0) break;
    std::vector<std::string> child_args = {"--prefix", facts.folder};
    child_args.insert(child_args.end(), rest.begin(), rest.end());
    if (!options.json) {
      Out(stdout, std::string(any ? "\n" : "") + "== Wine prefix: " + facts.folder + "\n");
      any = true;
      worst = Worse(worst, RunChild(program, child_args, nullptr));
      continue;
    }
    std::string captured;
    const int status = RunChild(program, child_args, &captured);
    worst = Worse(worst, status);
    ordered_json one;
    one["prefix"] = facts.folder;
    const ordered_json run = ordered_json::parse(captured, nullptr, false);
    if (run.is_object()) {
      for (const auto& [key, value] : run.items()) one[key] = value;
    }
    one["exit"] = status;
    out["prefixes"].push_back(one);
  }
  if (platform::StopRequested() != 0) worst = platform::StopRequested();
  if (options.json) {
    out["exit"] = worst;
    Out(stdout, out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
  } else if (!any) {
    Out(stdout, "No Wine prefix holds MT4 terminals.\n");
  }
  return worst;
}

}  // namespace copyloom::cli
