// The version-resource reader on any image: no read outside it, and an
// answer in bounded time.
#include <cstdint>

#include "platform/pe_version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::wstring> versions;
  copyloom::platform::ReadPeFileVersions(
      std::string_view(reinterpret_cast<const char*>(data), size), &versions);
  return 0;
}
