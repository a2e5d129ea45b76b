// The settings-file reader and writer on any file: reading never fails
// hard; a write of a plain value reads back as written and leaves another
// key of the section as it read before.
//
// Input: the file's bytes, then optionally "\n====\n" and the value to write.
#include <cstdint>

#include "foundation/ini_file.h"
#include "fuzz_support.h"
#include "platform/platform.h"

namespace {

// Values that come back exactly: printable ASCII without quotes (one pair of
// outer quotes is removed on reading).
std::wstring PlainValue(const std::string& raw) {
  std::wstring out;
  for (char c : raw) {
    if (c > ' ' && c < 0x7F && c != '"' && c != '\'') out.push_back(static_cast<wchar_t>(c));
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace copyloom;
  const fuzz::RunScope run;
  auto& machine = fuzz::Machine();
  const std::vector<std::string> parts = fuzz::SplitParts(data, size, 3);
  const std::wstring file = L"C:\\fuzz\\settings.ini";
  // A third part "f..." or "s..." makes the file a FIFO or one past its cap:
  // it reads as empty, is reported, is never written, and never blocks.
  const char odd = parts.size() > 2 && !parts[2].empty() ? parts[2][0] : 0;
  if (fuzz::PlantOddFile(file, odd, platform::kSettingsFileCap)) {
    platform::TakeBrokenSettingsFile();
    if (!platform::ProfileRead(file, L"MAIN", L"PATH").empty()) fuzz::Broken("an odd file read");
    if (platform::TakeBrokenSettingsFile() != file) fuzz::Broken("an odd file not reported");
    if (platform::ProfileWrite(file, L"MAIN", L"PATH", L"x")) fuzz::Broken("an odd file written");
    if (!fuzz::OddFileUnchanged(file, odd, platform::kSettingsFileCap)) {
      fuzz::Broken("an odd file changed");
    }
    return 0;
  }
  machine.WriteFile(file, parts[0]);
  const std::wstring value = parts.size() > 1 ? PlainValue(parts[1]) : L"11C:\\MT4*Completed|";

  CIniFile ini;
  if (!ini.AttachFile(file)) fuzz::Broken("a plain file cannot be attached");
  ini.GetValue(L"MAIN", L"PATH");
  const std::wstring other = ini.GetValue(L"main", L"W");
  if (!ini.SetValue(L"MAIN", L"PATH", value)) fuzz::Broken("the write failed");
  if (ini.GetValue(L"MAIN", L"PATH") != value)
    fuzz::Broken("the value written reads back otherwise");
  if (ini.GetValue(L"MAIN", L"W") != other) fuzz::Broken("the write changed another key");
  return 0;
}
