// The settings file (sectioned key=value) and the program-wide settings
// object. Writing keeps the file's last-write time as it was; a file created
// by a write gets a fixed past time instead of now.
#pragma once

#include <string>

#include "platform/failure.h"

namespace copyloom {

class CIniFile {
 public:
  virtual ~CIniFile() = default;

  // False when the path is a folder, or read-only and cannot be made writable.
  bool AttachFile(const std::wstring& path);
  const std::wstring& path() const { return path_; }
  // Whole value; empty when absent.
  std::wstring GetValue(const std::wstring& section, const std::wstring& key) const;
  // A failure names the settings file, with the system's cause.
  platform::Status SetValue(const std::wstring& section, const std::wstring& key,
                            const std::wstring& value);

  // The last fallback time for a new file (plain text, "%d-%d-%d %d:%d:%d");
  // the product profile supplies it decoded.
  static void SetFallbackTimeText(const std::wstring& text);

 private:
  std::wstring path_;
};

class CConfig {
 public:
  virtual ~CConfig() = default;

  // Empty path: program folder + product id + ".cfg".
  void SetConfigFile(const std::wstring& path);
  std::wstring GetConfigValue(const std::wstring& key);
  // Why the value could not be written, naming the settings file.
  platform::Status SetConfigValue(const std::wstring& key, const std::wstring& value);
  const std::wstring& config_path() const { return config_path_; }
  // A dry run reads the settings but writes none: a write then changes
  // nothing and counts as done.
  void SetReadOnly(bool read_only) { read_only_ = read_only; }

  // The application key naming the default file; set by the product profile.
  static void SetProductId(const std::wstring& product_id);

 private:
  CIniFile ini_;
  std::wstring config_path_;
  bool read_only_ = false;
};

}  // namespace copyloom
