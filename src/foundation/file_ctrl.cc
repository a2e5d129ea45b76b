#include "foundation/file_ctrl.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "foundation/byte_search.h"
#include "foundation/checksum.h"
#include "platform/calendar.h"
#include "platform/path_rules.h"
#include "platform/platform.h"

namespace copyloom {
namespace {

namespace pf = platform;

std::wstring WithoutTrailingSeparators(std::wstring path) {
  while (!path.empty() && IsSeparator(path.back())) path.pop_back();
  return path;
}

pf::TimeKind KindOf(int kind) {
  if (kind == CFileCtrl::kCreation) return pf::TimeKind::kCreation;
  if (kind == CFileCtrl::kLastAccess) return pf::TimeKind::kLastAccess;
  return pf::TimeKind::kLastWrite;
}

int64_t TimeOf(const pf::FileTimes& times, int kind) {
  if (kind == CFileCtrl::kCreation) return times.creation;
  if (kind == CFileCtrl::kLastAccess) return times.last_access;
  return times.last_write;
}

CFileCtrl::FolderPicker& Picker() {
  static CFileCtrl::FolderPicker picker;
  return picker;
}

// Reads a non-negative decimal number; false when there is none or it is
// absurdly long.
bool ReadNumber(const std::wstring& text, size_t* at, int* value) {
  size_t i = *at;
  int number = 0, digits = 0;
  while (i < text.size() && text[i] >= L'0' && text[i] <= L'9') {
    if (++digits > 9) return false;
    number = number * 10 + (text[i] - L'0');
    ++i;
  }
  if (digits == 0) return false;
  *at = i;
  *value = number;
  return true;
}

void SkipBlanks(const std::wstring& text, size_t* at) {
  while (*at < text.size() && (text[*at] == L' ' || text[*at] == L'\t')) ++*at;
}

// "y-m-d h:m:s" (also "y/m/d"); the time may lack its seconds or be absent.
bool ParseTimeText(const std::wstring& text, pf::LocalTime* out) {
  pf::LocalTime t;
  size_t at = 0;
  SkipBlanks(text, &at);
  if (!ReadNumber(text, &at, &t.year)) return false;
  if (at >= text.size() || (text[at] != L'-' && text[at] != L'/')) return false;
  const wchar_t date_separator = text[at++];
  if (!ReadNumber(text, &at, &t.month)) return false;
  if (at >= text.size() || text[at++] != date_separator) return false;
  if (!ReadNumber(text, &at, &t.day)) return false;
  const size_t before_time = at;
  SkipBlanks(text, &at);
  if (at < text.size()) {
    if (at == before_time) return false;
    if (!ReadNumber(text, &at, &t.hour)) return false;
    if (at >= text.size() || text[at++] != L':') return false;
    if (!ReadNumber(text, &at, &t.minute)) return false;
    if (at < text.size() && text[at] == L':') {
      ++at;
      if (!ReadNumber(text, &at, &t.second)) return false;
    }
    SkipBlanks(text, &at);
    if (at != text.size()) return false;
  }
  if (!pf::IsCalendarTime(t)) return false;
  *out = t;
  return true;
}

constexpr size_t kReadChunk = 1 << 20;

// The longest path Windows takes ("\\?\" paths included), in characters.
constexpr size_t kLongestPath = 32767;

}  // namespace

bool CFileCtrl::FolderExists(const std::wstring& path) const {
  const auto attributes = pf::QueryAttributes(path);
  return attributes.exists && attributes.is_folder;
}

bool CFileCtrl::FileExists(const std::wstring& path) const {
  const auto attributes = pf::QueryAttributes(path);
  return attributes.exists && !attributes.is_folder;
}

std::string CFileCtrl::ReadWholeFile(const std::wstring& path) const {
  std::string content;
  auto file = pf::OpenFile(path, pf::OpenMode::kReadShareAll);
  if (!file) return content;
  const int64_t size = file->Size();
  if (size > 0) content.reserve(static_cast<size_t>(size));
  std::vector<char> buffer(kReadChunk);
  size_t got = 0;
  // Until the end rather than to the size taken at the start: others may
  // be writing it meanwhile.
  while (file->Read(buffer.data(), buffer.size(), &got) && got > 0)
    content.append(buffer.data(), got);
  return content;
}

pf::Status CFileCtrl::WriteTextFile(const std::wstring& path, const std::wstring& text,
                                    bool replace) const {
  if (path.empty()) return pf::Status(pf::FailureKind::kNameNotAllowed, path);
  const unsigned code_page = pf::AnsiCodePage();
  size_t unmappable = pf::kNoUnmappable;
  std::string bytes = pf::WideToCodePage(code_page, text, &unmappable);
  if (unmappable != pf::kNoUnmappable) {
    bytes = pf::WideToCodePage(code_page, text.substr(0, unmappable));
  }
  if (replace) return pf::WriteWholeFile(path, bytes);
  pf::ClearFailureKind();
  auto file = pf::OpenFile(path, pf::OpenMode::kWriteAppend);
  if (!file) return pf::LastSystemFailure(path);
  if (bytes.empty() || file->Write(bytes.data(), bytes.size())) return {};
  return pf::LastSystemFailure(path);
}

pf::Status CFileCtrl::AppendTextLine(const std::wstring& path, const std::wstring& text) const {
  return WriteTextFile(path, FileExists(path) ? L"\r\n" + text : text, false);
}

int64_t CFileCtrl::FindTextInFile(const std::wstring& path, const std::wstring& text) const {
  if (text.empty() || !FileExists(path)) return -1;
  const std::string needle = pf::WideToCodePage(pf::AnsiCodePage(), text);
  if (needle.empty()) return -1;
  auto file = pf::OpenFile(path, pf::OpenMode::kReadShareAll);
  if (!file) return -1;

  // One pass in large chunks; the last n-1 bytes of a chunk stay in front of
  // the next one so that a match across the edge is found.
  const CByteSearch searcher(needle);
  const size_t keep = needle.size() - 1;
  std::vector<char> window(keep + kReadChunk);
  size_t filled = 0;  // bytes in window
  int64_t base = 0;   // file offset of window[0]
  for (;;) {
    size_t got = 0;
    if (!file->Read(window.data() + filled, window.size() - filled, &got) || got == 0) break;
    filled += got;
    const size_t hit = searcher.Find(window.data(), filled);
    if (hit != CByteSearch::npos) return base + static_cast<int64_t>(hit);
    if (filled > keep) {
      std::copy(window.begin() + static_cast<std::ptrdiff_t>(filled - keep),
                window.begin() + static_cast<std::ptrdiff_t>(filled), window.begin());
      base += static_cast<int64_t>(filled - keep);
      filled = keep;
    }
  }
  return -1;
}

pf::Status CFileCtrl::CopyFileTo(const std::wstring& source, const std::wstring& destination,
                                 bool overwrite) const {
  if (!overwrite && FileExists(destination)) return {};
  const std::wstring folder = GetPathFolder(destination);
  if (!folder.empty()) {
    if (pf::Status made = CreateFolderTree(folder); !made) return made;
  }
  return pf::CopyOneFile(source, destination, !overwrite);
}

double CFileCtrl::GetFileLength(const std::wstring& path) const {
  auto file = pf::OpenFile(path, pf::OpenMode::kReadShareAll);
  if (!file) return -1;
  const int64_t size = file->Size();
  // The whole size: a log past 4 GB must still read as too big.
  return size < 0 ? -1 : static_cast<double>(size);
}

pf::Status CFileCtrl::CreateFolderTree(const std::wstring& folder) const {
  const pf::Status missing(pf::FailureKind::kMissing, folder);
  const std::wstring path = WithoutTrailingSeparators(folder);
  if (path.empty()) return pf::QueryAttributes(folder).exists ? pf::Status() : missing;
  if (pf::QueryAttributes(path).exists) return {};
  const std::wstring parent = GetPathFolder(path);
  // Ran out of parents without meeting an existing folder: a missing drive
  // or a bare relative name.
  if (parent.empty()) return missing;
  if (!FolderExists(parent)) {
    if (pf::Status made = CreateFolderTree(parent); !made) return made;
  }
  if (pf::Status made = pf::CreateOneFolder(path); !made) return made;
  return FolderExists(path) ? pf::Status() : pf::Status(pf::FailureKind::kNotRegularFile, path);
}

pf::Status CFileCtrl::DeleteFileIfPresent(const std::wstring& path) const {
  if (!FileExists(path)) return {};
  return pf::RemoveOneFile(path);
}

bool CFileCtrl::ListFolder(const std::wstring& path, TextList* list, bool want_files,
                           bool recursive, const std::wstring& pattern, TextList* unusable) const {
  list->clear();
  std::wstring folder = path;
  std::wstring filter = pattern;
  if (folder.size() > 1 && folder.find_first_of(L"*?", 1) != std::wstring::npos) {
    if (filter.empty()) filter = GetPathFileName(folder, true);
    folder = GetPathFolder(folder);
  }
  if (folder.empty() || !pf::QueryAttributes(folder).exists) return true;
  folder = WithoutTrailingSeparators(folder);
  if (filter.empty()) filter = L"*";

  bool complete = true;
  auto visit = [&](const std::wstring& below, const pf::DirEntry& entry) {
    std::wstring full = folder + L"\\" + below;
    if (!IsWindowsFileName(entry.name)) {
      if (unusable && (entry.is_folder ? !want_files : want_files)) {
        unusable->push_back(std::move(full));
      }
      return false;
    }
    if (!entry.is_folder) {
      if (want_files) list->push_back(std::move(full));
      return false;
    }
    // Windows names nothing longer; the POSIX walk could go on regardless.
    const bool enter = recursive && full.size() < kLongestPath;
    if (recursive && !enter) complete = false;
    if (!want_files) list->push_back(std::move(full));
    return enter;
  };
  // Depth first, in the platform's order.
  const bool walked = pf::WalkFolder(folder.empty() ? L"\\" : folder, filter, visit);
  return walked && complete;
}

bool CFileCtrl::IsFileInUse(const std::wstring& path) const { return pf::IsFileInUse(path); }

std::wstring CFileCtrl::GetFileTimeText(const std::wstring& path, int kind) const {
  if (!pf::QueryAttributes(path).exists) return std::wstring();
  pf::FileTimes times;
  if (!pf::GetFileTimes(path, &times)) return std::wstring();
  pf::LocalTime local;
  if (!pf::FileTimeToLocal(TimeOf(times, kind), &local)) return std::wstring();
  wchar_t text[80];
  std::swprintf(text, 80, L"%d-%d-%d %d:%d:%d", local.year, local.month, local.day, local.hour,
                local.minute, local.second);
  return text;
}

bool CFileCtrl::SetFileTimeText(const std::wstring& path, const std::wstring& text,
                                int kind) const {
  pf::LocalTime local;
  if (!ParseTimeText(text, &local)) return false;
  int64_t filetime = 0;
  if (!pf::LocalToFileTime(local, &filetime)) return false;
  const auto attributes = pf::QueryAttributes(path);
  if (!attributes.exists) return false;
  const bool was_read_only = attributes.read_only;
  if (was_read_only) pf::SetReadOnly(path, false);
  const bool ok = pf::SetFileTimeOf(path, KindOf(kind), filetime);
  if (was_read_only) pf::SetReadOnly(path, true);
  return ok;
}

std::wstring CFileCtrl::BrowseForFolder(const std::wstring& title,
                                        const std::wstring& initial_folder) const {
  if (!Picker()) return std::wstring();
  std::wstring chosen = Picker()(title.empty() ? L"Select Folder" : title, initial_folder);
  if (!chosen.empty() && !IsSeparator(chosen.back())) chosen += L'\\';
  return chosen;
}

void CFileCtrl::SetFolderPicker(FolderPicker picker) { Picker() = std::move(picker); }

std::wstring CFileCtrl::GetFileVersionText(const std::wstring& path) const {
  std::vector<std::wstring> versions;
  if (!pf::ReadFileVersions(path, &versions)) return std::wstring();
  return JoinVersionTexts(versions);
}

std::wstring JoinVersionTexts(const std::vector<std::wstring>& versions) {
  std::wstring result;
  for (const auto& version : versions) {
    if (!result.empty()) result += L';';
    for (wchar_t c : version) {
      if (c != L' ') result += c == L',' ? L'.' : c;
    }
  }
  return result;
}

std::wstring CFileCtrl::GetProgramVersionText() const {
  return GetFileVersionText(GetProgramPath());
}

std::wstring CFileCtrl::FindFileVersionText(const std::wstring& fragment) const {
  if (fragment.empty()) return std::wstring();
  const std::wstring wanted = ToLower(fragment);
  TextList files;
  ListFolder(GetProgramFolder(), &files, true, true, L"*");
  for (const auto& file : files) {
    if (ToLower(file).find(wanted, 1) != std::wstring::npos) return GetFileVersionText(file);
  }
  return std::wstring();
}

std::wstring CFileCtrl::GetFileDigest(const std::wstring& path) const {
  const auto attributes = pf::QueryAttributes(path);
  if (!attributes.exists || attributes.is_folder) return std::wstring();
  auto file = pf::OpenFile(path, pf::OpenMode::kReadShareRead);
  // A file held by another program gets no digest rather than an error.
  if (!file) return std::wstring();
  CChecksum md5;
  std::vector<char> buffer(kReadChunk);
  uint64_t total = 0;
  for (;;) {
    size_t got = 0;
    if (!file->Read(buffer.data(), buffer.size(), &got)) return std::wstring();
    if (got == 0) break;
    md5.Update(buffer.data(), got);
    total += got;
  }
  if (total == 0) return std::wstring();
  return md5.FinalHex();
}

}  // namespace copyloom
