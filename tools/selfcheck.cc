// copyloom-selfcheck: exercises the foundation end to end in a temporary
// folder (file write, MD5, codec, settings, log) and prints PASS or FAIL per
// check. Exits with 1 when any check fails.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "foundation/checksum.h"
#include "foundation/common.h"
#include "foundation/encrypt.h"
#include "foundation/file_ctrl.h"
#include "foundation/ini_file.h"
#include "foundation/path_util.h"
#include "platform/platform.h"

namespace {

using namespace copyloom;

int failures = 0;

void Report(const char* name, bool ok, const std::wstring& detail = L"") {
  std::printf("%s  %s", ok ? "PASS" : "FAIL", name);
  if (!detail.empty()) std::printf("  (%s)", platform::WideToUtf8(detail).c_str());
  std::printf("\n");
  if (!ok) ++failures;
}

// Removes what the checks made; the folder holds only plain files.
void RemoveWorkFolder(const std::wstring& folder, const std::wstring& separator) {
  std::vector<platform::DirEntry> entries;
  platform::ListEntries(folder, L"*", &entries);
  for (const auto& entry : entries) {
    const std::wstring path = folder + separator + entry.name;
    if (entry.is_folder && !entry.is_link) {
      RemoveWorkFolder(path, separator);
    } else {
      platform::SetReadOnly(path, false);
      platform::RemoveOneFile(path);
    }
  }
  platform::RemoveEmptyFolder(folder);
}

}  // namespace

int main() {
  const CFileCtrl files;
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const std::wstring temp = GetTempFolder();
  const std::wstring separator(1, temp.back());  // the style this platform writes
  const std::wstring work = temp + L"copyloom-selfcheck-" + std::to_wstring(stamp % 1000000007);
  const std::wstring folder = work + separator;
  std::printf("copyloom-selfcheck in %s\n", platform::WideToUtf8(folder).c_str());

  Report("create a temporary folder", files.CreateFolderTree(folder) && files.FolderExists(work),
         folder);

  // "abc" has a known digest (RFC 1321, A.5).
  const std::wstring sample = folder + L"sample.txt";
  const bool written = files.WriteTextFile(sample, L"abc", true).ok();
  Report("write a file", written && files.GetFileLength(sample) == 3);
  const std::wstring digest = files.GetFileDigest(sample);
  Report("MD5 of the file", digest == L"900150983cd24fb0d6963f7d28e17f72", digest);

  const CEncrypt codec;
  const std::wstring plain = L"Copyloom 信号接收者";
  const std::wstring stored = codec.EncodeText(plain);
  Report("encode and decode a text", stored != plain && codec.DecodeText(stored) == plain, stored);

  CIniFile ini;
  const std::wstring settings = folder + L"selfcheck.cfg";
  const bool attached = ini.AttachFile(settings);
  const bool set = ini.SetValue(L"MAIN", L"PATH", L"C:\\MT4 One|D:\\MT4 Two").ok();
  Report("write and read a settings value",
         attached && set && ini.GetValue(L"main", L"path") == L"C:\\MT4 One|D:\\MT4 Two");

  CCommon log;
  log.SetDataFolder(folder);
  log.WriteLog(L"selfcheck line\r\n");
  const std::string content = files.ReadWholeFile(log.log_path());
  Report("write a log line",
         !log.log_path().empty() && content.size() > 15 &&
             content.compare(content.size() - 15, 15, " selfcheck line") == 0,
         log.log_path());

  RemoveWorkFolder(work, separator);
  Report("remove the temporary folder", !files.FolderExists(work));

  std::printf("%s\n", failures == 0 ? "all checks passed" : "some checks FAILED");
  return failures == 0 ? 0 : 1;
}
