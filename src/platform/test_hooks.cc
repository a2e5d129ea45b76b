// The state behind platform/testing.h, shared by both implementations.
#include "platform/test_hooks.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/failure.h"
#include "platform/file_system.h"
#include "platform/testing.h"
#ifdef _WIN32
#include "platform/win32/shell.h"
#endif

namespace copyloom::platform {
namespace {

struct State {
  std::mutex mutex;
  std::optional<std::wstring> program_path;
  std::optional<std::wstring> command_line;
  std::optional<uint32_t> tick_count;
  std::shared_ptr<const RegistryStore> registry;
  std::optional<std::map<wchar_t, std::wstring>> drive_table;
  std::optional<unsigned> ansi_code_page;
  std::optional<std::wstring> windows_folder;
  std::optional<std::wstring> temp_folder;
  std::optional<bool> under_wine;
  bool skip_sync = false;
  int listings = 0;
};

// Outside the mutex: every mapped path counts, and most runs map many.
std::atomic<int64_t> path_components{0};

State& GetState() {
  // Never destroyed: static destructors may still touch the platform.
  static State* state = new State;
  return *state;
}

template <typename T>
T Get(T State::*member) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.*member;
}

template <typename T, typename V>
void Put(T State::*member, V&& value) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.*member = std::forward<V>(value);
}

}  // namespace

namespace testing {

void SetProgramPath(std::optional<std::wstring> path) {
  Put(&State::program_path, std::move(path));
}

void SetCommandLine(std::optional<std::wstring> command_line) {
  Put(&State::command_line, std::move(command_line));
}

void SetTickCount(std::optional<uint32_t> ticks) { Put(&State::tick_count, ticks); }

void SetRegistry(std::shared_ptr<const RegistryStore> store) {
  Put(&State::registry, std::move(store));
}

void SetDriveTable(std::optional<std::map<wchar_t, std::wstring>> drives) {
  if (drives) {
    // Letters are stored upper case so lookups need not care.
    std::map<wchar_t, std::wstring> upper;
    for (auto& [letter, folder] : *drives) {
      wchar_t l = (letter >= L'a' && letter <= L'z') ? letter - L'a' + L'A' : letter;
      upper[l] = folder;
    }
    drives = std::move(upper);
  }
  Put(&State::drive_table, std::move(drives));
}

void SetAnsiCodePage(std::optional<unsigned> code_page) { Put(&State::ansi_code_page, code_page); }

void SetWindowsFolder(std::optional<std::wstring> folder) {
  Put(&State::windows_folder, std::move(folder));
}

void SetTempFolder(std::optional<std::wstring> folder) {
  Put(&State::temp_folder, std::move(folder));
}

void SetUnderWine(std::optional<bool> under_wine) { Put(&State::under_wine, under_wine); }

void ResetAll() {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.program_path.reset();
  s.command_line.reset();
  s.tick_count.reset();
  s.registry.reset();
  s.drive_table.reset();
  s.ansi_code_page.reset();
  s.windows_folder.reset();
  s.temp_folder.reset();
  s.under_wine.reset();
  s.skip_sync = false;
#ifdef _WIN32
  SetShellCalls({});
#endif
  s.listings = 0;
  path_components = 0;
  // A test's file system is its own to keep; the disk comes back.
  UseFiles(nullptr);
  Disk().SetInnerFault(nullptr);
}

void SetSkipSync(bool skip) { Put(&State::skip_sync, skip); }

int FolderListings() { return Get(&State::listings); }

int64_t PathComponentsMapped() { return path_components.load(std::memory_order_relaxed); }

}  // namespace testing

namespace hooks {

std::optional<std::wstring> ProgramPath() { return Get(&State::program_path); }
std::optional<std::wstring> CommandLine() { return Get(&State::command_line); }
std::optional<uint32_t> TickCount() { return Get(&State::tick_count); }
std::shared_ptr<const RegistryStore> Registry() { return Get(&State::registry); }

const std::map<wchar_t, std::wstring>* DriveTable() {
  // The pointer stays valid until the table is replaced, which only tests
  // do, between the calls that use it.
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.drive_table ? &*s.drive_table : nullptr;
}

std::optional<unsigned> AnsiCodePage() { return Get(&State::ansi_code_page); }
std::optional<std::wstring> WindowsFolder() { return Get(&State::windows_folder); }
std::optional<std::wstring> TempFolder() { return Get(&State::temp_folder); }
bool SkipSync() { return Get(&State::skip_sync); }
std::optional<bool> UnderWine() { return Get(&State::under_wine); }

void CountListing() {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  ++s.listings;
}

void CountPathComponents(size_t count) {
  path_components.fetch_add(static_cast<int64_t>(count), std::memory_order_relaxed);
}

void NotOnDisk(const char* what) {
  std::fprintf(stderr, "platform: %s reached the disk while a test's file system stands in\n",
               what);
  std::abort();
}

}  // namespace hooks
}  // namespace copyloom::platform
