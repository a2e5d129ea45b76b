#include "cli/input_checks.h"

#include "foundation/file_ctrl.h"
#include "platform/platform.h"

namespace copyloom::cli {

std::wstring KitFolderProblem(const std::wstring& kit) {
  const auto attributes = platform::QueryAttributes(kit);
  if (!attributes.exists) return L"--kit folder not found: " + kit;
  if (!attributes.is_folder) return L"--kit is not a folder: " + kit;
  return std::wstring();
}

std::wstring DataFolderProblem(const std::wstring& folder) {
  const CFileCtrl files;
  if (files.FolderExists(folder)) return std::wstring();
  std::wstring bare = folder;
  while (bare.size() > 1 && (bare.back() == L'\\' || bare.back() == L'/')) bare.pop_back();
  if (platform::QueryAttributes(bare).exists) {
    return L"the data folder is a file: " + folder;
  }
  if (!files.CreateFolderTree(folder) || !files.FolderExists(folder)) {
    return L"cannot create the data folder " + folder;
  }
  return std::wstring();
}

std::wstring SettingsFileProblem(const std::wstring& path) {
  const auto attributes = platform::QueryAttributes(path);
  if (!attributes.exists) return std::wstring();
  if (attributes.is_folder) return L"the settings file is a folder: " + path;
  std::string bytes;
  if (platform::ReadCappedFile(path, platform::kSettingsFileCap, &bytes) ==
      platform::ReadStatus::kBroken) {
    return L"the settings file is not a plain file, or too large (left as it is): " + path;
  }
  const bool utf16 = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
  if (!utf16 && bytes.find('\0') != std::string::npos) {
    return L"the settings file is not a text file (left as it is): " + path;
  }
  return std::wstring();
}

}  // namespace copyloom::cli
