#include "install/kit_manifest.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <mutex>

#include "foundation/file_ctrl.h"
#include "foundation/path_util.h"
#include "install/install_commands.h"
#include "install/kit_names.h"
#include "platform/platform.h"
#include "trusted_keys.h"  // generated: kTrustedKeyTexts, kTrustsTestKey

namespace copyloom {
namespace {

namespace pf = platform;

constexpr char kHeader[] = "copyloom kit manifest 1";
std::atomic<bool> g_require_signature{false};
const std::vector<MinisignKey>* g_test_keys = nullptr;

std::vector<std::string> Split(const std::string& line, char separator) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t end = line.find(separator, start);
    fields.push_back(line.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) return fields;
    start = end + 1;
  }
}

bool IsLowerHex(const std::string& text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool InPackageFolder(const std::wstring& path) {
  const size_t last = path.rfind(L'\\');
  if (last == std::wstring::npos) return false;
  const std::wstring folder = ToLower(path.substr(0, last));
  for (const wchar_t* sub : kPackageSubfolders) {
    if (folder == sub) return true;
  }
  return false;
}

// Why a manifest path may not be installed; empty when it may.
std::string PathProblem(const std::wstring& path) {
  if (path.empty()) return "an empty path";
  if (path.find(L'/') != std::wstring::npos) return "a path with \"/\"";
  if (path.size() >= 2 && path[1] == L':') return "a path with a drive";
  if (path.front() == L'\\') return "an absolute path";
  TextList parts;
  SplitText(path, L"\\", &parts, false);
  for (const std::wstring& part : parts) {
    if (part == L".." || part == L".") return "a path with \"..\" or \".\"";
    if (part.empty()) return "a path with an empty part";
    if (ClassifyKitName(part) != KitNameKind::kUsable) return "a name Windows cannot hold";
  }
  if (!InPackageFolder(path)) return "a path outside the package folders";
  return {};
}

std::wstring Join(const std::wstring& root, const std::wstring& relative) {
  std::wstring folder = root;
  if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  return folder + relative;
}

// Every file of the six package sub-folders an install would list, with
// its path relative to the root.
std::vector<std::pair<std::wstring, std::wstring>> PackageFiles(const std::wstring& root,
                                                                bool* complete) {
  std::vector<std::pair<std::wstring, std::wstring>> found;
  *complete = true;
  for (const wchar_t* sub : kPackageSubfolders) {
    TextList files;
    if (!ListKitFolder(Join(root, sub), L"", &files)) *complete = false;
    for (const std::wstring& path : files) {
      found.emplace_back(path, std::wstring(sub) + L"\\" + GetPathFileName(path, true));
    }
  }
  return found;
}

std::wstring Key(const std::wstring& path) { return ToLower(NormalizeFilePath(path)); }

// A path as the user gave its root: one separator throughout, "/" on a
// POSIX path (a kit named with --kit on Linux), else "\".
std::wstring ShownPath(std::wstring path) {
  const bool posix = !path.empty() && path.front() == L'/';
  std::replace(path.begin(), path.end(), posix ? L'\\' : L'/', posix ? L'/' : L'\\');
  return path;
}

}  // namespace

