#include "platform/temp_files.h"

#include <atomic>
#include <mutex>
#include <set>

namespace copyloom::platform::temp_files {

std::string NextSuffix(uint32_t process_id) {
  static std::atomic<unsigned> counter{0};
  return ".~" + std::to_string(process_id) + "-" + std::to_string(counter.fetch_add(1)) + kSuffix;
}

bool FirstWriteInto(const std::string& folder_key) {
  static std::mutex mutex;
  // Never destroyed: static destructors may still write.
  static auto* swept = new std::set<std::string>;
  std::lock_guard<std::mutex> lock(mutex);
  return swept->insert(folder_key).second;
}

}  // namespace copyloom::platform::temp_files
