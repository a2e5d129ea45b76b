// Test hook of the platform seam: what tests must control, swapped in for
// the real facility on both platforms. Product code never calls these.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/failure.h"
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
// Restores every replacement: the disk comes back, without faults.
void ResetAll();

}  // namespace copyloom::platform::testing