bool ParseManifest(const std::string& text, KitManifest* manifest, std::string* why) {
  *manifest = KitManifest();
  if (text.size() > kManifestCap) {
    *why = "the manifest is too long";
    return false;
  }
  if (text.find('\0') != std::string::npos || text.find('\r') != std::string::npos) {
    *why = "the manifest is not a text of \"\\n\" ended lines";
    return false;
  }
  const std::vector<std::string> lines = Split(text, '\n');
  if (lines.empty() || lines[0] != kHeader) {
    *why = "not a kit manifest";
    return false;
  }
  bool named = false, versioned = false, sided = false;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.empty()) {
      if (i + 1 == lines.size()) break;  // the last line's end
      *why = "an empty line in the manifest";
      return false;
    }
    const std::vector<std::string> fields = Split(line, '\t');
    const std::string where = " (line " + std::to_string(i + 1) + ")";
    if (fields[0] == "name" && fields.size() == 2 && !named && !fields[1].empty()) {
      manifest->name = fields[1];
      named = true;
    } else if (fields[0] == "version" && fields.size() == 2 && !versioned && !fields[1].empty()) {
      manifest->version = fields[1];
      versioned = true;
    } else if (fields[0] == "sides" && fields.size() == 2 && !sided) {
      for (const std::string& side : Split(fields[1], ',')) {
        if (side != "provider" && side != "receiver") {
          *why = "an unknown side" + where;
          return false;
        }
        manifest->sides.push_back(side);
      }
      sided = true;
    } else if (fields[0] == "file" && fields.size() == 4) {
      ManifestFile file;
      const std::string& size = fields[1];
      if (size.empty() || size.size() > 12 ||
          !std::all_of(size.begin(), size.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        *why = "a file size that is no number" + where;
        return false;
      }
      file.size = std::strtoull(size.c_str(), nullptr, 10);
      if (fields[2].size() != 64 || !IsLowerHex(fields[2])) {
        *why = "a digest that is no SHA-256" + where;
        return false;
      }
      file.sha256 = fields[2];
      file.path = pf::Utf8ToWide(fields[3]);
      if (pf::WideToUtf8(file.path) != fields[3]) {
        *why = "a path that is no UTF-8" + where;
        return false;
      }
      const std::string problem = PathProblem(file.path);
      if (!problem.empty()) {
        *why = problem + where;
        return false;
      }
      for (const ManifestFile& other : manifest->files) {
        if (ToLower(other.path) == ToLower(file.path)) {
          *why = "a file listed twice" + where;
          return false;
        }
      }
      if (manifest->files.size() >= kManifestFileCount) {
        *why = "too many files in the manifest";
        return false;
      }
      manifest->files.push_back(std::move(file));
    } else {
      *why = "an unknown or repeated line" + where;
      return false;
    }
  }
  if (!named || !versioned || !sided) {
    *why = "the manifest lacks its name, version or sides";
    return false;
  }
  std::sort(manifest->files.begin(), manifest->files.end(),
            [](const ManifestFile& a, const ManifestFile& b) { return a.path < b.path; });
  return true;
}

std::string FormatManifest(const KitManifest& manifest) {
  std::string text = std::string(kHeader) + "\n";
  text += "name\t" + manifest.name + "\n";
  text += "version\t" + manifest.version + "\n";
  std::string sides;
  for (const std::string& side : manifest.sides) sides += (sides.empty() ? "" : ",") + side;
  text += "sides\t" + sides + "\n";
  std::vector<ManifestFile> files = manifest.files;
  // By the UTF-8 bytes: the build's CMake sorts the same way.
  std::sort(files.begin(), files.end(), [](const ManifestFile& a, const ManifestFile& b) {
    return pf::WideToUtf8(a.path) < pf::WideToUtf8(b.path);
  });
  for (const ManifestFile& file : files) {
    text += "file\t" + std::to_string(file.size) + "\t" + file.sha256 + "\t" +
            pf::WideToUtf8(file.path) + "\n";
  }
  return text;
}

bool MakeManifest(const std::wstring& package_root, KitManifest* manifest, std::wstring* why) {
  bool complete = true;
  uint64_t total = 0;
  for (const auto& [path, relative] : PackageFiles(package_root, &complete)) {
    if (pf::QueryAttributes(path).is_link) {
      *why = path;
      return false;
    }
    std::string bytes;
    if (!pf::ReadCappedFile(path, kSignedKitCap - total, &bytes)) {
      *why = path;
      return false;
    }
    total += bytes.size();
    manifest->files.push_back({relative, bytes.size(), Sha256Hex(bytes.data(), bytes.size())});
  }
  if (!complete) {
    *why = package_root;
    return false;
  }
  return true;
}

const std::vector<MinisignKey>& TrustedKeys() {
  if (g_test_keys) return *g_test_keys;
  static const std::vector<MinisignKey> keys = [] {
    std::vector<MinisignKey> parsed;
    for (const char* text : kTrustedKeyTexts) {
      MinisignKey key;
      std::string why;
      if (*text && ParseMinisignKey(text, &key, &why)) parsed.push_back(key);
    }
    return parsed;
  }();
  return keys;
}

bool TrustsTestKey() { return kTrustsTestKey; }

void SetTrustedKeysForTesting(const std::vector<MinisignKey>* keys) { g_test_keys = keys; }

