// The tests' file systems behind the file seam: the store in memory and a
// wrapper that injects faults into whatever stands in for the disk. They
// live in the tests' library; no shipped program links them.
// platform::testing::ResetAll puts the disk back without faults.
#pragma once

#include "platform/failure.h"
#include "platform/testing.h"
#include "support/memory_files.h"

namespace copyloom::platform::testing {

// Injected faults: the nth call from now (1 = the next one) of an operation
// fails as the platform would fail it. Counting restarts with each call.
// kWrite fails the data write of a copy or a whole-file write midway (a full
// disk), after part of the data went out; kReplace fails the final step that
// puts the written file in place, and any rename.
enum class Op { kCopy, kRemove, kOpenRead, kOpenWrite, kCreateFolder, kList, kWrite, kReplace };
inline constexpr Op kAllOps[] = {Op::kCopy,         Op::kRemove, Op::kOpenRead, Op::kOpenWrite,
                                 Op::kCreateFolder, Op::kList,   Op::kWrite,    Op::kReplace};
void FailNthCall(Op op, int nth);
// The kind a fault injected into op carries.
FailureKind InjectedKind(Op op);

// How many injected faults have fired since the last ResetAll.
int FaultsFired();

// Replaces the disk by an empty file store in memory on the drives of the
// drive table, or goes back to the disk. Paths off those drives do not
// exist meanwhile. Returns the store, or nullptr.
MemoryFiles* UseMemoryFiles(bool use);
// The store in memory standing in for the disk now, else nullptr.
MemoryFiles* InstalledMemoryFiles();

}  // namespace copyloom::platform::testing
