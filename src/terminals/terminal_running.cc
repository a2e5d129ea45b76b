#include "terminals/terminal_running.h"

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace copyloom {
namespace {

namespace pf = platform;

// The log the terminal writes now: the newest file in logs\; empty for none.
std::wstring NewestLog(const std::wstring& folder) {
  std::vector<pf::DirEntry> entries;
  if (folder.empty() || !pf::ListEntries(folder + L"logs", L"*.log", &entries)) return {};
  std::wstring newest;
  int64_t newest_time = -1;
  for (const auto& entry : entries) {
    const std::wstring path = folder + L"logs\\" + entry.name;
    pf::FileTimes times;
    if (entry.is_folder || entry.is_link || !pf::GetFileTimes(path, &times)) continue;
    if (times.last_write > newest_time) {
      newest_time = times.last_write;
      newest = path;
    }
  }
  return newest;
}

}  // namespace

bool IsTerminalRunning(const TerminalLayout& layout) {
  if (pf::IsFileInUse(layout.installation + L"terminal.exe")) return true;
  const std::wstring log = NewestLog(layout.data_folder);
  return !log.empty() && pf::IsFileInUse(log);
}

}  // namespace copyloom
