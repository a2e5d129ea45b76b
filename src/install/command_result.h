// What a command on the rows tells its caller beyond what it shows: why it
// would not start, and what each row changed. The command line takes its
// exit status from this value, never from the texts shown.
#pragma once

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

struct CommandResult {
  CommandRefusal refusal = CommandRefusal::kNone;
  // Per row folder, as given to the engine; in a dry run what would change.
  RowChanges changes;

  bool refused() const { return refusal != CommandRefusal::kNone; }
};

inline CommandResult Refused(CommandRefusal why) {
  CommandResult result;
  result.refusal = why;
  return result;
}

}  // namespace copyloom
