// The program's log: one time-stamped line per call, appended to a file in
// the data folder, deleted when it grows past 4,096,000 bytes (checked at
// most every 30 minutes).
#pragma once

#include <cstdint>
#include <string>

namespace copyloom {

class CCommon {
 public:
  virtual ~CCommon() = default;

  // Never fails visibly; a line that cannot be written is lost.
  void WriteLog(const std::wstring& message);

  // The data folder of the product profile; set at start-up. Empty means
  // the "logs\" folder beside the program.
  void SetDataFolder(const std::wstring& folder) { data_folder_ = folder; }

  const std::wstring& log_path() const { return log_path_; }

 private:
  std::wstring ComputeLogFileName() const;

  std::wstring data_folder_;
  std::wstring log_path_;
  uint32_t last_size_check_ = 0;
  std::wstring log_file_name_;
};

}  // namespace copyloom
