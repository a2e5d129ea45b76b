// Wine prefixes on the Linux command line: which prefix a run works on, the
// "prefixes" command, and --all-prefixes. prefixes_posix.cc does the work;
// the Windows build has no prefixes and refuses the options.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/product_profile.h"
#include "platform/prefix.h"

namespace copyloom::cli {

struct PrefixOptions {
  std::wstring prefix;  // --prefix DIR, absolute; empty when not given
  bool json = false;
  ProfileOptions profile;  // as the run builds its profile (--data-dir)
  // Gets the message of a selection that ends the run (stderr when unset).
  std::function<void(const std::wstring&)> refuse;
};

// Before the product profile is built: chooses the run's prefix (*prefix,
// for the run to make current). --prefix wins over WINEPREFIX; with
// neither, ~/.wine when it holds terminals or a saved list, else the one
// prefix that holds terminals (*chosen then names it). Returns -1 to go on,
// or the exit status that ends
// the run: usage when --prefix or WINEPREFIX names no prefix or one that
// cannot be read, or several prefixes hold terminals (the message lists them
// and says how to choose); failed when there is neither HOME nor a prefix.
int SelectPrefix(const PrefixOptions& options, std::wstring* chosen,
                 platform::WinePrefix* prefix);

// The "prefixes" command: each prefix found, its terminals and saved list.
int ListPrefixes(const PrefixOptions& options);

// Runs the command in prefix, its standard output gathered into *printed
// when given; returns its exit status.
using RunInPrefix = std::function<int(const platform::WinePrefix& prefix, std::string* printed)>;

// --all-prefixes: runs the command in each prefix that holds terminals, one
// after the other in this process, each in a prefix value of its own and
// under a heading of its own (one JSON object per prefix with --json).
// Returns the worst exit status.
int RunInEachPrefix(const PrefixOptions& options, const RunInPrefix& run);

}  // namespace copyloom::cli
