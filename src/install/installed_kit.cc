#include "install/installed_kit.h"

#include <algorithm>
#include <atomic>

#include "platform/platform.h"

namespace copyloom {
namespace {

namespace pf = platform;

std::atomic<bool> g_allow_downgrade{false};

std::vector<std::string> Parts(const std::string& version) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t dot = version.find('.', start);
    parts.push_back(version.substr(start, dot == std::string::npos ? dot : dot - start));
    if (dot == std::string::npos) return parts;
    start = dot + 1;
  }
}

bool IsNumber(const std::string& part) {
  return !part.empty() && part.size() <= 18 &&
         std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::wstring RelativeTo(const std::wstring& folder, const std::wstring& path) {
  if (ToLower(path).rfind(ToLower(folder), 0) == 0) return path.substr(folder.size());
  return path;
}

}  // namespace

int CompareKitVersions(const std::string& a, const std::string& b) {
  const std::vector<std::string> x = Parts(a), y = Parts(b);
  for (size_t i = 0; i < std::max(x.size(), y.size()); ++i) {
    const std::string p = i < x.size() ? x[i] : "0", q = i < y.size() ? y[i] : "0";
    const bool p_number = IsNumber(p), q_number = IsNumber(q);
    if (p_number && q_number) {
      const unsigned long long m = std::stoull(p), n = std::stoull(q);
      if (m != n) return m < n ? -1 : 1;
    } else if (p_number != q_number) {
      return p_number ? -1 : 1;
    } else if (p != q) {
      return p < q ? -1 : 1;
    }
  }
  return 0;
}

InstalledKit ReadInstalledKit(const TerminalLayout& layout) {
  InstalledKit kit;
  const std::wstring record = layout.data_folder + kInstalledKitRecord;
  std::string text, why;
  const pf::Status read = pf::ReadCappedFile(record, kManifestCap, &text);
  if (read.kind() == pf::FailureKind::kMissing) return kit;
  kit.recorded = true;
  if (!read || !ParseManifest(text, &kit.manifest, &why)) {
    kit.manifest = KitManifest();
    kit.modified.push_back(kInstalledKitRecord);
    return kit;
  }
  for (const ManifestFile& file : kit.manifest.files) {
    const size_t slash = file.path.rfind(L'\\');
    const std::wstring path =
        layout.FolderFor(file.path.substr(0, slash)) + file.path.substr(slash + 1);
    std::string bytes;
    // One byte past the size tells a longer file.
    if (pf::QueryAttributes(path).is_link ||
        !pf::ReadCappedFile(path, file.size + 1, &bytes) ||
        bytes.size() != file.size || Sha256Hex(bytes.data(), bytes.size()) != file.sha256) {
      kit.modified.push_back(RelativeTo(layout.data_folder, path));
    }
  }
  return kit;
}

bool ReadSignedManifest(const std::wstring& package_root, KitManifest* manifest) {
  std::wstring root = package_root;
  if (!root.empty() && root.back() != L'\\' && root.back() != L'/') root += L'\\';
  std::string signature_text, text, why;
  MinisignSignature signature;
  return pf::ReadCappedFile(root + kSignatureName, kSignatureCap, &signature_text) &&
         pf::ReadCappedFile(root + kManifestName, kManifestCap, &text) &&
         ParseMinisignSignature(signature_text, &signature, &why) &&
         CheckMinisignSignature(text, signature, TrustedKeys()) == SignatureCheck::kGood &&
         ParseManifest(text, manifest, &why);
}

std::string NewerKitHeld(const std::wstring& installation, const KitManifest& kit) {
  if (AllowDowngrade() || kit.version.empty()) return {};
  const TerminalLayout layout = ResolveTerminalLayout(installation);
  std::string text, why;
  KitManifest held;
  if (!pf::ReadCappedFile(layout.data_folder + kInstalledKitRecord, kManifestCap, &text) ||
      !ParseManifest(text, &held, &why) || held.name != kit.name ||
      CompareKitVersions(held.version, kit.version) <= 0) {
    return {};
  }
  return held.version;
}

void SetAllowDowngrade(bool allow) { g_allow_downgrade = allow; }
bool AllowDowngrade() { return g_allow_downgrade; }

}  // namespace copyloom
