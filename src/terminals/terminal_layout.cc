#include "terminals/terminal_layout.h"

#include <algorithm>
#include <vector>

#include "app/special_folders.h"
#include "foundation/checksum.h"
#include "foundation/file_ctrl.h"
#include "foundation/path_util.h"
#include "platform/path_rules.h"
#include "platform/platform.h"
#include "terminals/terminal_list.h"

namespace copyloom {
namespace {

constexpr wchar_t kOriginFile[] = L"origin.txt";
// origin.txt holds one path; anything larger is not one.
constexpr double kMaxOriginBytes = 64 * 1024;

std::wstring AsFolder(std::wstring path) {
  if (path.empty() || !IsSeparator(path.back())) path += L'\\';
  return path;
}

std::wstring WithoutTrailingSeparators(std::wstring path) {
  while (!path.empty() && IsSeparator(path.back())) path.pop_back();
  return path;
}

void AppendUtf16Le(std::string* out, uint32_t unit) {
  out->push_back(static_cast<char>(unit & 0xFF));
  out->push_back(static_cast<char>((unit >> 8) & 0xFF));
}

std::string Utf16LeBytes(const std::wstring& text) {
  std::string bytes;
  for (wchar_t c : text) {
    const uint32_t code = static_cast<uint32_t>(c);
    if (code > 0xFFFF) {
      AppendUtf16Le(&bytes, 0xD800 + ((code - 0x10000) >> 10));
      AppendUtf16Le(&bytes, 0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      AppendUtf16Le(&bytes, code);
    }
  }
  return bytes;
}

// False on an odd length or an unpaired surrogate.
bool FromUtf16Le(const std::string& bytes, std::wstring* text) {
  if (bytes.size() % 2 != 0) return false;
  text->clear();
  for (size_t i = 0; i < bytes.size(); i += 2) {
    uint32_t unit = static_cast<unsigned char>(bytes[i]) |
                    (static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8);
    if (unit >= 0xDC00 && unit <= 0xDFFF) return false;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 3 >= bytes.size()) return false;
      const uint32_t low = static_cast<unsigned char>(bytes[i + 2]) |
                           (static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 3])) << 8);
      if (low < 0xDC00 || low > 0xDFFF) return false;
      i += 2;
      if constexpr (sizeof(wchar_t) == 4) {
        text->push_back(static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00)));
      } else {
        text->push_back(static_cast<wchar_t>(unit));
        text->push_back(static_cast<wchar_t>(low));
      }
      continue;
    }
    text->push_back(static_cast<wchar_t>(unit));
  }
  return true;
}

// The path a decoded origin.txt holds, or empty: one line, no control
// characters, "X:\..." or "\\server\...".
std::wstring OriginPath(const std::wstring& decoded) {
  size_t begin = 0, end = decoded.size();
  while (begin < end && decoded[begin] <= L' ') ++begin;
  while (end > begin && decoded[end - 1] <= L' ') --end;
  const std::wstring path = decoded.substr(begin, end - begin);
  if (path.size() < 3) return {};
  for (wchar_t c : path) {
    if (c < 0x20 || c == 0xFFFD) return {};
  }
  const bool drive = ((path[0] | 0x20) >= L'a' && (path[0] | 0x20) <= L'z') && path[1] == L':' &&
                     IsSeparator(path[2]);
  const bool network = path[0] == L'\\' && path[1] == L'\\';
  return drive || network ? path : std::wstring();
}

std::wstring ReadOrigin(const std::wstring& data_folder) {
  const CFileCtrl files;
  const std::wstring path = AsFolder(data_folder) + kOriginFile;
  // Probed first: a terminal without a data folder opens no file here.
  if (!files.FileExists(path)) return {};
  const double size = files.GetFileLength(path);
  if (size <= 0 || size > kMaxOriginBytes) return {};
  return DecodeOriginText(files.ReadWholeFile(path));
}

bool HoldsMql5(const std::wstring& data_folder) {
  return CFileCtrl().FolderExists(AsFolder(data_folder) + L"MQL5");
}

