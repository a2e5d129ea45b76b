// Wine prefixes for the Linux build. Each prefix probed or run in is a value
// of its own (its drives, registry and code page), made afresh and handed to
// the seam for that step only, so one prefix never sees what was read of
// another; the environment is read once, for the default.
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
#include "platform/prefix.h"
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

// What the environment says of prefixes, read once at start: WINEPREFIX,
// HOME and the user every prefix is made for.
struct Environment {
  std::string wineprefix;
  std::string home;  // without a trailing "/"
  std::wstring user;
};

const Environment& TheEnvironment() {
  static const Environment environment = [] {
    Environment e;
    if (const char* value = getenv("WINEPREFIX")) e.wineprefix = value;
    if (const char* value = getenv("HOME")) e.home = value;
    while (e.home.size() > 1 && e.home.back() == '/') e.home.pop_back();
    e.user = platform::PrefixFromEnvironment().user_name();
    return e;
  }();
  return environment;
}

std::string Home() { return TheEnvironment().home; }

platform::WinePrefix PrefixIn(const std::string& folder) {
  return platform::WinePrefix(platform::FromNativeFileName(folder), TheEnvironment().user);
}

std::wstring Wide(const std::string& native) { return platform::FromNativeFileName(native); }

// What a run in the prefix would see: the terminals a search finds and the
// list saved in its data folder. Reads only, in a value of its own: what it
// notes (a broken registry) is the run's to find again, not this probe's.
PrefixFacts Probe(const std::string& folder, const ProfileOptions& profile) {
  PrefixFacts facts;
  facts.folder = folder;
  facts.arch = platform::NativeFileName(platform::WinePrefixArch(Wide(folder)));
  platform::PrefixScope scope(PrefixIn(folder));
  InitProductProfile(profile);
  // The run proper reports its own start-up checks.
  TakeSelfCheckMessages();
  // Only a settings folder inside the prefix holds the prefix's own list (a
  // prefix without shell folders has Wine's default one inside it); one
  // outside (--data-dir) says nothing of this prefix.
  const std::wstring settings_folder = TheProfile().settings_folder;
  if (platform::IsPrefixPath(settings_folder)) {
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
  platform::TakeBrokenSettingsFile();
  return facts;
}

std::vector<PrefixFacts> ProbeAll(const PrefixOptions& options,
                                  std::vector<platform::UnreadablePrefix>* unreadable = nullptr) {
  const std::wstring first =
      options.prefix.empty() ? Wide(TheEnvironment().wineprefix) : options.prefix;
  std::vector<PrefixFacts> all;
  for (const auto& folder : platform::FindWinePrefixes(Wide(Home()), first, unreadable)) {
    all.push_back(Probe(platform::NativeFileName(folder), options.profile));
  }
  return all;
}

std::string TerminalCount(int n) {
  return std::to_string(n) + (n == 1 ? " terminal" : " terminals");
}

// 2 (usage) is worse than 1 (failed), which is worse than 0.
int Worse(int a, int b) {
  auto rank = [](int s) { return s == kExitOk ? 0 : s == kExitUsage ? 2 : 1; };
  const int worst = std::max(rank(a), rank(b));
  return worst == 0 ? kExitOk : worst == 2 ? kExitUsage : kExitFailed;
}

int Refuse(const PrefixOptions& options, const std::wstring& message, int status) {
  if (options.refuse) {
    options.refuse(message);
  } else {
    Out(stderr, "copyloom: " + platform::WideToUtf8(message) + "\n");
  }
  return status;
}

std::wstring SeveralPrefixesText(const std::vector<PrefixFacts>& holding) {
  std::string message = "several Wine prefixes hold MT4 terminals:\n";
  for (const auto& facts : holding) {
    message += "  " + facts.folder + " (" + TerminalCount(facts.terminals) +
               (facts.saved_list ? ", saved list" : "") + ")\n";
  }
  message +=
      "choose one with --prefix DIR (or WINEPREFIX=DIR), or run the command in each with "
      "--all-prefixes";
  return platform::Utf8ToWide(message);
}

// ~/.wine, as Wine itself would take, unless another prefix alone holds
// terminals.
int ChooseUnnamedPrefix(const PrefixOptions& options, std::wstring* chosen,
                        platform::WinePrefix* prefix) {
  const std::string wine = Home() + "/.wine";
  *prefix = PrefixIn(wine);
  std::wstring unreadable;
  const bool wine_is_prefix = platform::IsWinePrefixFolder(Wide(wine), &unreadable);
  if (!unreadable.empty()) {
    Out(stderr, "copyloom: " +
                    platform::WideToUtf8(
                        RunMessage(RunText::PrefixUnreadable, {Wide(wine), unreadable})) +
                    "\n");
  }
  if (wine_is_prefix && Probe(wine, options.profile).HoldsTerminals()) return -1;
  std::vector<PrefixFacts> holding;
  for (const auto& facts : ProbeAll(options)) {
    if (facts.HoldsTerminals()) holding.push_back(facts);
  }
  if (holding.size() == 1) {
    *prefix = PrefixIn(holding[0].folder);
    *chosen = Wide(holding[0].folder);
    return -1;
  }
  if (holding.empty()) return -1;
  return Refuse(options, SeveralPrefixesText(holding), kExitUsage);
}

}  // namespace

