// What a command on the rows tells its caller beyond what it shows: why it
// would not start, what each row changed and why a row failed. The command line takes its
// exit status from this value, never from the texts shown.
#pragma once

#include <map>
#include <string>

#include "install/transaction.h"

namespace copyloom {

enum class CommandRefusal {
  kNone,
  kBusy,               // a search or another command runs
  kPackageMissing,     // the kit holds no expert of the side
  kKitNotGenuine,      // a signed kit's file does not match its manifest
  kSignatureRequired,  // an unsigned kit where a signature is required
  kInvalidFolder,      // not a terminal folder, or a folder the list cannot hold
  kFileMissing,        // the terminal program to start is not there
};

// How the caller runs a command.
struct CommandOptions {
  bool dry_run = false;
};

// Why each failed row failed (kind, the trader's file, the system's text),
// keyed by the row's folder as given to the engine.
using RowFailures = std::map<std::wstring, platform::Status>;

struct CommandResult {
  CommandRefusal refusal = CommandRefusal::kNone;
  // Per row folder, as given to the engine; in a dry run what would change.
  RowChanges changes;
  RowFailures failures;
  // Why the kit was refused (English, for the command line's error stream);
  // empty when it was not.
  std::string kit_refusal;

  bool refused() const { return refusal != CommandRefusal::kNone; }
  // The latest cause of a row wins; an ok one (the row succeeded) clears it.
  void NoteRowFailure(const std::wstring& row_folder, const platform::Status& cause) {
    if (cause.ok()) {
      failures.erase(row_folder);
    } else {
      failures[row_folder] = cause;
    }
  }
};

inline CommandResult Refused(CommandRefusal why) {
  CommandResult result;
  result.refusal = why;
  return result;
}

}  // namespace copyloom
