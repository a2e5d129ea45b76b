// The Linux build always stands inside a Wine prefix: paths map to native
// files, and the reasons are the C library's.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/memory_files.h"
#include "platform/platform.h"
#include "platform/posix/path_mapper.h"
#include "platform/test_hooks.h"
#include "platform/testing.h"

namespace copyloom::platform {

bool RunsUnderWine() { return hooks::UnderWine().value_or(true); }

std::wstring NativePathText(const std::wstring& path) {
  if (hooks::MemoryFilesInstalled()) return path;
  std::string native;
  if (!posix::MapPath(path, &native)) return path;
  return posix::NativeToWide(native);
}

std::wstring CreateFolderReason(const std::wstring& path) {
  if (auto* memory = hooks::Memory()) return memory->CreateFolderReason(path);
  if (testing::ShouldFail(testing::Op::kCreateFolder)) return Utf8ToWide(std::strerror(EIO));
  std::string native;
  if (!posix::MapPath(path, &native)) return L"no such drive";
  if (mkdir(native.c_str(), 0777) == 0) return {};
  const int error = errno;
  struct stat st;
  if (error == EEXIST && stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return {};
  return Utf8ToWide(std::strerror(error == EEXIST ? ENOTDIR : error));
}

}  // namespace copyloom::platform
