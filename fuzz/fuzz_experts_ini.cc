// The experts.ini patch on any file: the backup holds the file as it was,
// and the patch changes at most bytes 20, 24 and 36 of a file longer than
// 200 bytes, to the values installed, and nothing else.
//
// Input: the file's bytes; its last byte also picks what was installed
// (bit 0 experts, bit 1 libraries).
#include <cstdint>

#include "fuzz_support.h"
#include "install/mt_assist.h"
#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace copyloom;
  const fuzz::RunScope run;
  auto& machine = fuzz::Machine();
  CMTAssist engine;
  const std::string before(reinterpret_cast<const char*>(data), size);
  const bool experts = size > 0 && (data[size - 1] & 1);
  const bool libraries = size > 0 && (data[size - 1] & 2);
  const std::wstring ini = L"D:\\Terminal\\config\\experts.ini";
  const std::wstring backup = L"D:\\Terminal\\config\\experts.vlm";
  platform::RemoveOneFile(backup);
  // Bit 2 of the last byte: a file one past its cap, refused and named.
  if (size > 0 && (data[size - 1] & 4)) {
    fuzz::PlantOddFile(ini, 's', platform::kProfileFileCap);
    if (engine.PatchExpertsIni(L"D:\\Terminal", experts, libraries)) {
      fuzz::Broken("an experts.ini past its cap was patched");
    }
    if (engine.m_BrokenFile != ini) fuzz::Broken("the file past its cap was not named");
    if (machine.Exists(backup)) fuzz::Broken("a backup of a file past its cap");
    if (!fuzz::OddFileUnchanged(ini, 's', platform::kProfileFileCap)) {
      fuzz::Broken("an experts.ini past its cap changed");
    }
    return 0;
  }
  machine.WriteFile(ini, before);

  engine.PatchExpertsIni(L"D:\\Terminal", experts, libraries);

  if (machine.ReadFile(backup) != before) fuzz::Broken("the backup is not the file as it was");
  std::string expected = before;
  if (size > 200) {
    if (libraries) expected[20] = 0x01, expected[24] = 0x00;
    if (experts) expected[36] = 0x01;
  }
  if (machine.ReadFile(ini) != expected) fuzz::Broken("the patch changed other bytes");
  return 0;
}
