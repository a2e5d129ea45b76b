#include <windows.h>

#include <string>

#include "install/held_file.h"

namespace copyloom::test {
namespace {

// hold_file.exe is built beside the test program.
std::wstring HolderProgram() {
  wchar_t path[MAX_PATH];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring program(path, n);
  return program.substr(0, program.find_last_of(L"\\/") + 1) + L"hold_file.exe";
}

}  // namespace

struct HeldFile::Impl {
  HANDLE process = nullptr;
  HANDLE input = nullptr;  // closing it tells the program to let go
  bool holding = false;
};

HeldFile::HeldFile(const std::wstring& native_path) : impl_(std::make_unique<Impl>()) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE in_read, in_write, out_read, out_write;
  if (!::CreatePipe(&in_read, &in_write, &inherit, 0)) return;
  if (!::CreatePipe(&out_read, &out_write, &inherit, 0)) {
    ::CloseHandle(in_read);
    ::CloseHandle(in_write);
    return;
  }
  ::SetHandleInformation(in_write, HANDLE_FLAG_INHERIT, 0);
  ::SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
  std::wstring command_line = L"\"" + HolderProgram() + L"\" \"" + native_path + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in_read;
  startup.hStdOutput = out_write;
  startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info{};
  const bool started = ::CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &info);
  ::CloseHandle(in_read);
  ::CloseHandle(out_write);
  impl_->input = in_write;
  if (started) {
    ::CloseHandle(info.hThread);
    impl_->process = info.hProcess;
    char buffer[16] = {};
    DWORD got = 0;
    impl_->holding = ::ReadFile(out_read, buffer, 5, &got, nullptr) && got == 5 &&
                     std::string(buffer, 5) == "ready";
  }
  ::CloseHandle(out_read);
}

HeldFile::~HeldFile() { Release(); }

bool HeldFile::available() { return true; }

bool HeldFile::holding() const { return impl_->holding; }

void HeldFile::Release() {
  if (impl_->input) ::CloseHandle(impl_->input);
  impl_->input = nullptr;
  if (impl_->process) {
    if (::WaitForSingleObject(impl_->process, 10000) != WAIT_OBJECT_0) {
      ::TerminateProcess(impl_->process, 1);
      ::WaitForSingleObject(impl_->process, INFINITE);
    }
    ::CloseHandle(impl_->process);
  }
  impl_->process = nullptr;
  impl_->holding = false;
}

}  // namespace copyloom::test
