// The one place where a product path becomes the path handed to Win32.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace copyloom::platform::win32 {

// "/" becomes "\". When tests have installed a drive table, "X:\rest" with X
// in the table becomes "<folder>\rest". Paths that already lie inside a
// table folder or inside the real temporary folder are left alone: on
// Windows those native folders are themselves drive paths (C:\users\...),
// and tests reach them directly while the table is in place.
std::wstring ResolvePath(const std::wstring& path);

// FILETIME <-> 100 ns units since 1601 as one number.
int64_t FromFileTime(const FILETIME& time);
FILETIME ToFileTime(int64_t time);

// A reparse point that leads elsewhere: a symbolic link or a mount point
// (junctions included). Cloud-synced or deduplicated files and folders are
// reparse points too, but hold their own content and are walked as usual.
bool IsLinkReparseTag(DWORD tag);

}  // namespace copyloom::platform::win32
