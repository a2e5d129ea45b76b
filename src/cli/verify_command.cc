#include "cli/verify_command.h"

#include "app/run_texts.h"
#include "foundation/file_ctrl.h"
#include "install/installed_kit.h"
#include "install/kit_manifest.h"
#include "platform/platform.h"

namespace copyloom::cli {
namespace {

std::string Utf8(const std::wstring& text) { return platform::WideToUtf8(text); }
std::wstring Wide(const std::string& text) { return platform::Utf8ToWide(text); }

// One kit: its line and its JSON entry.
void VerifyKit(const std::wstring& root, VerifyReport* report) {
  const KitCheck check = CheckKit(root);
  nlohmann::ordered_json kit;
  kit["root"] = Utf8(root);
  switch (check.state) {
    case KitCheck::kGenuine:
      kit["state"] = "genuine";
      report->lines.push_back(RunMessage(
          RunText::VerifyKitGenuine, {root, Wide(check.manifest.name), Wide(check.manifest.version),
                                      std::to_wstring(check.manifest.files.size())}));
      break;
    case KitCheck::kUnsigned:
      // Nothing vouches for its files.
      kit["state"] = "unsigned";
      report->lines.push_back(RunMessage(RunText::VerifyKitUnsigned, {root}));
      report->all_good = false;
      break;
    case KitCheck::kNotGenuine:
      kit["state"] = "not-genuine";
      kit["file"] = Utf8(check.file);
      kit["why"] = check.why;
      report->lines.push_back(
          RunMessage(RunText::VerifyKitNotGenuine, {check.file, Wide(check.why)}));
      report->all_good = false;
      break;
  }
  kit["name"] = check.manifest.name;
  kit["version"] = check.manifest.version;
  report->json["kits"].push_back(kit);
}

// One row: what its terminal holds against the record its install left.
void VerifyRow(const TerminalRow& row, VerifyReport* report) {
  const InstalledKit held = ReadInstalledKit(ResolveTerminalLayout(row.folder));
  nlohmann::ordered_json r;
  r["folder"] = Utf8(row.folder);
  r["kit"] = held.manifest.name;
  r["kit_version"] = held.manifest.version;
  r["modified"] = nlohmann::json::array();
  if (!held.recorded) {
    r["state"] = "no-record";
    report->lines.push_back(RunMessage(RunText::VerifyNoRecord, {row.folder}));
  } else if (held.modified.empty()) {
    r["state"] = "as-installed";
    report->lines.push_back(
        RunMessage(RunText::VerifyAsInstalled,
                   {row.folder, Wide(held.manifest.name), Wide(held.manifest.version),
                    std::to_wstring(held.manifest.files.size())}));
  } else {
    r["state"] = "modified";
    for (const std::wstring& file : held.modified) {
      r["modified"].push_back(Utf8(file));
      report->lines.push_back(RunMessage(RunText::VerifyModified, {row.folder, file}));
    }
    report->all_good = false;
  }
  report->json["rows"].push_back(r);
}

}  // namespace

VerifyReport VerifyKitsAndTerminals(const std::vector<std::wstring>& roots,
                                    const std::vector<TerminalRow>& rows) {
  VerifyReport report;
  report.json["kits"] = nlohmann::json::array();
  report.json["rows"] = nlohmann::json::array();
  const CFileCtrl files;
  for (const std::wstring& root : roots) {
    if (files.FolderExists(root + L"experts")) VerifyKit(root, &report);
  }
  for (const TerminalRow& row : rows) VerifyRow(row, &report);
  return report;
}

}  // namespace copyloom::cli
