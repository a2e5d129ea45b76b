#include "install/install_status.h"

#include "foundation/file_ctrl.h"
#include "install/kit_names.h"
#include "install/source_scan.h"
#include "terminals/terminal_running.h"

namespace copyloom {
namespace {

// The package folders an install copies, in its order.
constexpr const wchar_t* kPackageFolders[] = {L"config",
                                              L"profiles",
                                              L"templates",
                                              L"experts",
                                              L"experts\\indicators",
                                              L"experts\\libraries"};

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
  for (const wchar_t* sub : kPackageFolders) {
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
  return status;
}

}  // namespace copyloom
