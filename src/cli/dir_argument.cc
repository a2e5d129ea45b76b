#include "cli/dir_argument.h"

#include "foundation/path_util.h"
#include "platform/path_rules.h"
#include "platform/platform.h"
#include "terminals/terminal_discovery.h"

namespace copyloom::cli {

std::wstring AbsoluteFolder(const std::wstring& dir, const std::wstring& current) {
  if (dir.empty()) return dir;
  const bool drive = dir.size() >= 2 && dir[1] == L':';
  if (drive || IsSeparator(dir[0]) || current.empty()) return dir;
  std::wstring base = current;
  const wchar_t sep = base.find(L'\\') != std::wstring::npos ? L'\\' : L'/';
  if (!IsSeparator(base.back())) base += sep;
  std::wstring rest = dir;
  while (rest.size() >= 2 && rest[0] == L'.' && IsSeparator(rest[1])) rest.erase(0, 2);
  if (rest == L".") rest.clear();
  return base + rest;
}

std::wstring TerminalFolderArgument(const std::wstring& dir, const std::wstring& current) {
  const std::wstring path = platform::DriveLetterPath(AbsoluteFolder(TrimWhite(dir), current));
  // A terminal folder that itself ends in "experts" is the folder itself, as
  // the window's folder picker gives it (with its separator).
  if (path.empty() || IsTerminalFolder(IsSeparator(path.back()) ? path : path + L"\\")) {
    return path;
  }
  const std::wstring probed = ProbedTerminalFolder(path);
  return !probed.empty() && IsTerminalFolder(probed) ? probed : path;
}

}  // namespace copyloom::cli
