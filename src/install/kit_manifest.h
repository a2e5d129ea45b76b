// The kit manifest: what a vendor's package folder holds (each file's path
// relative to the folder, size and SHA-256) and which kit it is (name,
// version, sides). A detached minisign signature, kit.manifest.minisig,
// signs it. The text, UTF-8 with "\n" line ends, tab separated:
//
//   copyloom kit manifest 1
//   name<TAB>Signal Provider
//   version<TAB>1.4.0.7
//   sides<TAB>provider
//   file<TAB>1536<TAB>9f86d0...<TAB>experts\libraries\vlcpy.dll
//
// Files are those an install copies: the plain files of the six package
// sub-folders, junk and names Windows cannot hold left out.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "foundation/kit_signature.h"

namespace copyloom {

inline constexpr wchar_t kManifestName[] = L"kit.manifest";
inline constexpr wchar_t kSignatureName[] = L"kit.manifest.minisig";
// Caps on what is read before the signature is known to be good.
inline constexpr size_t kManifestCap = 1 << 20;
inline constexpr size_t kManifestFileCount = 4096;
// What a signed kit holds in memory while it installs, at most.
inline constexpr uint64_t kSignedKitCap = 512ull << 20;

struct ManifestFile {
  std::wstring path;  // relative, "\" separated, e.g. L"experts\\libraries\\vlcpy.dll"
  uint64_t size = 0;
  std::string sha256;  // 64 lower-case hexadecimal digits
};

struct KitManifest {
  std::string name;
  std::string version;
  std::vector<std::string> sides;  // "provider", "receiver"
  std::vector<ManifestFile> files;  // sorted by path
};

// False with *why set for anything but a well-formed manifest: past its
// cap, an unknown line, a path that is absolute, has a drive, "." or "..",
// an empty part, a name Windows cannot hold, lies outside the six package
// sub-folders, or comes twice.
bool ParseManifest(const std::string& text, KitManifest* manifest, std::string* why);
std::string FormatManifest(const KitManifest& manifest);

// The manifest of a package folder as it is now: each file read once. False
// with *why naming the file that is a link or cannot be read.
bool MakeManifest(const std::wstring& package_root, KitManifest* manifest, std::wstring* why);

// The trusted public keys built in (COPYLOOM_TRUSTED_KEYS), and whether
// they include the build's test key.
const std::vector<MinisignKey>& TrustedKeys();
bool TrustsTestKey();
// Tests replace the built-in keys; nullptr restores them.
void SetTrustedKeysForTesting(const std::vector<MinisignKey>* keys);

// What an install learns of a package folder before it changes anything.
struct KitCheck {
  enum State { kUnsigned, kGenuine, kNotGenuine };
  State state = kUnsigned;
  // kNotGenuine: the file at fault (full path), and why.
  std::wstring file;
  std::string why;
  KitManifest manifest;
  // kGenuine: each manifest file's bytes, read once and checked, keyed by
  // its full path as the install lists it.
  std::map<std::wstring, std::shared_ptr<const std::string>> bytes;

  // The checked bytes of a package file; nullptr when the manifest has no
  // such file.
  std::shared_ptr<const std::string> BytesOf(const std::wstring& path) const;
};

// Unsigned when the folder holds neither kit.manifest nor its signature.
// Otherwise genuine only when the signature is good by a trusted key, the
// manifest well formed, every file it lists there with its size and
// SHA-256, not a link, and no other file in the package sub-folders.
KitCheck CheckKit(const std::wstring& package_root);

// Refuse unsigned kits (--require-signature).
void SetRequireSignature(bool require);
bool RequireSignature();

}  // namespace copyloom
