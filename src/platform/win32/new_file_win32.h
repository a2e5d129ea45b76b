// The Windows steps of new files that the system's profile functions need
// too. Internal to win32/.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace copyloom::platform::win32 {

// The hidden, system and archive attributes a replacement takes over
// (keep as CheckReplaceable found it) given to the new file native.
void KeepAttributes(const std::wstring& native, int64_t keep);

// WriteFile of the whole buffer. An injected kWrite fault makes it stop
// after half of the data, as a full disk would.
bool WriteAllOrFail(HANDLE file, const void* data, size_t size);

}  // namespace copyloom::platform::win32
