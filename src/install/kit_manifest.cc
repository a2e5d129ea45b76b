#include "install/kit_manifest.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <optional>

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

// Why a "file" line's fields name no file the manifest may hold; empty when
// they do.
std::string ReadFileLine(const std::vector<std::string>& fields, const KitManifest& manifest,
                         ManifestFile* file) {
  const std::string& size = fields[1];
  if (size.empty() || size.size() > 12 ||
      !std::all_of(size.begin(), size.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return "a file size that is no number";
  }
  file->size = std::strtoull(size.c_str(), nullptr, 10);
  if (fields[2].size() != 64 || !IsLowerHex(fields[2])) return "a digest that is no SHA-256";
  file->sha256 = fields[2];
  file->path = pf::Utf8ToWide(fields[3]);
  if (pf::WideToUtf8(file->path) != fields[3]) return "a path that is no UTF-8";
  const std::string problem = PathProblem(file->path);
  if (!problem.empty()) return problem;
  for (const ManifestFile& other : manifest.files) {
    if (ToLower(other.path) == ToLower(file->path)) return "a file listed twice";
  }
  return {};
}

// The lines a manifest holds once each.
struct LinesSeen {
  bool named = false, versioned = false, sided = false;
};

// Reads one line into the manifest; why it cannot, empty when it can. where
// names the line.
std::string ReadManifestLine(const std::string& line, const std::string& where, LinesSeen* seen,
                             KitManifest* manifest) {
  const std::vector<std::string> fields = Split(line, '\t');
  if (fields[0] == "name" && fields.size() == 2 && !seen->named && !fields[1].empty()) {
    manifest->name = fields[1];
    seen->named = true;
  } else if (fields[0] == "version" && fields.size() == 2 && !seen->versioned &&
             !fields[1].empty()) {
    manifest->version = fields[1];
    seen->versioned = true;
  } else if (fields[0] == "sides" && fields.size() == 2 && !seen->sided) {
    for (const std::string& side : Split(fields[1], ',')) {
      if (side != "provider" && side != "receiver") return "an unknown side" + where;
      manifest->sides.push_back(side);
    }
    seen->sided = true;
  } else if (fields[0] == "file" && fields.size() == 4) {
    ManifestFile file;
    const std::string problem = ReadFileLine(fields, *manifest, &file);
    if (!problem.empty()) return problem + where;
    if (manifest->files.size() >= kManifestFileCount) return "too many files in the manifest";
    manifest->files.push_back(std::move(file));
  } else {
    return "an unknown or repeated line" + where;
  }
  return {};
}

// Why the text cannot be a manifest before its lines are read; empty when
// it can.
std::string TextProblem(const std::string& text, const std::vector<std::string>& lines) {
  if (text.size() > kManifestCap) return "the manifest is too long";
  if (text.find('\0') != std::string::npos || text.find('\r') != std::string::npos) {
    return "the manifest is not a text of \"\\n\" ended lines";
  }
  if (lines.empty() || lines[0] != kHeader) return "not a kit manifest";
  return {};
}

}  // namespace

