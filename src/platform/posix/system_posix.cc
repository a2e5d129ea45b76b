// Process and system facts on POSIX, in the shape the Windows calls give.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <vector>

#include "platform/calendar.h"
#include "platform/disk.h"
#include "platform/file_system.h"
#include "platform/path_rules.h"
#include "platform/platform.h"
#include "platform/posix/fd.h"
#include "platform/posix/locale_posix.h"
#include "platform/posix/path_mapper.h"
#include "platform/posix/prefix_state.h"
#include "platform/posix/spawn.h"
#include "platform/posix/wine_prefix.h"
#include "platform/test_hooks.h"
#include "platform/wildcard.h"

namespace copyloom::platform {
namespace {

std::string ReadWhole(const char* path) {
  std::string out;
  posix::UniqueFd fd(open(path, O_RDONLY | O_CLOEXEC));
  if (!fd) return out;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd.get(), buffer, sizeof buffer)) > 0) out.append(buffer, n);
  return out;
}

// One argument as CommandLineToArgvW reads it back: quoted when it holds a
// blank or is empty, with quotes and the backslashes before them escaped.
std::wstring QuoteArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') {
      out.append(backslashes * 2 + 1, L'\\');
    } else {
      out.append(backslashes, L'\\');
    }
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  out += L'"';
  return out;
}

bool IsFolder(const std::string& native) {
  struct stat st;
  return stat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = getenv(name);
  return value && *value ? std::string(value) : fallback;
}

std::string Home() { return EnvOr("HOME", "/"); }

// Runs "sh -c script" with the arguments, detached: the shell puts the real
// program in the background and returns at once, so nothing is left to reap.
bool SpawnDetached(const std::string& script, const std::vector<std::string>& args) {
  posix::ChildRun run;
  run.argv = {"/bin/sh", "-c", script, "sh"};
  run.argv.insert(run.argv.end(), args.begin(), args.end());
  return posix::RunAndWait(run).exit_status == 0;
}

bool EndsWithExe(const std::wstring& path) {
  return path.size() >= 4 &&
         EqualsIgnoreCase(std::wstring_view(path).substr(path.size() - 4), L".exe");
}

std::string CurrentLocale() {
  const std::string name = posix::LocaleName();
  return posix::LocaleAvailable(name) ? name : "C";
}

}  // namespace

std::wstring ProgramPath() {
  if (auto hooked = hooks::ProgramPath()) return *hooked;
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return L"";
  return posix::NativeToWide(std::string(buffer, static_cast<size_t>(n)));
}

std::wstring CurrentFolder() {
  char cwd[PATH_MAX];
  return getcwd(cwd, sizeof cwd) ? Utf8ToWide(cwd) : std::wstring();
}

std::optional<std::wstring> EnvironmentValue(const wchar_t* name) {
  const char* value = getenv(WideToUtf8(name).c_str());
  if (!value) return std::nullopt;
  return Utf8ToWide(value);
}

std::wstring CommandLine() {
  if (auto hooked = hooks::CommandLine()) return *hooked;
  const std::string raw = ReadWhole("/proc/self/cmdline");
  std::wstring line;
  size_t start = 0;
  bool first = true;
  while (start < raw.size()) {
    size_t end = raw.find('\0', start);
    if (end == std::string::npos) end = raw.size();
    const std::wstring arg = posix::NativeToWide(raw.substr(start, end - start));
    start = end + 1;
    if (!first) line += L' ';
    // The program is only quoted, never escaped, as Windows reads it.
    if (first) {
      line += arg.find_first_of(L" \t") == std::wstring::npos ? arg : L"\"" + arg + L"\"";
    } else {
      line += QuoteArgument(arg);
    }
    first = false;
  }
  return line;
}

std::wstring WindowsFolder() {
  if (auto hooked = hooks::WindowsFolder()) return *hooked;
  return QueryAttributes(L"C:\\windows").is_folder ? L"C:\\windows" : L"";
}

