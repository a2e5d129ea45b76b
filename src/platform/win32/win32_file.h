// An open file of the Windows disk. Internal to win32/.
#pragma once

#include <windows.h>

#include <algorithm>
#include <limits>
#include <string>

#include "platform/failure.h"
#include "platform/platform.h"
#include "platform/test_hooks.h"
#include "platform/win32/handles.h"

namespace copyloom::platform::win32 {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A refusal of our own, said as the system would say it.
inline bool Refuse(DWORD code) {
  ::SetLastError(code);
  return false;
}

class Win32File : public File {
 public:
  Win32File(UniqueHandle handle, std::wstring path)
      : handle_(std::move(handle)), path_(std::move(path)) {}

  bool Read(void* buffer, size_t size, size_t* read) override {
    *read = 0;
    auto* out = static_cast<char*>(buffer);
    while (size > 0) {
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
      DWORD got = 0;
      if (!::ReadFile(handle_.get(), out, chunk, &got, nullptr)) return *read > 0;
      if (got == 0) break;
      *read += got;
      out += got;
      size -= got;
    }
    return true;
  }

  Status Write(const void* data, size_t size) override {
    const auto* in = static_cast<const char*>(data);
    while (size > 0) {
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
      DWORD put = 0;
      const bool wrote = ::WriteFile(handle_.get(), in, chunk, &put, nullptr) != 0;
      if (!wrote || put == 0) {
        const DWORD code = wrote ? ERROR_WRITE_FAULT : ::GetLastError();
        return Status(KindOfSystemError(code), path_, SystemErrorText(code));
      }
      in += put;
      size -= put;
    }
    return {};
  }

  bool Seek(uint64_t offset) override {
    if (offset > static_cast<uint64_t>(std::numeric_limits<LONGLONG>::max())) return false;
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    return ::SetFilePointerEx(handle_.get(), to, nullptr, FILE_BEGIN) != 0;
  }

  int64_t Size() override {
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(handle_.get(), &size)) return -1;
    return size.QuadPart;
  }

  bool Sync() override { return hooks::SkipSync() || ::FlushFileBuffers(handle_.get()) != 0; }

 private:
  UniqueHandle handle_;
  std::wstring path_;
};

}  // namespace copyloom::platform::win32