bool ParseManifest(const std::string& text, KitManifest* manifest, std::string* why) {
  *manifest = KitManifest();
  const std::vector<std::string> lines =
      text.size() > kManifestCap ? std::vector<std::string>() : Split(text, '\n');
  std::string problem = TextProblem(text, lines);
  LinesSeen seen;
  for (size_t i = 1; i < lines.size() && problem.empty(); ++i) {
    if (!lines[i].empty()) {
      problem =
          ReadManifestLine(lines[i], " (line " + std::to_string(i + 1) + ")", &seen, manifest);
    } else if (i + 1 != lines.size()) {  // else the last line's end
      problem = "an empty line in the manifest";
    }
  }
  if (problem.empty() && (!seen.named || !seen.versioned || !seen.sided)) {
    problem = "the manifest lacks its name, version or sides";
  }
  if (!problem.empty()) {
    *why = problem;
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

namespace {

// The file a kit is refused for, and why.
struct KitFault {
  std::wstring file;
  std::string why;
};

// The paths of a kit's manifest and signature, and whether each is a link.
struct SignedFiles {
  std::wstring manifest, signature;
  bool manifest_link = false, signature_link = false;
};

// The manifest's text, once its signature holds by a trusted key. The
// signature first: nothing else is believed before it.
std::optional<KitFault> CheckSignedManifest(const SignedFiles& files, std::string* manifest_text) {
  const std::wstring& manifest_path = files.manifest;
  const std::wstring& signature_path = files.signature;
  std::string signature_text;
  if (files.signature_link ||
      !pf::ReadCappedFile(signature_path, kSignatureCap, &signature_text)) {
    return KitFault{signature_path, "the signature is missing, a link or too long"};
  }
  if (files.manifest_link ||
      !pf::ReadCappedFile(manifest_path, kManifestCap, manifest_text)) {
    return KitFault{manifest_path, "the manifest is missing, a link or too long"};
  }
  MinisignSignature signature;
  std::string why;
  if (!ParseMinisignSignature(signature_text, &signature, &why)) {
    return KitFault{signature_path, why};
  }
  switch (CheckMinisignSignature(*manifest_text, signature, TrustedKeys())) {
    case SignatureCheck::kOtherKey:
      return KitFault{signature_path,
                      "signed by another key (" + MinisignKeyIdText(signature.key_id) + ")"};
    case SignatureCheck::kBad:
      return KitFault{manifest_path, "the signature does not match the manifest"};
    case SignatureCheck::kGood:
      break;
  }
  return std::nullopt;
}

// Every file the install would list must be in the manifest, and every file
// of the manifest there, read once (into check->bytes), as it says.
std::optional<KitFault> ReadKitFiles(const std::wstring& package_root, KitCheck* check) {
  std::map<std::wstring, const ManifestFile*> listed;
  for (const ManifestFile& file : check->manifest.files) listed[ToLower(file.path)] = &file;
  bool complete = true;
  std::map<std::wstring, std::wstring> present;  // relative, lower case -> full path
  for (const auto& [path, relative] : PackageFiles(package_root, &complete)) {
    if (!listed.count(ToLower(relative)))
      return KitFault{path, "a file the manifest does not list"};
    present[ToLower(relative)] = path;
  }
  if (!complete) return KitFault{package_root, "a package folder could not be listed"};
  uint64_t total = 0;
  for (const ManifestFile& file : check->manifest.files) {
    auto it = present.find(ToLower(file.path));
    const std::wstring path = it != present.end() ? it->second : Join(package_root, file.path);
    if (it == present.end()) return KitFault{path, "a file of the manifest is missing"};
    if (pf::QueryAttributes(path).is_link) return KitFault{path, "a link"};
    if (file.size > kSignedKitCap - total) return KitFault{path, "the kit is too large"};
    auto bytes = std::make_shared<std::string>();
    // One byte past the size tells a longer file.
    if (!pf::ReadCappedFile(path, file.size + 1, bytes.get()) ||
        bytes->size() != file.size || Sha256Hex(bytes->data(), bytes->size()) != file.sha256) {
      return KitFault{path, "the file differs from the manifest"};
    }
    total += file.size;
    check->bytes[Key(path)] = std::move(bytes);
  }
  return std::nullopt;
}

}  // namespace

KitCheck CheckKit(const std::wstring& package_root) {
  KitCheck check;
  const std::wstring manifest_path = Join(package_root, kManifestName);
  const std::wstring signature_path = Join(package_root, kSignatureName);
  const auto manifest_attributes = pf::QueryAttributes(manifest_path);
  const auto signature_attributes = pf::QueryAttributes(signature_path);
  if (!manifest_attributes.exists && !signature_attributes.exists && !manifest_attributes.is_link &&
      !signature_attributes.is_link) {
    return check;  // unsigned
  }
  std::string manifest_text, why;
  const SignedFiles files{manifest_path, signature_path, manifest_attributes.is_link,
                          signature_attributes.is_link};
  std::optional<KitFault> fault = CheckSignedManifest(files, &manifest_text);
  if (!fault && !ParseManifest(manifest_text, &check.manifest, &why)) {
    fault = KitFault{manifest_path, why};
  }
  if (!fault) fault = ReadKitFiles(package_root, &check);
  if (fault) {
    check.state = KitCheck::kNotGenuine;
    check.file = ShownPath(fault->file);
    check.why = fault->why;
    check.bytes.clear();
    return check;
  }
  check.state = KitCheck::kGenuine;
  return check;
}

void SetRequireSignature(bool require) { g_require_signature = require; }
bool RequireSignature() { return g_require_signature; }

}  // namespace copyloom