std::wstring SystemFolder() {
  const std::wstring windows = WindowsFolder();
  if (windows.empty()) return L"";
  const wchar_t sep = windows.find(L'/') != std::wstring::npos ? L'/' : L'\\';
  std::wstring folder = windows;
  if (folder.back() != L'\\' && folder.back() != L'/') folder += sep;
  folder += L"system32";
  return QueryAttributes(folder).is_folder ? folder : L"";
}

std::wstring TempFolder() {
  if (auto hooked = hooks::TempFolder()) return *hooked;
  // The prefix's own temp folder, where Wine programs put theirs.
  const std::shared_ptr<PrefixState> prefix = posix::CurrentState();
  if (!prefix->root.empty()) {
    for (const char* tail : {"/AppData/Local/Temp", "/Temp"}) {
      const std::string folder = prefix->root + "/drive_c/users/" + prefix->user + tail;
      if (IsFolder(folder)) return posix::NativeToWide(folder + "/");
    }
  }
  std::string folder = EnvOr("TMPDIR", "/tmp");
  if (folder.back() != '/') folder += '/';
  return posix::NativeToWide(folder);
}

namespace {

// C:\users\<user>\ when the run has a Wine prefix whose C: is mapped: where
// Wine puts every shell folder the registry does not name.
std::wstring PrefixUserProfile() {
  // A test machine's drive table stands for no prefix of Wine's.
  if (hooks::DriveTable() || !Files().OnDisk()) return L"";
  const std::shared_ptr<PrefixState> prefix = posix::CurrentState();
  if (!posix::IsWinePrefixFolder(prefix->root)) return L"";
  if (posix::DriveTable().count(L'C') == 0) return L"";
  return L"C:\\users\\" + prefix->wide_user + L"\\";
}

}  // namespace

std::wstring ForCurrentUser(const std::wstring& shell_folder) {
  const std::wstring profile = PrefixUserProfile();
  constexpr std::wstring_view kUsers = L"C:\\users\\";
  if (profile.empty() || shell_folder.size() <= kUsers.size() ||
      !EqualsIgnoreCase(std::wstring_view(shell_folder).substr(0, kUsers.size()), kUsers)) {
    return shell_folder;
  }
  const size_t end = shell_folder.find(L'\\', kUsers.size());
  const std::wstring owner = shell_folder.substr(kUsers.size(), end - kUsers.size());
  // The shared profile is everyone's.
  if (EqualsIgnoreCase(owner, L"Public")) return shell_folder;
  return profile + (end == std::wstring::npos ? L"" : shell_folder.substr(end + 1));
}

std::wstring FallbackSpecialFolder(SpecialFolder which) {
  if (const std::wstring profile = PrefixUserProfile(); !profile.empty()) {
    switch (which) {
      case SpecialFolder::kAppData:
        return profile + L"AppData\\Roaming\\";
      case SpecialFolder::kLocalAppData:
        return profile + L"AppData\\Local\\";
      case SpecialFolder::kPersonal:
        return profile + L"Documents\\";
    }
  }
  std::string folder;
  switch (which) {
    case SpecialFolder::kAppData:
      folder = EnvOr("XDG_CONFIG_HOME", Home() + "/.config");
      break;
    case SpecialFolder::kLocalAppData:
      folder = EnvOr("XDG_DATA_HOME", Home() + "/.local/share");
      break;
    case SpecialFolder::kPersonal:
      folder = EnvOr("XDG_DOCUMENTS_DIR", Home() + "/Documents");
      break;
  }
  if (folder.back() != '/') folder += '/';
  return posix::NativeToWide(folder);
}

uint32_t TickCount() {
  if (auto hooked = hooks::TickCount()) return *hooked;
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + ts.tv_nsec / 1000000;
  return static_cast<uint32_t>(ms);
}

