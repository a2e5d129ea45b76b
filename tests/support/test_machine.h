// A whole machine in a temp folder: drives C: and D: mapped into it, a
// registry store of the test's own, a program path, and the product profile
// and settings file built on them. Paths in tests are Windows style
// ("C:\MT4") and resolve the same way natively and under Wine.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry_store.h"
#include "support/temp_dir.h"

namespace copyloom::test {

class TestMachine {
 public:
  // Drives C: and D:; the program runs as C:\Setup\program_name. With
  // in_memory the drives' files live in the platform's memory store instead
  // of the temp folder (Documents is then a plain folder, not a link).
  explicit TestMachine(const std::wstring& program_name = L"CopyloomSetup.exe",
                       bool in_memory = false);
  ~TestMachine();

  // The registry the machine's programs see; call Apply() after changing it.
  platform::RegistryStore& registry() { return *registry_; }
  void Apply();

  // Builds the product profile and binds clinst.cfg in its settings folder
  // (the prefix's AppData: C:\users\trader\Documents links to the home
  // folder's Documents, as wineboot makes it).
  void StartProduct();

  // Creates folders (with "config" and "experts" for a terminal).
  void MakeFolder(const std::wstring& path) const;
  void MakeTerminal(const std::wstring& path) const;
  // Build 600 and later: terminal.exe in the installation folder and its
  // files in a data folder (the ID rule's name unless id is given) whose
  // origin.txt names it (UTF-16LE with its mark unless origin is given).
  // Returns the data folder, with "\".
  std::wstring MakeDataFolderTerminal(const std::wstring& installation,
                                      const std::wstring& id = L"",
                                      const std::string* origin = nullptr) const;
  // Started with /portable: terminal.exe and MQL4\Experts in the folder.
  void MakePortableTerminal(const std::wstring& installation) const;
  // Set up (by a broker's setup run with /auto) but never started:
  // terminal.exe, config, history, Sounds, templates.
  void MakeNeverStartedTerminal(const std::wstring& installation) const;
  // A file in folder\logs modified at filetime (100 ns since 1601).
  void WriteLog(const std::wstring& folder, int64_t filetime) const;
  static std::wstring terminal_data_root() {
    return L"C:\\users\\trader\\AppData\\Roaming\\MetaQuotes\\Terminal\\";
  }
  static std::string Utf16LeWithMark(const std::wstring& text);
  void WriteFile(const std::wstring& path, const std::string& bytes) const;
  std::string ReadFile(const std::wstring& path) const;
  bool Exists(const std::wstring& path) const;
  // Every file below the folder (default: both drives), path -> content.
  std::map<std::wstring, std::string> Files(const std::wstring& folder = L"") const;

  const std::wstring& program_folder() const { return program_folder_; }
  std::wstring data_folder() const;
  const TempDir& root() const { return root_; }

 private:
  TempDir root_;
  std::shared_ptr<platform::RegistryStore> registry_;
  std::wstring program_folder_;
};

}  // namespace copyloom::test
