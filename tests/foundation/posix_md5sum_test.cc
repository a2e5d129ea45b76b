// The digest against the system's md5sum, on files of many sizes.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

#include "foundation/file_ctrl.h"
#include "platform/platform.h"
#include "support/temp_dir.h"

namespace copyloom {
namespace {

std::wstring Md5sumOf(const std::wstring& path) {
  const std::string command = "md5sum '" + platform::WideToUtf8(path) + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return L"";
  char line[256] = {};
  const bool got = std::fgets(line, sizeof line, pipe) != nullptr;
  pclose(pipe);
  return got ? platform::Utf8ToWide(std::string(line).substr(0, 32)) : L"";
}

TEST(Md5sumComparison, RandomFilesOfManySizes) {
  if (Md5sumOf(L"/dev/null").empty()) GTEST_SKIP() << "no md5sum here";
  test::TempDir dir;
  CFileCtrl files;
  std::mt19937 random(2024);
  for (size_t size : {1u, 55u, 56u, 63u, 64u, 65u, 127u, 128u, 1023u, 1024u, 1025u, 65536u,
                      (1u << 20) - 1, (1u << 20) + 1, 3u << 20, (5u << 20) + 3}) {
    std::string bytes(size, '\0');
    for (auto& b : bytes) b = static_cast<char>(random());
    const std::wstring name = L"r" + std::to_wstring(size);
    dir.WriteFile(name, bytes);
    EXPECT_EQ(files.GetFileDigest(dir.Join(name)), Md5sumOf(dir.Join(name))) << size;
  }
  // An empty file has no digest at all, whatever md5sum says.
  dir.WriteFile(L"r0", "");
  EXPECT_EQ(files.GetFileDigest(dir.Join(L"r0")), L"");
}

}  // namespace
}  // namespace copyloom
