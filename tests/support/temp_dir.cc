#include "support/temp_dir.h"

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace copyloom::test {
namespace {

namespace pf = copyloom::platform;

wchar_t NativeSeparator() {
  // The temp folder tells which style this platform writes.
  std::wstring temp = pf::TempFolder();
  return temp.find(L'\\') != std::wstring::npos ? L'\\' : L'/';
}

std::wstring WithSeparator(std::wstring path, wchar_t sep) {
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += sep;
  return path;
}

void MakeFolders(const std::wstring& path) {
  // Create each missing component from the left.
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == L'\\' || path[i] == L'/') {
      std::wstring part = path.substr(0, i);
      if (part.empty() || (part.size() == 2 && part[1] == L':')) continue;
      if (!pf::QueryAttributes(part).exists) pf::CreateOneFolder(part);
    }
  }
}

}  // namespace

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  const wchar_t sep = NativeSeparator();
  std::wstring base = WithSeparator(pf::TempFolder(), sep);
  auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring candidate = base + L"cltest-" + std::to_wstring(stamp % 1000000007) + L"-" +
                             std::to_wstring(counter++);
    if (pf::CreateOneFolder(candidate)) {
      path_ = candidate + sep;
      return;
    }
  }
}

TempDir::~TempDir() {
  if (!path_.empty()) RemoveTree(path_);
}

std::wstring TempDir::Join(const std::wstring& relative) const {
  std::wstring out = path_ + relative;
  const wchar_t sep = path_.back();
  for (auto& c : out) {
    if (c == L'\\' || c == L'/') c = sep;
  }
  return out;
}

void TempDir::MakeFolder(const std::wstring& relative) const { MakeFolders(Join(relative)); }

void TempDir::WriteFile(const std::wstring& relative, const std::string& bytes) const {
  std::wstring full = Join(relative);
  size_t cut = full.find_last_of(L"\\/");
  if (cut != std::wstring::npos) MakeFolders(full.substr(0, cut));
  auto file = pf::OpenFile(full, pf::OpenMode::kWriteTruncate);
  if (file && !bytes.empty()) file->Write(bytes.data(), bytes.size());
}

std::string TempDir::ReadFile(const std::wstring& relative) const {
  auto file = pf::OpenFile(Join(relative), pf::OpenMode::kReadShareAll);
  std::string out;
  if (!file) return out;
  char buffer[65536];
  size_t got = 0;
  while (file->Read(buffer, sizeof buffer, &got) && got > 0) out.append(buffer, got);
  return out;
}

void RemoveTree(const std::wstring& path) {
  std::wstring folder = path;
  while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  auto attributes = pf::QueryAttributes(folder);
  if (!attributes.exists) return;
  if (!attributes.is_folder || attributes.is_link) {
    pf::SetReadOnly(folder, false);
    if (!pf::RemoveOneFile(folder)) pf::RemoveEmptyFolder(folder);
    return;
  }
  std::vector<pf::DirEntry> entries;
  pf::ListEntries(folder, L"*", &entries);
  const wchar_t sep = path.find(L'\\') != std::wstring::npos ? L'\\' : L'/';
  for (const auto& entry : entries) RemoveTree(folder + sep + entry.name);
  pf::RemoveEmptyFolder(folder);
}

}  // namespace copyloom::test
