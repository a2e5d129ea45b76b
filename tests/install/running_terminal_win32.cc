#include <windows.h>

#include "install/running_terminal.h"

namespace copyloom::test {

// A running terminal keeps its program file open without write sharing.
struct RunningTerminal::Impl {
  HANDLE handle = INVALID_HANDLE_VALUE;
};

RunningTerminal::RunningTerminal(const std::wstring& native_exe) : impl_(std::make_unique<Impl>()) {
  impl_->handle = ::CreateFileW(native_exe.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
}

RunningTerminal::~RunningTerminal() {
  if (impl_->handle != INVALID_HANDLE_VALUE) ::CloseHandle(impl_->handle);
}

bool RunningTerminal::running() const { return impl_->handle != INVALID_HANDLE_VALUE; }

}  // namespace copyloom::test
