#include "install/kit_names.h"

#include "foundation/file_ctrl.h"

namespace copyloom {
namespace {

bool IsDeviceName(const std::wstring& name) {
  // "NUL.txt" is the device as much as "NUL" is.
  const std::wstring stem = ToLower(TrimRightChars(name.substr(0, name.find(L'.')), L" "));
  if (stem == L"con" || stem == L"prn" || stem == L"aux" || stem == L"nul") return true;
  return stem.size() == 4 && (StartsWith(stem, L"com") || StartsWith(stem, L"lpt")) &&
         stem[3] >= L'1' && stem[3] <= L'9';
}

}  // namespace

KitNameKind ClassifyKitName(const std::wstring& name) {
  const std::wstring lower = ToLower(name);
  if (lower == L"thumbs.db" || lower == L"desktop.ini" || lower == L".ds_store" ||
      lower == L"__macosx" || StartsWith(name, L"._") || StartsWith(name, L"~$")) {
    return KitNameKind::kJunk;
  }
  if (!IsWindowsFileName(name) || name.back() == L' ' || name.back() == L'.' ||
      IsDeviceName(name)) {
    return KitNameKind::kUnusable;
  }
  return KitNameKind::kUsable;
}

bool ListKitFolder(const std::wstring& folder, const std::wstring& pattern, TextList* files,
                   TextList* unusable) {
  TextList listed, refused;
  const bool ok = CFileCtrl().ListFolder(folder, &listed, true, false, pattern, &refused);
  files->clear();
  for (std::wstring& path : listed) {
    switch (ClassifyKitName(GetPathFileName(path, true))) {
      case KitNameKind::kUsable:
        files->push_back(std::move(path));
        break;
      case KitNameKind::kUnusable:
        refused.push_back(std::move(path));
        break;
      case KitNameKind::kJunk:
        break;
    }
  }
  if (unusable) {
    for (std::wstring& path : refused) unusable->push_back(std::move(path));
  }
  return ok;
}

}  // namespace copyloom
