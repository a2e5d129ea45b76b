#include "support/test_machine.h"

#include <map>

#include "app/process_objects.h"
#include "app/product_profile.h"
#include "platform/platform.h"
#include "platform/testing.h"
#include "support/test_files.h"
#include "support/folder_link.h"
#include "terminals/terminal_layout.h"
#include "terminals/terminal_list.h"

namespace copyloom::test {
namespace {

namespace pf = copyloom::platform;

constexpr wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

}  // namespace

TestMachine::TestMachine(const std::wstring& program_name, bool in_memory)
    : registry_(std::make_shared<pf::RegistryStore>()), program_folder_(L"C:\\Setup\\") {
  root_.MakeFolder(L"drive_c");
  root_.MakeFolder(L"drive_d");
  pf::testing::SetDriveTable(std::map<wchar_t, std::wstring>{{L'C', root_.Join(L"drive_c")},
                                                             {L'D', root_.Join(L"drive_d")}});
  registry_->SetValue(pf::RegRoot::kCurrentUser, kShellFolders, L"Personal",
                      L"C:\\users\\trader\\Documents");
  registry_->SetValue(pf::RegRoot::kCurrentUser, kShellFolders, L"AppData",
                      L"C:\\users\\trader\\AppData\\Roaming");
  registry_->SetValue(pf::RegRoot::kCurrentUser, kShellFolders, L"Local AppData",
                      L"C:\\users\\trader\\AppData\\Local");
  if (in_memory) {
    pf::testing::UseMemoryFiles(true);
    MakeFolder(L"C:\\users\\trader\\Documents");
  } else {
    // As wineboot leaves a prefix: Documents is the home folder's, shared by
    // every prefix of the user.
    root_.MakeFolder(L"home\\Documents");
    MakeFolder(L"C:\\users\\trader");
    MakeFolderLink(root_.Join(L"drive_c\\users\\trader\\Documents"),
                   root_.Join(L"home\\Documents"));
  }
  MakeFolder(L"C:\\users\\trader\\AppData\\Roaming");
  MakeFolder(L"C:\\users\\trader\\AppData\\Local\\Temp");
  MakeFolder(L"C:\\windows\\system32");
  MakeFolder(program_folder_);
  pf::testing::SetProgramPath(program_folder_ + program_name);
  pf::testing::SetCommandLine(L"\"" + program_folder_ + program_name + L"\"");
  pf::testing::SetWindowsFolder(std::wstring(L"C:\\windows"));
  pf::testing::SetTempFolder(std::wstring(L"C:\\users\\trader\\AppData\\Local\\Temp"));
  Apply();
}

TestMachine::~TestMachine() { pf::testing::ResetAll(); }

void TestMachine::Apply() { pf::testing::SetRegistry(registry_); }

void TestMachine::StartProduct() {
  Apply();
  InitProductProfile();
  BindInstallerSettings();
}

std::wstring TestMachine::data_folder() const { return TheProfile().data_folder; }

void TestMachine::MakeFolder(const std::wstring& path) const {
  for (size_t i = 3; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == L'\\') {
      std::wstring part = path.substr(0, i);
      if (!pf::QueryAttributes(part).exists) pf::CreateOneFolder(part);
    }
  }
}

void TestMachine::MakeTerminal(const std::wstring& path) const {
  std::wstring folder = path;
  if (folder.back() != L'\\') folder += L'\\';
  MakeFolder(folder + L"config");
  MakeFolder(folder + L"experts");
}

std::string TestMachine::Utf16LeWithMark(const std::wstring& text) {
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  return bytes;
}

std::wstring TestMachine::MakeDataFolderTerminal(const std::wstring& installation,
                                                 const std::wstring& id,
                                                 const std::string* origin) const {
  WriteFile(installation + L"\\terminal.exe", "MZ terminal");
  const std::wstring data =
      terminal_data_root() + (id.empty() ? TerminalDataFolderId(installation) : id) + L"\\";
  for (const wchar_t* sub : {L"MQL4\\Experts", L"MQL4\\Indicators", L"MQL4\\Libraries", L"config",
                             L"profiles", L"templates", L"logs"}) {
    MakeFolder(data + sub);
  }
  WriteFile(data + L"origin.txt", origin ? *origin : Utf16LeWithMark(installation));
  return data;
}

void TestMachine::MakePortableTerminal(const std::wstring& installation) const {
  WriteFile(installation + L"\\terminal.exe", "MZ terminal");
  MakeFolder(installation + L"\\MQL4\\Experts");
  MakeFolder(installation + L"\\config");
}

void TestMachine::MakeNeverStartedTerminal(const std::wstring& installation) const {
  WriteFile(installation + L"\\terminal.exe", "MZ terminal");
  for (const wchar_t* folder : {L"config", L"history", L"Sounds", L"templates"}) {
    MakeFolder(installation + L"\\" + folder);
  }
}

void TestMachine::WriteLog(const std::wstring& folder, int64_t filetime) const {
  const std::wstring path = folder + L"\\logs\\" + std::to_wstring(filetime) + L".log";
  WriteFile(path, "log");
  pf::SetFileTimeOf(path, pf::TimeKind::kLastWrite, filetime);
}

void TestMachine::WriteFile(const std::wstring& path, const std::string& bytes) const {
  const std::wstring folder = path.substr(0, path.find_last_of(L'\\'));
  if (!pf::QueryAttributes(folder).is_folder) MakeFolder(folder);
  auto file = pf::OpenFile(path, pf::OpenMode::kWriteTruncate);
  if (file && !bytes.empty()) file->Write(bytes.data(), bytes.size());
}

std::string TestMachine::ReadFile(const std::wstring& path) const {
  std::string out;
  auto file = pf::OpenFile(path, pf::OpenMode::kReadShareAll);
  if (!file) return out;
  char buffer[65536];
  size_t got = 0;
  while (file->Read(buffer, sizeof buffer, &got) && got > 0) out.append(buffer, got);
  return out;
}

bool TestMachine::Exists(const std::wstring& path) const {
  return pf::QueryAttributes(path).exists;
}

std::map<std::wstring, std::string> TestMachine::Files(const std::wstring& folder) const {
  std::map<std::wstring, std::string> files;
  if (folder.empty()) {
    for (const wchar_t* drive : {L"C:", L"D:"}) files.merge(Files(drive));
    return files;
  }
  std::vector<pf::DirEntry> entries;
  pf::ListEntries(folder, L"*", &entries);
  for (const auto& entry : entries) {
    const std::wstring path = folder + L"\\" + entry.name;
    if (entry.is_folder) {
      files.merge(Files(path));
    } else {
      files[path] = ReadFile(path);
    }
  }
  return files;
}

}  // namespace copyloom::test
