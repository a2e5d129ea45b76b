// Wine prefixes on the Linux command line: which prefix a run works on, the
// "prefixes" command, and --all-prefixes. prefixes_posix.cc does the work;
// the Windows build has no prefixes and refuses the options.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/product_profile.h"

namespace copyloom::cli {

struct PrefixOptions {
  std::wstring prefix;  // --prefix DIR, absolute; empty when not given
  bool json = false;
  ProfileOptions profile;  // as the run builds its profile (--data-dir)
  // Gets the message of a selection that ends the run (stderr when unset).
  std::function<void(const std::wstring&)> refuse;
};

// Before the product profile is built: makes the run's prefix the current
// one. --prefix wins over WINEPREFIX; with neither, ~/.wine when it holds
// terminals or a saved list, else the one prefix that holds terminals
// (*chosen then names it). Returns -1 to go on, or the exit status that ends
// the run: usage when --prefix or WINEPREFIX names no prefix or one that
// cannot be read, or several prefixes hold terminals (the message lists them
// and says how to choose); failed when there is neither HOME nor a prefix.
int SelectPrefix(const PrefixOptions& options, std::wstring* chosen);

// The "prefixes" command: each prefix found, its terminals and saved list.
int ListPrefixes(const PrefixOptions& options);

// --all-prefixes: runs this program with args (less --all-prefixes) in each
// prefix that holds terminals, one after the other, each under a heading of
// its own (one JSON object per prefix with --json). Returns the worst exit
// status.
int RunInEachPrefix(const PrefixOptions& options, const std::vector<std::wstring>& args);

}  // namespace copyloom::cli
