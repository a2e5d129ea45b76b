// Internal to the platform implementations: the replacements installed by
// platform/testing.h. Each getter answers nullopt / nullptr when nothing is
// replaced, and the implementation then asks the real facility.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/registry_store.h"

namespace copyloom::platform::hooks {

std::optional<std::wstring> ProgramPath();
std::optional<std::wstring> CommandLine();
std::optional<uint32_t> TickCount();
std::shared_ptr<const RegistryStore> Registry();
// Letter (upper case) -> native folder.
const std::map<wchar_t, std::wstring>* DriveTable();
std::optional<unsigned> AnsiCodePage();
std::optional<std::wstring> WindowsFolder();
std::optional<std::wstring> TempFolder();
bool SkipSync();
std::optional<bool> UnderWine();
// Counts one folder listing made by the seam.
void CountListing();
// Counts the components of one path mapped to a native name.
void CountPathComponents(size_t count);
// Ends the process: a native path was mapped while a test's file system
// stands in for the disk, which must not be reached meanwhile.
[[noreturn]] void NotOnDisk(const char* what);

}  // namespace copyloom::platform::hooks
