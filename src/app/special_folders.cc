#include "app/special_folders.h"

#include "foundation/path_util.h"
#include "foundation/reg_ctrl.h"
#include "platform/platform.h"

namespace copyloom {
namespace {

constexpr wchar_t kShellFoldersKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::wstring ReadShellFolder(const wchar_t* name) {
  std::wstring value;
  CRegCtrl().ReadString(RegRoot::kCurrentUser, kShellFoldersKey, name, &value);
  // A native path from someone else's prefix counts as missing, as on Windows.
  return platform::ForCurrentUser(FolderFromOthers(value));
}

}  // namespace

std::wstring WithTrailingSeparator(const std::wstring& folder) {
  if (folder.empty() || folder.back() == L'\\' || folder.back() == L'/') return folder;
  return folder + L'\\';
}

std::wstring ReadAppDataFolder() {
  std::wstring folder = ReadShellFolder(L"AppData");
  if (folder.empty()) folder = platform::FallbackSpecialFolder(platform::SpecialFolder::kAppData);
  return WithTrailingSeparator(folder);
}

SpecialFolders ReadSpecialFolders() {
  using platform::SpecialFolder;
  SpecialFolders folders;

  folders.app_data = ReadAppDataFolder();

  folders.local_app_data = ReadShellFolder(L"Local AppData");
  if (folders.local_app_data.empty()) {
    folders.local_app_data = platform::FallbackSpecialFolder(SpecialFolder::kLocalAppData);
  }
  folders.local_app_data = WithTrailingSeparator(folders.local_app_data);

  folders.personal = ReadShellFolder(L"Personal");
  if (folders.personal.empty()) folders.personal = folders.app_data;
  if (folders.personal.empty()) folders.personal = folders.local_app_data;
  if (folders.personal.empty()) {
    folders.personal = platform::FallbackSpecialFolder(SpecialFolder::kPersonal);
  }
  folders.personal = WithTrailingSeparator(folders.personal);

  folders.temporary = GetTempFolder();
  if (folders.temporary.empty()) folders.temporary = folders.personal;
  folders.temporary = WithTrailingSeparator(folders.temporary);
  return folders;
}

}  // namespace copyloom
