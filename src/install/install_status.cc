#include "install/install_status.h"

#include "foundation/file_ctrl.h"
#include "install/installed_kit.h"
#include "install/kit_names.h"
#include "install/source_scan.h"
#include "terminals/terminal_running.h"
#include "platform/platform.h"

namespace copyloom {
namespace {

namespace pf = platform;

std::wstring PatternOf(const std::wstring& sub, const PackageChoice& package) {
  if (sub == L"experts") return package.expert_pattern;
  if (sub == L"experts\\libraries") return package.library_pattern;
  return L"*";
}

}  // namespace

const wchar_t* InstalledStateName(InstalledState state) {
  switch (state) {
    case InstalledState::kCurrent:
      return L"current";
    case InstalledState::kOutdated:
      return L"outdated";
    case InstalledState::kModified:
      return L"modified";
    case InstalledState::kNewer:
      return L"newer";
    case InstalledState::kNone:
      break;
  }
  return L"none";
}

TerminalStatus ReadTerminalStatus(const std::wstring& installation, const PackageChoice& package) {
  const CFileCtrl files;
  TerminalStatus status;
  status.layout = ResolveTerminalLayout(installation);
  status.running = IsTerminalRunning(status.layout);

  std::wstring root = package.root;
  if (!root.empty() && root.back() != L'\\' && root.back() != L'/') root += L'\\';
  // Without a compiled expert in the package, any of its files counts.
  bool package_has_expert = false;
  bool any_present = false;
  bool expert_present = false;
  for (const wchar_t* sub : kPackageSubfolders) {
    const std::wstring destination_folder = status.layout.FolderFor(sub);
    TextList sources;
    ListKitFolder(root + sub, PatternOf(sub, package), &sources);
    for (const std::wstring& source : sources) {
      const std::wstring name = GetPathFileName(source, true);
      const std::wstring destination = destination_folder + name;
      if (std::wstring(sub) == L"config" && ToLower(name) == L"experts.ini") continue;
      const bool present = files.FileExists(destination);
      const bool expert = std::wstring(sub) == L"experts" && GetPathExtension(name) == L"ex4";
      package_has_expert = package_has_expert || expert;
      expert_present = expert_present || (present && expert);
      any_present = any_present || present;
      if (present && SameContent(destination, ScanSource(source, {}))) continue;
      // Relative to the folder shown as the one receiving the files.
      std::wstring relative = destination;
      if (StartsWith(ToLower(relative), ToLower(status.layout.data_folder))) {
        relative.erase(0, status.layout.data_folder.size());
      }
      status.differs.push_back(relative);
    }
  }
  if (package_has_expert ? !expert_present : !any_present) {
    status.differs.clear();
  } else {
    status.installed =
        status.differs.empty() ? InstalledState::kCurrent : InstalledState::kOutdated;
  }
  KitManifest package_manifest;
  if (ReadSignedManifest(root, &package_manifest)) status.package_version = package_manifest.version;
  const InstalledKit held = ReadInstalledKit(status.layout);
  if (!held.recorded || (!status.package_version.empty() && !held.manifest.name.empty() &&
                         held.manifest.name != package_manifest.name)) {
    return status;
  }
  status.kit_version = held.manifest.version;
  if (!held.modified.empty()) {
    status.installed = InstalledState::kModified;
    status.modified = held.modified;
    status.differs.clear();
  } else if (status.installed != InstalledState::kNone && !status.package_version.empty()) {
    const int order = CompareKitVersions(status.kit_version, status.package_version);
    if (order < 0) status.installed = InstalledState::kOutdated;
    if (order > 0) status.installed = InstalledState::kNewer;
  }
  return status;
}

std::wstring InstalledStateText(const TerminalStatus& status) {
  std::wstring text = InstalledStateName(status.installed);
  const std::wstring held = pf::Utf8ToWide(status.kit_version);
  const std::wstring package = pf::Utf8ToWide(status.package_version);
  if (status.installed == InstalledState::kModified) {
    for (size_t i = 0; i < status.modified.size(); ++i) {
      text += (i ? L"\n             " : L": ") + status.modified[i];
    }
  } else if (!held.empty() && status.installed == InstalledState::kCurrent) {
    text += L" (" + held + L")";
  } else if (!held.empty() && status.installed != InstalledState::kNone) {
    text += L" (" + held + L" installed" + (package.empty() ? L"" : L", kit " + package) + L")";
  }
  return text;
}

}  // namespace copyloom
