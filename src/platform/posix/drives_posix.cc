// Drives are the letters of the drive table (the prefix's dosdevices links).
// Wine reports every one of them, "C:" and "Z:" alike, as a fixed drive.
#include <sys/stat.h>

#include "platform/disk.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/posix/path_mapper.h"
#include "platform/test_hooks.h"

namespace copyloom::platform {

std::wstring LogicalDriveStrings() {
  std::wstring out;
  for (const auto& [letter, folder] : posix::DriveTable()) {
    out += letter;
    out += L":\\";
    out += L'\0';
  }
  return out;
}

int DriveType(const std::wstring& root) {
  constexpr int kNoRoot = 1;
  if (root.size() < 2 || root[1] != L':') return kNoRoot;
  if (root.size() > 3 || (root.size() == 3 && root[2] != L'\\' && root[2] != L'/')) {
    return kNoRoot;
  }
  wchar_t letter = root[0];
  if (letter >= L'a' && letter <= L'z') letter = letter - L'a' + L'A';
  const auto table = posix::DriveTable();
  auto it = table.find(letter);
  if (it == table.end()) return kNoRoot;
  if (!Files().OnDisk()) return kDriveFixed;
  struct stat st;
  return stat(it->second.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? kDriveFixed : kNoRoot;
}

}  // namespace copyloom::platform