void SleepMs(uint32_t milliseconds) {
  struct timespec ts;
  ts.tv_sec = milliseconds / 1000;
  ts.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

uint32_t UserDefaultLanguage() { return posix::LanguageForLocale(CurrentLocale()); }

uint32_t SystemDefaultLocale() { return posix::LanguageForLocale(CurrentLocale()); }

std::wstring LocalDateTimeNowText() {
  time_t now = time(nullptr);
  struct tm local;
  if (!localtime_r(&now, &local)) return L"";
  char buffer[64];
  // The short date and long time of the two locales the product knows:
  // Chinese (PRC) and English (United States).
  if (UserDefaultLanguage() == 2052) {
    snprintf(buffer, sizeof buffer, "%d/%d/%d %d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
             local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  } else {
    const int hour12 = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    snprintf(buffer, sizeof buffer, "%d/%d/%d %d:%02d:%02d %s", local.tm_mon + 1, local.tm_mday,
             local.tm_year + 1900, hour12, local.tm_min, local.tm_sec,
             local.tm_hour < 12 ? "AM" : "PM");
  }
  return posix::NativeToWide(buffer);
}

// Windows converts with the offset from UTC in force now, not the one of the
// date converted, so that a local time always maps back to the same instant,
// also in the hour repeated when clocks go back; Wine does the same.
namespace {
long CurrentUtcOffset() {
  const time_t now = time(nullptr);
  struct tm local;
  return localtime_r(&now, &local) ? local.tm_gmtoff : 0;
}
}  // namespace

bool FileTimeToLocal(int64_t filetime, LocalTime* local) {
  int64_t seconds = (filetime - kFileTimeAtUnixEpoch) / kFileTimeTicksPerSecond;
  if ((filetime - kFileTimeAtUnixEpoch) % kFileTimeTicksPerSecond < 0) --seconds;
  const time_t t = static_cast<time_t>(seconds + CurrentUtcOffset());
  struct tm fields;
  if (!gmtime_r(&t, &fields)) return false;
  local->year = fields.tm_year + 1900;
  local->month = fields.tm_mon + 1;
  local->day = fields.tm_mday;
  local->hour = fields.tm_hour;
  local->minute = fields.tm_min;
  local->second = fields.tm_sec;
  return true;
}

bool LocalToFileTime(const LocalTime& local, int64_t* filetime) {
  if (!IsCalendarTime(local)) return false;
  struct tm fields = {};
  fields.tm_year = local.year - 1900;
  fields.tm_mon = local.month - 1;
  fields.tm_mday = local.day;
  fields.tm_hour = local.hour;
  fields.tm_min = local.minute;
  fields.tm_sec = local.second;
  const time_t t = timegm(&fields);
  *filetime = kFileTimeAtUnixEpoch +
              (static_cast<int64_t>(t) - CurrentUtcOffset()) * kFileTimeTicksPerSecond;
  return true;
}

bool ShellOpen(const std::wstring& path) {
  std::string native;
  if (!posix::MapPath(path, &native)) return false;
  struct stat st;
  if (stat(native.c_str(), &st) != 0) return false;
  return SpawnDetached(
      "command -v xdg-open >/dev/null || exit 1; xdg-open \"$1\" >/dev/null 2>&1 </dev/null &",
      {native});
}

bool LaunchProgram(const std::wstring& program, const std::wstring& folder) {
  std::string native_program, native_folder;
  if (!posix::MapPath(program, &native_program)) return false;
  if (!posix::MapPath(folder.empty() ? L"." : folder, &native_folder)) return false;
  struct stat st;
  if (stat(native_program.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (!IsFolder(native_folder)) return false;
  // A Windows program runs under Wine in the prefix that holds it (else the
  // current one), made for that prefix's architecture: a win32 prefix
  // started as win64 fails.
  if (EndsWithExe(program)) {
    std::string prefix = posix::PrefixHolding(native_program);
    if (prefix.empty()) prefix = posix::CurrentState()->root;
    return SpawnDetached(
        "command -v wine >/dev/null || exit 1; "
        "(cd \"$1\" && export WINEPREFIX=\"$3\" && "
        "if [ -n \"$4\" ]; then export WINEARCH=\"$4\"; fi && exec wine \"$2\") "
        ">/dev/null 2>&1 </dev/null &",
        {native_folder, native_program, prefix, posix::WinePrefixArch(prefix)});
  }
  if (access(native_program.c_str(), X_OK) != 0) return false;
  return SpawnDetached("(cd \"$1\" && exec \"$2\") >/dev/null 2>&1 </dev/null &",
                       {native_folder, native_program});
}

}  // namespace copyloom::platform
