// A fresh folder per test, removed with everything in it afterwards.
#pragma once

#include <string>

namespace copyloom::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder as a native path of this platform, ending with a separator.
  const std::wstring& path() const { return path_; }
  // path() + relative, with "\" turned into the native separator.
  std::wstring Join(const std::wstring& relative) const;

  // Writes bytes to a file below the folder, creating its folders.
  void WriteFile(const std::wstring& relative, const std::string& bytes) const;
  // Reads a file below the folder; empty when missing.
  std::string ReadFile(const std::wstring& relative) const;
  void MakeFolder(const std::wstring& relative) const;

 private:
  std::wstring path_;
};

// Removes a folder and everything below it (links are removed, not followed).
void RemoveTree(const std::wstring& path);

}  // namespace copyloom::test
