#include "cli/input_checks.h"

#include "app/run_texts.h"
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
  auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
  std::wstring bare = folder;
  while (bare.size() > 1 && separator(bare.back())) bare.pop_back();
  const std::wstring native = platform::NativePathText(bare);
  if (platform::QueryAttributes(bare).exists) {
    return RunMessage(RunText::FolderIsAFile, {bare, native});
  }
  // One level at a time, so that the reason is the failing level's own.
  for (size_t i = 1; i <= bare.size(); ++i) {
    if (i < bare.size() && !separator(bare[i])) continue;
    const std::wstring part = bare.substr(0, i);
    if (part.back() == L':' || separator(part.back())) continue;
    const auto attributes = platform::QueryAttributes(part);
    if (attributes.exists && attributes.is_folder) continue;
    if (platform::LeadsNowhere(part)) {
      const std::wstring target = platform::DanglingLinkTarget(part);
      // The Windows build sees the link, not where it leads.
      if (target.empty()) return RunMessage(RunText::LinkLeadsNowhere, {part, platform::NativePathText(part)});
      return RunMessage(RunText::DanglingFolderLink, {part, platform::NativePathText(part), target});
    }
    if (std::wstring why = platform::CreateFolderReason(part); !why.empty()) {
      return RunMessage(RunText::FolderCannotBeMade, {bare, native, why});
    }
  }
  return std::wstring();
}

std::wstring SettingsFileProblem(const std::wstring& path) {
  const auto attributes = platform::QueryAttributes(path);
  if (!attributes.exists) return std::wstring();
  if (attributes.is_folder) return L"the settings file is a folder: " + path;
  std::string bytes;
  if (platform::FoundBroken(platform::ReadCappedFile(path, platform::kSettingsFileCap, &bytes))) {
    return L"the settings file is not a plain file, or too large (left as it is): " + path;
  }
  const bool utf16 = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
  if (!utf16 && bytes.find('\0') != std::string::npos) {
    return L"the settings file is not a text file (left as it is): " + path;
  }
  return std::wstring();
}

}  // namespace copyloom::cli
