// Test hook of the platform seam: what tests must control, swapped in for
// the real facility on both platforms. Product code never calls these.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/failure.h"
#include "platform/memory_files.h"
#include "platform/registry_store.h"

namespace copyloom::platform::testing {

// Replaces ProgramPath() (and so the program folder).
void SetProgramPath(std::optional<std::wstring> path);

// Replaces CommandLine().
void SetCommandLine(std::optional<std::wstring> command_line);

// Freezes TickCount() at a value.
void SetTickCount(std::optional<uint32_t> ticks);

// Replaces the registry (both roots) by a store; nullptr restores the real
// one (Windows registry, or the Wine prefix's files on POSIX).
void SetRegistry(std::shared_ptr<const RegistryStore> store);

// Replaces the drive table: drive letter (upper case) -> a folder of the
// real file system given as a native path of this platform. Every listed
// drive is fixed. Paths "X:\..." then resolve inside that folder, on Windows
// as on POSIX, so scenario tests build a whole machine in a temp folder.
void SetDriveTable(std::optional<std::map<wchar_t, std::wstring>> drives);

// Replaces AnsiCodePage().
void SetAnsiCodePage(std::optional<unsigned> code_page);

// Replaces the fallback special folders and the Windows/system/temp folders.
void SetWindowsFolder(std::optional<std::wstring> folder);
void SetTempFolder(std::optional<std::wstring> folder);

// Replaces RunsUnderWine().
void SetUnderWine(std::optional<bool> under_wine);

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

// Skips flushing written files to the disk before they are put in place
// (fsync, write-through): sweeps of thousands of runs need no power-loss
// safety, and the order of the steps stays the same.
void SetSkipSync(bool skip);

// How many folder listings the platform has made since the last ResetAll
// (ListEntries and the lookups of names in another letter case): the cost
// of a walk, counted rather than timed.
int FolderListings();

// How many path components the POSIX build's path mapping has taken in
// since the last ResetAll (0 on Windows): a walk that maps each folder's
// whole path again grows with the square of its depth.
int64_t PathComponentsMapped();
// Replaces the disk by an empty file store in memory (platform/memory_files.h)
// on the drives of the drive table, or goes back to the disk. Paths off
// those drives do not exist meanwhile. Returns the store, or nullptr.
MemoryFiles* UseMemoryFiles(bool use);

// Restores every replacement and clears the faults.
void ResetAll();

// ---- used by the implementations, not by tests ----
// True when the injected fault for op fires on this call.
bool ShouldFail(Op op);

}  // namespace copyloom::platform::testing
