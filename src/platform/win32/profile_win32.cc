// Settings files through the system's own profile functions.
#include <windows.h>

#include <algorithm>

#include "platform/platform.h"
#include "platform/disk.h"
#include "platform/win32/handles.h"
#include "platform/file_system.h"
#include "platform/one_step_write.h"
#include "platform/win32/new_file_win32.h"
#include "platform/win32/path_win32.h"

namespace copyloom::platform {
namespace {

// Without a folder the profile functions look in the Windows folder; the
// product means the current one.
std::wstring ProfilePath(const std::wstring& file) {
  std::wstring native = win32::ResolvePath(file);
  if (native.find(L'\\') == std::wstring::npos && native.find(L':') == std::wstring::npos) {
    native.insert(0, L".\\");
  }
  return native;
}

// Only ASCII reads the same in every code page: a folder name in any other
// character would come back garbled to a run under another locale.
bool Representable(const std::wstring& text) {
  return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x80; });
}

// The profile functions read and write a file that starts with a UTF-16LE
// byte-order mark as Unicode: an ANSI file is rewritten as one, keeping its
// lines; a missing one starts as the mark alone.
bool MakeUnicode(const std::wstring& path) {
  std::string bytes;
  if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
    win32::UniqueHandle in(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!in.valid()) return false;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(in.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
      bytes.append(buffer, got);
    }
  }
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') return true;
  const std::wstring text = CodePageToWide(AnsiCodePage(), bytes);
  std::string wide = "\xFF\xFE";
  for (wchar_t c : text) {
    wide += static_cast<char>(c & 0xFF);
    wide += static_cast<char>((c >> 8) & 0xFF);
  }
  win32::UniqueHandle out(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  return out.valid() && win32::WriteAllOrFail(out.get(), wide.data(), wide.size());
}

// Wine keeps recently used settings files in memory and trusts the copy
// while the file's last-write time is unchanged; the settings keep that
// time on purpose. Flushing drops the copy, so the next read sees the file.
void Forget(const std::wstring& path) {
  ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());
}

// A settings file that is no plain file or is over its cap is left alone:
// the profile functions would read it whole, or block on a pipe.
bool IsBroken(const std::wstring& file, const std::wstring& native) {
  const DWORD attributes = ::GetFileAttributesW(native.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  auto opened = OpenFile(file, OpenMode::kReadShareAll);
  // One held without sharing is busy, not broken: the profile functions say so.
  const bool broken = (attributes & FILE_ATTRIBUTE_DIRECTORY) ||
                      (opened && static_cast<uint64_t>(opened->Size()) > kSettingsFileCap);
  if (broken) NoteBrokenSettingsFile(file);
  return broken;
}

}  // namespace

std::wstring disk::ProfileRead(const std::wstring& file, const std::wstring& section,
                         const std::wstring& key) {
  const std::wstring native = ProfilePath(file);
  // Another program (the command line beside the window) may have replaced
  // the file keeping its time: read the file, not a remembered copy.
  Forget(native);
  if (IsBroken(file, native)) return L"";
  // A value longer than the buffer comes back cut to size - 1 characters
  // (Wine may stop a character earlier still): grow until it stops filling.
  DWORD size = 4096;
  constexpr DWORD kLimit = 64u << 20;
  for (;;) {
    std::wstring buffer(size, L'\0');
    DWORD n = ::GetPrivateProfileStringW(section.c_str(), key.c_str(), L"", buffer.data(), size,
                                         native.c_str());
    if (n + 2 < size || size >= kLimit) {
      buffer.resize(n < size ? n : size - 1);
      return buffer;
    }
    size *= 4;
  }
}

bool disk::ProfileWrite(const std::wstring& file, const std::wstring& section, const std::wstring& key,
                  const std::wstring& value) {
  const std::wstring native = ProfilePath(file);
  if (IsBroken(file, native)) {
    NoteFailureKind(FailureKind::kNotRegularFile);
    return false;
  }
  const bool existed = ::GetFileAttributesW(native.c_str()) != INVALID_FILE_ATTRIBUTES;
  const bool ok = WriteInOneStepWith(
      Disk(), file, false,
      [&](const std::wstring& new_file, const Replaced& replaced, std::unique_ptr<File>*) {
        const std::wstring temp = ProfilePath(new_file);
        if (existed && !::CopyFileW(native.c_str(), temp.c_str(), TRUE)) return false;
        // "?" in place of a folder name would lose the row it names.
        bool written = Representable(section + key + value) || MakeUnicode(temp);
        written = written && ::WritePrivateProfileStringW(section.c_str(), key.c_str(),
                                                          value.c_str(), temp.c_str()) != 0;
        Forget(temp);
        written = written && !disk::Fails(InnerStep::kWrite);
        if (!written) Disk().DiscardNewFile(new_file);
        win32::KeepAttributes(temp, replaced.keep);
        return written;
      });
  // Forgetting the file may set the last error: the cause is the write's.
  const DWORD error = ::GetLastError();
  Forget(native);
  ::SetLastError(error);
  return ok;
}

// The system's profile functions read for themselves; this is for a caller
// that wants the bytes.
ReadStatus disk::ReadSettingsFile(const std::wstring& path, std::string* bytes) {
  const Status read = ReadCappedFile(path, kSettingsFileCap, bytes);
  return read ? ReadStatus::kOk : FoundBroken(read) ? ReadStatus::kBroken : ReadStatus::kMissing;
}

}  // namespace copyloom::platform