int SelectPrefix(const PrefixOptions& options, std::wstring* chosen, platform::WinePrefix* prefix) {
  // --prefix wins; a WINEPREFIX is held to the same test.
  const std::wstring named =
      options.prefix.empty() ? Wide(TheEnvironment().wineprefix) : options.prefix;
  if (!named.empty()) {
    std::wstring unreadable;
    if (!platform::IsWinePrefixFolder(named, &unreadable)) {
      return Refuse(options,
                    unreadable.empty() ? RunMessage(RunText::NotAPrefix, {named})
                                       : RunMessage(RunText::PrefixUnreadable, {named, unreadable}),
                    kExitUsage);
    }
    *prefix = PrefixIn(platform::NativeFileName(named));
    return -1;
  }
  if (Home().empty()) {
    // Without a prefix the data folder would be formed from an empty HOME.
    *prefix = platform::WinePrefix();
    if (options.profile.data_folder_override) return -1;
    return Refuse(options, RunMessage(RunText::HomeNotSet), kExitFailed);
  }
  return ChooseUnnamedPrefix(options, chosen, prefix);
}

int ListPrefixes(const PrefixOptions& options) {
  std::vector<platform::UnreadablePrefix> unreadable;
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
      p["folder"] = platform::NativeFileName(bad.folder);
      p["unreadable"] = platform::WideToUtf8(bad.reason);
      out["prefixes"].push_back(p);
    }
    out["exit"] = kExitOk;
    Out(stdout, out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
    return kExitOk;
  }
  if (all.empty() && unreadable.empty()) Out(stdout, "No Wine prefix found.\n");
  for (const auto& bad : unreadable) {
    Out(stdout,
        platform::WideToUtf8(RunMessage(RunText::PrefixUnreadable, {bad.folder, bad.reason})) +
            "\n");
  }
  for (const auto& facts : all) {
    Out(stdout, facts.folder + "\t" + (facts.arch.empty() ? "?" : facts.arch) + "\t" +
                    TerminalCount(facts.terminals) + "\t" +
                    (facts.saved_list ? "saved list" : "no saved list") + "\n");
  }
  return kExitOk;
}

int RunInEachPrefix(const PrefixOptions& options, const RunInPrefix& run) {
  ordered_json out;
  out["prefixes"] = ordered_json::array();
  int worst = kExitOk;
  bool any = false;
  // The run in progress stops after its terminal; the prefixes after it
  // are not begun.
  platform::WatchStopRequests();
  for (const auto& facts : ProbeAll(options)) {
    if (!facts.HoldsTerminals()) continue;
    if (platform::StopRequested() != 0) break;
    // A value made afresh for the run: nothing the probes or the prefix
    // before read is carried into it.
    const platform::WinePrefix prefix = PrefixIn(facts.folder);
    if (!options.json) {
      Out(stdout, std::string(any ? "\n" : "") + "== Wine prefix: " + facts.folder + "\n");
      any = true;
      worst = Worse(worst, run(prefix, nullptr));
      continue;
    }
    std::string printed;
    const int status = run(prefix, &printed);
    worst = Worse(worst, status);
    ordered_json one;
    one["prefix"] = facts.folder;
    const ordered_json result = ordered_json::parse(printed, nullptr, false);
    if (result.is_object()) {
      for (const auto& [key, value] : result.items()) one[key] = value;
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
