// The record a signed kit's install leaves in each terminal's data folder:
// the manifest of the kit (name, version, sides) with the files the install
// put in, written in the install's transaction. Uninstall removes exactly
// the files it lists, and the record; status and verify compare the
// terminal's files with it; an older kit of the same name is refused.
#pragma once

#include <string>

#include "foundation/path_util.h"
#include "install/kit_manifest.h"
#include "terminals/terminal_layout.h"

namespace copyloom {

inline constexpr wchar_t kInstalledKitRecord[] = L"copyloom-kit.manifest";

// Below zero, zero or above zero as version a is older than, the same as or
// newer than b. Dotted parts compare as numbers ("1.4.0.10" after
// "1.4.0.9"), a missing part as 0; a part that is no number compares as
// text, after every number.
int CompareKitVersions(const std::string& a, const std::string& b);

struct InstalledKit {
  bool recorded = false;  // the terminal has a record
  KitManifest manifest;   // when it could be read
  // Files of the record missing from the terminal or differing there (the
  // record itself when it cannot be read), relative to the data folder
  // ("MQL4\Libraries\vlcpy.dll").
  TextList modified;
};

// The terminal's record, and each of its files read once and compared.
InstalledKit ReadInstalledKit(const TerminalLayout& layout);

// The manifest of the package folder when its signature is good by a
// trusted key (its files are not read); false otherwise.
bool ReadSignedManifest(const std::wstring& package_root, KitManifest* manifest);

// The version of the same kit the terminal holds when it is newer than kit
// (a downgrade), unless downgrades are allowed; empty otherwise.
std::string NewerKitHeld(const std::wstring& installation, const KitManifest& kit);

// Install an older kit over a newer one (--allow-downgrade).
void SetAllowDowngrade(bool allow);
bool AllowDowngrade();

}  // namespace copyloom
