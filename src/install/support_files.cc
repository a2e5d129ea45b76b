#include "install/support_files.h"

#include "app/language.h"
#include "app/product_profile.h"
#include "foundation/file_ctrl.h"
#include "foundation/path_util.h"
#include "platform/platform.h"

namespace copyloom {
namespace {

constexpr wchar_t kConfigurationName[] = L"vlcpy.sin";
constexpr wchar_t kTagPattern[] = L"vlcpy*.tag";
constexpr wchar_t kInstallFailed[] = L"Fail to install the configuration file!";
constexpr wchar_t kNotFound[] = L"The configuration file cannot be found!";

// Only a file held open by a running terminal asks for the terminals to close.
bool CauseIsHeld(const platform::Status& cause) {
  return cause.kind() == platform::FailureKind::kHeld;
}

std::wstring CloseTerminalsText() {
  return languageIndex() == kChinese ? L"请先关闭所有MT4软件!" : L"Please close all mt4 terminals!";
}

// The base folder's company\product sub-folder, ending in "\".
std::wstring SharedFolderUnder(const std::wstring& base, const ProductProfile& profile) {
  return base + profile.company_folder_name + L"\\" + profile.product_code + L"\\";
}

struct Destination {
  std::wstring base;    // must exist
  std::wstring shared;  // created below it
};

// The temporary folder only when a configuration file was deployed there
// before; otherwise the personal folder, whose shared folder is the profile's
// data folder (also when the command line moved the data folder elsewhere).
Destination ChooseDestination(const CFileCtrl& files, const ProductProfile& profile) {
  const std::wstring temporary = profile.temporary_folder;
  if (!temporary.empty() &&
      files.FileExists(SharedFolderUnder(temporary, profile) + kConfigurationName)) {
    return {temporary, SharedFolderUnder(temporary, profile)};
  }
  const std::wstring& personal = profile.personal_folder;
  const std::wstring& data = profile.data_folder;
  if (data.empty() || StartsWith(data, personal)) {
    return {personal, SharedFolderUnder(personal, profile)};
  }
  return {GetPathFolder(data), data};
}

// The configuration file shipped beside the program, empty when none; false
// when the program's folder cannot be read (it is not one that ships none).
bool FindShippedConfiguration(const CFileCtrl& files, std::wstring* source) {
  TextList shipped;
  if (!files.ListFolder(GetProgramFolder(), &shipped, true, true, L"")) return false;
  for (const std::wstring& path : shipped) {
    if (EndsWith(ToLower(path), kConfigurationName)) {
      *source = path;
      break;
    }
  }
  return true;
}

// A new tag name is what allows a deployed configuration to be replaced. It
// is replaced in one step, so that it is never missing, and the new tag goes
// last: until it is there, the next run does all this again. Empty when done.
std::wstring ReplaceForNewTag(const CFileCtrl& files, const std::wstring& source,
                              const std::wstring& destination, const std::wstring& shared,
                              const std::wstring& tag, platform::Status* cause) {
  const std::wstring tag_destination = shared + GetPathFileName(tag, true);
  if (files.FileExists(tag_destination)) return {};
  if (files.FileExists(destination) && !(*cause = files.CopyFileTo(source, destination, true))) {
    return CauseIsHeld(*cause) ? CloseTerminalsText() : kInstallFailed;
  }
  TextList old_tags;
  if (!files.ListFolder(shared, &old_tags, true, false, kTagPattern)) return CloseTerminalsText();
  for (const std::wstring& old_tag : old_tags) {
    if (!(*cause = files.DeleteFileIfPresent(old_tag))) {
      return CauseIsHeld(*cause) ? CloseTerminalsText() : kInstallFailed;
    }
  }
  // Without its tag the configuration would not be replaced next time: a
  // failure here is the deployment's failure.
  if (!(*cause = files.CopyFileTo(tag, tag_destination, true))) return kInstallFailed;
  return {};
}

}  // namespace

std::wstring DeploySupportFiles(platform::Status* cause) {
  platform::Status ignored;
  if (!cause) cause = &ignored;
  *cause = {};
  const CFileCtrl files;
  std::wstring source;
  if (!FindShippedConfiguration(files, &source)) return kNotFound;
  if (source.empty()) return L"SUCC";

  const Destination where = ChooseDestination(files, TheProfile());
  const std::wstring& base = where.base;
  if (base.empty() || !files.FolderExists(base)) return L"Fail to access regedit:" + base;

  const std::wstring& shared = where.shared;
  if (!(*cause = files.CreateFolderTree(shared))) return L"Fail to create folder:" + shared;
  const platform::HeldFilesSnapshot held;

  const std::wstring destination = shared + kConfigurationName;
  TextList tags;
  if (!files.ListFolder(GetPathFolder(source), &tags, true, false, kTagPattern)) return kNotFound;
  if (tags.size() >= 2) return L"CFGERROR";
  if (tags.size() == 1) {
    const std::wstring failed =
        ReplaceForNewTag(files, source, destination, shared, tags.front(), cause);
    if (!failed.empty()) return failed;
  }
  if (!(*cause = files.CopyFileTo(source, destination, false))) {
    return files.FileExists(source) ? kInstallFailed : kNotFound;
  }
  return L"SUCC";
}

}  // namespace copyloom
