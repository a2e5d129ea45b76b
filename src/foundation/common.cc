#include "foundation/common.h"

#include "foundation/file_ctrl.h"
#include "foundation/path_util.h"
#include "platform/platform.h"

namespace copyloom {
namespace {

constexpr uint32_t kSizeCheckIntervalMs = 30 * 60 * 1000;
constexpr double kMaxLogBytes = 4096000;

}  // namespace

void CCommon::WriteLog(const std::wstring& message) {
  const std::wstring text = TrimRightChars(message, L"\r\n");
  if (text.empty()) return;
  const std::wstring line = platform::LocalDateTimeNowText() + L" " + text;
  const CFileCtrl files;

  if (log_path_.empty()) {
    std::wstring folder = data_folder_.empty() ? GetProgramFolder() + L"logs\\" : data_folder_;
    if (folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    if (log_file_name_.empty()) log_file_name_ = ComputeLogFileName();
    files.CreateFolderTree(folder);
    log_path_ = folder + log_file_name_;
  }

  // Unsigned difference: the tick counter's wrap-around is harmless.
  const uint32_t now = platform::TickCount();
  if (now - last_size_check_ > kSizeCheckIntervalMs) {
    if (files.GetFileLength(log_path_) > kMaxLogBytes) {
      // A failed delete leaves the check due, so the next line tries again.
      if (files.DeleteFileIfPresent(log_path_)) last_size_check_ = now;
    } else {
      last_size_check_ = now;
    }
  }
  files.AppendTextLine(log_path_, line);
}

std::wstring CCommon::ComputeLogFileName() const {
  std::wstring name = MakeFolderTag(L"") + GetPathFileName(GetProgramPath(), true);
  ReplaceAll(&name, L".exe", L".lsg");
  ReplaceAll(&name, L" ", L"");
  // A native program name has no extension at all; the log still gets its own.
  if (GetPathExtension(GetPathFileName(GetProgramPath(), true)).empty()) name += L".lsg";
  return name;
}

}  // namespace copyloom