std::shared_ptr<const std::string> KitCheck::BytesOf(const std::wstring& path) const {
  auto it = bytes.find(Key(path));
  return it == bytes.end() ? nullptr : it->second;
}

KitCheck CheckKit(const std::wstring& package_root) {
  KitCheck check;
  const std::wstring manifest_path = Join(package_root, kManifestName);
  const std::wstring signature_path = Join(package_root, kSignatureName);
  auto refuse = [&](const std::wstring& file, const std::string& why) {
    check.state = KitCheck::kNotGenuine;
    check.file = ShownPath(file);
    check.why = why;
    check.bytes.clear();
    return check;
  };
  const auto manifest_attributes = pf::QueryAttributes(manifest_path);
  const auto signature_attributes = pf::QueryAttributes(signature_path);
  if (!manifest_attributes.exists && !signature_attributes.exists &&
      !manifest_attributes.is_link && !signature_attributes.is_link) {
    return check;  // unsigned
  }
  // The signature first: nothing else is believed before it.
  std::string signature_text, manifest_text;
  if (signature_attributes.is_link ||
      !pf::ReadCappedFile(signature_path, kSignatureCap, &signature_text)) {
    return refuse(signature_path, "the signature is missing, a link or too long");
  }
  if (manifest_attributes.is_link ||
      !pf::ReadCappedFile(manifest_path, kManifestCap, &manifest_text)) {
    return refuse(manifest_path, "the manifest is missing, a link or too long");
  }
  MinisignSignature signature;
  std::string why;
  if (!ParseMinisignSignature(signature_text, &signature, &why)) return refuse(signature_path, why);
  switch (CheckMinisignSignature(manifest_text, signature, TrustedKeys())) {
    case SignatureCheck::kOtherKey:
      return refuse(signature_path,
                    "signed by another key (" + MinisignKeyIdText(signature.key_id) + ")");
    case SignatureCheck::kBad:
      return refuse(manifest_path, "the signature does not match the manifest");
    case SignatureCheck::kGood:
      break;
  }
  if (!ParseManifest(manifest_text, &check.manifest, &why)) return refuse(manifest_path, why);

  // Every file the install would list must be in the manifest...
  std::map<std::wstring, const ManifestFile*> listed;
  for (const ManifestFile& file : check.manifest.files) listed[ToLower(file.path)] = &file;
  bool complete = true;
  std::map<std::wstring, std::wstring> present;  // relative, lower case -> full path
  for (const auto& [path, relative] : PackageFiles(package_root, &complete)) {
    if (!listed.count(ToLower(relative))) return refuse(path, "a file the manifest does not list");
    present[ToLower(relative)] = path;
  }
  if (!complete) return refuse(package_root, "a package folder could not be listed");
  // ...and every file of the manifest there, read once, as it says.
  uint64_t total = 0;
  for (const ManifestFile& file : check.manifest.files) {
    auto it = present.find(ToLower(file.path));
    const std::wstring path = it != present.end() ? it->second : Join(package_root, file.path);
    if (it == present.end()) return refuse(path, "a file of the manifest is missing");
    if (pf::QueryAttributes(path).is_link) return refuse(path, "a link");
    if (file.size > kSignedKitCap - total) return refuse(path, "the kit is too large");
    auto bytes = std::make_shared<std::string>();
    // One byte past the size tells a longer file.
    if (!pf::ReadCappedFile(path, file.size + 1, bytes.get()) ||
        bytes->size() != file.size || Sha256Hex(bytes->data(), bytes->size()) != file.sha256) {
      return refuse(path, "the file differs from the manifest");
    }
    total += file.size;
    check.bytes[Key(path)] = std::move(bytes);
  }
  check.state = KitCheck::kGenuine;
  return check;
}

namespace {
std::mutex g_refusal_mutex;
std::string& Refusal() {
  static auto* why = new std::string;
  return *why;
}
}  // namespace

void NoteKitRefusal(const std::string& why) {
  std::lock_guard<std::mutex> lock(g_refusal_mutex);
  Refusal() = why;
}

std::string LastKitRefusal() {
  std::lock_guard<std::mutex> lock(g_refusal_mutex);
  return Refusal();
}

void SetRequireSignature(bool require) { g_require_signature = require; }
bool RequireSignature() { return g_require_signature; }

}  // namespace copyloom