bool IsMt4Program(const std::wstring& installation) {
  const CFileCtrl files;
  const std::wstring folder = AsFolder(installation);
  return files.FileExists(folder + L"terminal.exe") &&
         !files.FileExists(folder + L"terminal64.exe");
}

// MetaQuotes' shared folders beside the data folders: never a terminal's.
bool IsSharedFolder(const std::wstring& folder) {
  const std::wstring name = ToLower(GetPathFileName(WithoutTrailingSeparators(folder), true));
  return name == L"common" || name == L"community";
}

// The origin names the installation in the terminal's own spelling; a row
// may spell it otherwise (a native path under Wine).
bool NamesInstallation(const std::wstring& data_folder, const std::wstring& installation) {
  if (IsSharedFolder(data_folder) || HoldsMql5(data_folder)) return false;
  const std::wstring origin = ReadOrigin(data_folder);
  if (origin.empty()) return false;
  if (SameFolder(origin, installation)) return true;
  // A share named by a stale origin.txt may not answer: not probed.
  return origin[0] != L'\\' && platform::IsSameFile(origin, installation);
}

// The data folder (with "\") of the installation: the ID rule finds it
// directly; a scan finds one made for another spelling of the path.
std::wstring FindDataFolder(const std::wstring& installation) {
  const std::wstring root = TerminalDataRoot();
  if (root.empty() || WithoutTrailingSeparators(installation).empty()) return {};
  if (!CFileCtrl().FolderExists(root)) return {};
  const std::wstring direct = root + TerminalDataFolderId(installation) + L"\\";
  if (NamesInstallation(direct, installation)) return direct;
  TextList folders;
  CFileCtrl().ListFolder(root, &folders, false, false);
  for (const std::wstring& folder : folders) {
    if (SameFolder(folder, direct)) continue;
    if (NamesInstallation(folder, installation)) return AsFolder(folder);
  }
  return {};
}

// The newest modification time of a file in the folder's logs\; 0 for none.
int64_t NewestLogTime(const std::wstring& folder) {
  std::vector<platform::DirEntry> entries;
  if (!platform::ListEntries(folder + L"logs", L"*", &entries)) return 0;
  int64_t newest = 0;
  for (const auto& entry : entries) {
    platform::FileTimes times;
    if (entry.is_folder || !platform::GetFileTimes(folder + L"logs\\" + entry.name, &times)) {
      continue;
    }
    newest = std::max(newest, times.last_write);
  }
  return newest;
}

// Installed, never started: the setup's folders without experts or MQL4.
bool IsNotStarted(const std::wstring& installation) {
  const CFileCtrl files;
  return IsMt4Program(installation) && files.FolderExists(installation + L"config") &&
         !files.FolderExists(installation + L"experts") &&
         !files.FolderExists(installation + L"MQL4");
}

}  // namespace

std::wstring TerminalLayout::FolderFor(const std::wstring& package_folder) const {
  std::wstring sub = NormalizeFilePath(package_folder);
  sub = TrimChars(sub, L"\\");
  if (kind == TerminalLayoutKind::kClassic) return AsFolder(installation + sub);
  const std::wstring lower = ToLower(sub);
  if (lower == L"experts") return data_folder + L"MQL4\\Experts\\";
  if (StartsWith(lower, L"experts\\")) {
    std::wstring rest = sub.substr(8);
    if (ToLower(rest) == L"indicators") rest = L"Indicators";
    if (ToLower(rest) == L"libraries") rest = L"Libraries";
    return AsFolder(data_folder + L"MQL4\\" + rest);
  }
  return AsFolder(data_folder + sub);
}

const wchar_t* LayoutName(TerminalLayoutKind kind) {
  switch (kind) {
    case TerminalLayoutKind::kDataFolder:
      return L"data folder";
    case TerminalLayoutKind::kPortable:
      return L"portable";
    case TerminalLayoutKind::kNotStarted:
      return L"not started";
    case TerminalLayoutKind::kClassic:
      break;
  }
  return L"classic";
}

