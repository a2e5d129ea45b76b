#include <windows.h>

#include <thread>

#include "support/run_program.h"

namespace copyloom::test {
namespace {

std::wstring Quote(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
    } else if (c == L'"') {
      // Backslashes before a quote are doubled, and the quote escaped.
      out.append(backslashes + 1, L'\\');
      backslashes = 0;
    } else {
      backslashes = 0;
    }
    out += c;
  }
  out.append(backslashes, L'\\');
  return out + L"\"";
}

void Drain(HANDLE pipe, std::string* into) {
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) into->append(buffer, got);
}

}  // namespace

ProgramResult RunProgram(const std::wstring& program, const std::vector<std::wstring>& args,
                         const std::map<std::wstring, std::wstring>& env) {
  ProgramResult result;
  std::wstring path = program;
  if (!path.empty() && path[0] == L'/') {
    path = L"Z:" + path;
    for (auto& c : path) if (c == L'/') c = L'\\';
  }
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out_read, out_write, err_read, err_write;
  if (!CreatePipe(&out_read, &out_write, &inherit, 0)) return result;
  if (!CreatePipe(&err_read, &err_write, &inherit, 0)) {
    CloseHandle(out_read);
    CloseHandle(out_write);
    return result;
  }
  SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(err_read, HANDLE_FLAG_INHERIT, 0);

  // The child's environment: ours with the changes.
  std::map<std::wstring, std::wstring> vars;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (wchar_t* p = block; *p; p += wcslen(p) + 1) {
      std::wstring entry = p;
      size_t eq = entry.find(L'=', 1);
      if (eq != std::wstring::npos) vars[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    FreeEnvironmentStringsW(block);
  }
  for (const auto& [name, value] : env) {
    if (value.empty()) vars.erase(name); else vars[name] = value;
  }
  std::wstring env_block;
  for (const auto& [name, value] : vars) env_block += name + L"=" + value + L'\0';
  env_block += L'\0';

  std::wstring command_line = Quote(path);
  for (const auto& a : args) command_line += L" " + Quote(a);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out_write;
  startup.hStdError = err_write;
  PROCESS_INFORMATION info{};
  BOOL started = CreateProcessW(path.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                                CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW, env_block.data(),
                                nullptr, &startup, &info);
  CloseHandle(out_write);
  CloseHandle(err_write);
  if (started) {
    std::thread err_reader(Drain, err_read, &result.err);
    Drain(out_read, &result.out);
    err_reader.join();
    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    result.exit_code = static_cast<int>(code);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
  }
  CloseHandle(out_read);
  CloseHandle(err_read);
  return result;
}

}  // namespace copyloom::test
