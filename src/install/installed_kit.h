// The record a signed kit's install leaves in each terminal's data folder:
// the kit's manifest (name, version, sides, files), written in the
// install's transaction. Uninstall removes exactly the files it lists, and
// the record.
#pragma once

namespace copyloom {

inline constexpr wchar_t kInstalledKitRecord[] = L"copyloom-kit.manifest";

}  // namespace copyloom