TerminalLayout ResolveTerminalLayout(const std::wstring& installation) {
  TerminalLayout layout;
  layout.installation = AsFolder(TrimWhite(installation));
  layout.data_folder = layout.installation;
  const std::wstring data_folder = FindDataFolder(layout.installation);
  const bool portable = CFileCtrl().FolderExists(layout.installation + L"MQL4");
  if (!data_folder.empty()) {
    layout.kind = TerminalLayoutKind::kDataFolder;
    layout.data_folder = data_folder;
    if (portable) {
      // Started /portable, or able to write its own folder: the terminal
      // used last whichever folder it logged to last.
      const int64_t own = NewestLogTime(layout.installation);
      const int64_t other = NewestLogTime(data_folder);
      layout.logs_decided = own != 0 || other != 0;
      layout.unused_folder = layout.installation;
      if (own > other) {
        layout.kind = TerminalLayoutKind::kPortable;
        layout.data_folder = layout.installation;
        layout.unused_folder = data_folder;
      }
    }
  } else if (portable) {
    layout.kind = TerminalLayoutKind::kPortable;
  } else if (IsNotStarted(layout.installation)) {
    layout.kind = TerminalLayoutKind::kNotStarted;
  }
  return layout;
}

std::wstring TerminalDataFolderId(const std::wstring& installation) {
  std::wstring path = WithoutTrailingSeparators(TrimWhite(installation));
  ReplaceAll(&path, L"/", L"\\");
  const std::string bytes = Utf16LeBytes(ToUpper(path));
  CChecksum md5;
  md5.Update(bytes.data(), bytes.size());
  return ToUpper(md5.FinalHex());
}

std::wstring TerminalDataRoot() {
  const std::wstring app_data = ReadAppDataFolder();
  if (app_data.empty()) return {};
  return AsFolder(app_data) + L"MetaQuotes\\Terminal\\";
}

std::wstring DecodeOriginText(const std::string& bytes) {
  std::wstring text;
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    // With its mark it is UTF-16 or broken.
    return FromUtf16Le(bytes.substr(2), &text) ? OriginPath(text) : std::wstring();
  }
  if (FromUtf16Le(bytes, &text)) {
    const std::wstring path = OriginPath(text);
    if (!path.empty()) return path;
  }
  std::string utf8 = bytes;
  if (utf8.size() >= 3 && utf8.compare(0, 3, "\xEF\xBB\xBF") == 0) utf8.erase(0, 3);
  text = platform::Utf8ToWide(utf8);
  // Valid UTF-8 converts back to the same bytes; anything else is ANSI.
  if (platform::WideToUtf8(text) == utf8) return OriginPath(text);
  return OriginPath(FromAnsi(bytes));
}

std::wstring DataFolderInstallation(const std::wstring& data_folder) {
  if (data_folder.empty() || IsSharedFolder(data_folder) || HoldsMql5(data_folder)) return {};
  const std::wstring installation = ReadOrigin(data_folder);
  if (installation.empty() || !IsMt4Program(installation)) return {};
  return installation;
}

std::wstring InstallationOfFolder(const std::wstring& folder) {
  const std::wstring installation = DataFolderInstallation(TrimWhite(folder));
  return installation.empty() ? folder : installation;
}

bool IsLayoutInstallation(const std::wstring& folder) {
  if (!IsMt4Program(folder)) return false;
  return CFileCtrl().FolderExists(AsFolder(folder) + L"MQL4") || IsNotStarted(AsFolder(folder)) ||
         !FindDataFolder(folder).empty();
}

std::wstring FindDataFolderTerminals() {
  const std::wstring root = TerminalDataRoot();
  if (root.empty()) return {};
  TextList folders;
  CFileCtrl().ListFolder(root, &folders, false, false);
  std::wstring found;
  for (const std::wstring& folder : folders) {
    const std::wstring installation = DataFolderInstallation(folder);
    if (!installation.empty()) found += AsFolder(installation) + L"|";
  }
  return found;
}

}  // namespace copyloom
