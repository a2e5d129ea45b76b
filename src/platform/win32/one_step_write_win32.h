// Writes that cannot tear, for the Windows primitives. Internal to win32/.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace copyloom::platform::win32 {

// Puts a new file in place of target (a resolved path) in one step: fill
// creates the temporary file whose path it gets, in target's folder; it is
// then moved over target with write-through, or, with no_replace, only
// where target does not exist. Refused, target untouched, when target is a
// folder, read-only or held open without sharing. The temporary file is
// removed on any failure; what a killed run left in the folder is removed
// the first time this process writes there.
bool WriteInOneStep(const std::wstring& target, bool no_replace,
                    const std::function<bool(const std::wstring& temp)>& fill);

// The checks a replacement of target passes; *attributes gets target's
// (INVALID_FILE_ATTRIBUTES when missing). A link passes: it is replaced
// itself, never written through.
bool CheckReplaceable(const std::wstring& target, bool no_replace, DWORD* attributes);

// Lets fill create staged, a new file beside target that a transaction puts
// in place later, under the checks and attribute rules of WriteInOneStep.
// Nothing is left on failure.
bool StageBeside(const std::wstring& target, const std::wstring& staged,
                 const std::function<bool(const std::wstring& temp)>& fill);

// WriteFile of the whole buffer. An injected kWrite fault makes it stop
// after half of the data, as a full disk would.
bool WriteAllOrFail(HANDLE file, const void* data, size_t size);

}  // namespace copyloom::platform::win32
