#include "foundation/ini_file.h"

#include "foundation/file_ctrl.h"
#include "foundation/path_util.h"
#include "platform/platform.h"

namespace copyloom {
namespace {

std::wstring& FallbackTimeText() {
  static std::wstring text;
  return text;
}

std::wstring& ProductId() {
  static std::wstring id;
  return id;
}

// The time a new settings file is given: an old, fixed one rather than now.
std::wstring TimeForNewFile() {
  const CFileCtrl files;
  std::wstring t = files.GetFileTimeText(GetWindowsFolder(), CFileCtrl::kCreation);
  if (t.empty()) t = files.GetFileTimeText(GetSystemFolder(), CFileCtrl::kCreation);
  if (t.empty()) t = files.GetFileTimeText(GetWindowsFolder(), CFileCtrl::kLastWrite);
  if (t.empty()) t = files.GetFileTimeText(GetSystemFolder(), CFileCtrl::kLastWrite);
  if (t.empty()) t = FallbackTimeText();
  return t;
}

}  // namespace

bool CIniFile::AttachFile(const std::wstring& path) {
  path_ = path;
  const auto attributes = platform::QueryAttributes(path);
  if (!attributes.exists) return true;
  if (attributes.is_folder) return false;
  if (attributes.read_only && !platform::SetReadOnly(path, false)) return false;
  return true;
}

std::wstring CIniFile::GetValue(const std::wstring& section, const std::wstring& key) const {
  // An empty name would make the Windows profile functions use win.ini.
  if (path_.empty()) return std::wstring();
  return platform::ProfileRead(path_, section, key);
}

platform::Status CIniFile::SetValue(const std::wstring& section, const std::wstring& key,
                                    const std::wstring& value) {
  if (path_.empty()) return platform::Status(platform::FailureKind::kMissing, path_);
  const CFileCtrl files;
  std::wstring t = files.GetFileTimeText(path_, CFileCtrl::kLastWrite);
  if (t.empty()) t = TimeForNewFile();
  const platform::Status written = platform::ProfileWrite(path_, section, key, value);
  // The file's time says when the user last touched the settings, not us.
  if (!t.empty()) files.SetFileTimeText(path_, t, CFileCtrl::kLastWrite);
  return written;
}

void CIniFile::SetFallbackTimeText(const std::wstring& text) { FallbackTimeText() = text; }

void CConfig::SetConfigFile(const std::wstring& path) {
  config_path_ = path;
  if (config_path_.empty()) config_path_ = GetProgramFolder() + ProductId() + L".cfg";
  ini_.AttachFile(config_path_);
}

std::wstring CConfig::GetConfigValue(const std::wstring& key) {
  if (config_path_.empty()) SetConfigFile(std::wstring());
  return ini_.GetValue(ToUpper(L"MAIN"), ToUpper(key));
}

platform::Status CConfig::SetConfigValue(const std::wstring& key, const std::wstring& value) {
  if (config_path_.empty()) SetConfigFile(std::wstring());
  if (read_only_) return {};
  return ini_.SetValue(ToUpper(L"MAIN"), ToUpper(key), value);
}

void CConfig::SetProductId(const std::wstring& product_id) { ProductId() = product_id; }

}  // namespace copyloom
