#include "install/mt_assist.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/process_objects.h"
#include "foundation/file_ctrl.h"
#include "install/installed_kit.h"
#include "install/kit_names.h"
#include "platform/platform.h"
#include "terminals/terminal_discovery.h"
#include "terminals/terminal_layout.h"
#include "terminals/terminal_running.h"

namespace copyloom {
namespace {

namespace pf = platform;

constexpr wchar_t kExperts[] = L"experts";
constexpr wchar_t kLibraries[] = L"experts\\libraries";
constexpr wchar_t kTagPattern[] = L"vlcpy*.tag";
constexpr wchar_t kExpertsIni[] = L"experts.ini";
constexpr size_t kExpertsIniMinPatched = 201;
// Package bytes a command keeps in memory to compare destinations with;
// files past it are compared by digest.
constexpr uint64_t kHeldBytesBudget = 48 << 20;

bool EndsWithSeparator(const std::wstring& path) {
  return !path.empty() && (path.back() == L'\\' || path.back() == L'/');
}

std::wstring AsFolder(std::wstring path) {
  if (!EndsWithSeparator(path)) path += L'\\';
  return path;
}

// The ".ex4" beside a ".mq4": the same path with the extension swapped.
std::wstring CompiledCounterpart(const std::wstring& source) {
  return source.substr(0, source.size() - 4) + L".ex4";
}

// Tag files left in the terminal go before the new libraries arrive.
void RemoveLeftTags(const std::wstring& destination_folder, TerminalTransaction& txn) {
  TextList tags;
  CFileCtrl().ListFolder(destination_folder, &tags, true, false, kTagPattern);
  for (const std::wstring& tag : tags) txn.Remove(tag);
}

// Junk and names Windows cannot hold never reach a terminal: they are noted
// in *skipped, each once. False when the folder could not be listed.
bool ListPackageFolder(const std::wstring& folder, const std::wstring& pattern, TextList* sources,
                       TextList* skipped) {
  TextList unusable;
  const bool listed = ListKitFolder(folder, pattern, sources, &unusable);
  for (const std::wstring& name : unusable) {
    if (std::find(skipped->begin(), skipped->end(), name) == skipped->end()) {
      skipped->push_back(name);
    }
  }
  return listed;
}

// The texts every changed compiled file must hold, as the compiled files
// carry them: ANSI bytes.
std::vector<std::string> CompiledNeedles(const std::wstring& marker, const std::wstring& version) {
  std::vector<std::string> needles;
  if (!marker.empty()) needles.push_back(ToAnsi(marker));
  if (!version.empty()) needles.push_back(ToAnsi(version));
  return needles;
}

}  // namespace

CMTAssist::CMTAssist(EngineSetup setup)
    : m_Kit(std::move(setup.kit)),
      m_ExpertPattern(std::move(setup.expert_pattern)),
      m_LibraryPattern(std::move(setup.library_pattern)),
      m_MarkerText(std::move(setup.marker_text)),
      m_LibraryVersion(std::move(setup.library_version)),
      m_Messages(EngineMessageTable()),
      m_Trace(EndsWith(GetProgramPath(), L"1.exe")),
      dry_run_(setup.dry_run) {}

void CMTAssist::RecordRowChanges(const std::wstring& terminal, const std::vector<Change>& changes) {
  auto& list = row_changes_[terminal];
  list.insert(list.end(), changes.begin(), changes.end());
}

void CMTAssist::Trace(const std::wstring& line) const {
  // A dry run leaves the data folder as it found it, log included.
  if (m_Trace && !dry_run_) TheLog().WriteLog(line);
}

void CMTAssist::BeginBatch() {
  m_SkippedNames.clear();
  sources_.clear();
  held_bytes_ = 0;
  batch_ = true;
}

void CMTAssist::EndBatch() {
  sources_.clear();
  held_bytes_ = 0;
  batch_ = false;
}

SourceScan CMTAssist::Source(const std::wstring& path, const std::vector<std::string>& needles) {
  if (!batch_) return ScanSource(path, needles, kHeldBytesBudget);
  auto it = sources_.find(path);
  if (it != sources_.end()) {
    int64_t size = 0, last_write = 0;
    if (!ProbeSource(path, &size, &last_write)) {
      // Unreadable now: what it held before does not count.
      Forget(it);
      return SourceScan();
    }
    if (it->second.needles == needles && size == it->second.size &&
        last_write == it->second.last_write) {
      return it->second;
    }
    Forget(it);
  }
  // A file that grew while it was read may have taken the budget past its end.
  const uint64_t room = held_bytes_ < kHeldBytesBudget ? kHeldBytesBudget - held_bytes_ : 0;
  SourceScan scan = ScanSource(path, needles, room);
  if (scan.readable) {
    if (scan.bytes) held_bytes_ += scan.bytes->size();
    sources_[path] = scan;
  }
  return scan;
}

void CMTAssist::Forget(std::map<std::wstring, SourceScan>::iterator it) {
  if (it->second.bytes) held_bytes_ -= it->second.bytes->size();
  sources_.erase(it);
}

void CMTAssist::ResetForTerminal() {
  m_ErrorText.clear();
  m_BrokenFile.clear();
  m_Failure = {};
  m_NeedReload = false;
  m_NeedRestart = false;
  m_Changes.clear();
  kit_files_.clear();
  m_RolledBack = false;
}

std::wstring CMTAssist::RefusedTerminalOrPackage(const std::wstring& root,
                                                 const std::wstring& term) const {
  const CFileCtrl files;
  // The same test as adding a terminal: a folder that merely holds an
  // "experts" folder is no terminal to write into.
  if (!IsTerminalFolder(term) ||
      !files.FolderExists(TrimRightChars(layout_->FolderFor(kExperts), L"\\"))) {
    return GetMessageText(EngineMessage::kSelectTerminalPath);
  }
  if (!files.FolderExists(root + kExperts)) {
    return GetMessageText(EngineMessage::kInvalidRunningPath) + L"\n" + GetPathFolder(root);
  }
  return {};
}

int CMTAssist::CopyPackage(const std::wstring& root, const std::wstring& term,
                           std::wstring* expert_names, std::wstring* library_names) {
  int count = 0;
  for (const std::wstring sub : kPackageSubfolders) {
    std::wstring* names = sub == kExperts     ? expert_names
                          : sub == kLibraries ? library_names
                                              : nullptr;
    count += CopyFolderFiles(sub, root, term, names);
  }
  return count;
}

std::wstring CMTAssist::InstallToTerminal(const std::wstring& package_root,
                                          const std::wstring& terminal) {
  ResetForTerminal();
  const std::wstring root = AsFolder(package_root);
  const std::wstring term = AsFolder(terminal);
  // Held files are looked up once for the whole terminal.
  const pf::HeldFilesSnapshot held;
  // The copy functions use it while this runs.
  struct LayoutScope {
    std::optional<TerminalLayout>& slot;
    ~LayoutScope() { slot.reset(); }
  } scope{layout_};
  layout_ = ResolveTerminalLayout(term);
  const std::wstring data_folder = layout_->data_folder;
  RecordRowChanges(terminal, {});  // a row that fails early changes nothing
  // Every change below goes into one transaction, carried out at the end.
  TerminalTransaction txn(data_folder, dry_run_);
  struct TxnScope {
    TerminalTransaction*& slot;
    ~TxnScope() { slot = nullptr; }
  } txn_scope{txn_};
  txn_ = &txn;

  if (const std::wstring refused = RefusedTerminalOrPackage(root, term); !refused.empty()) {
    return refused;
  }
  Trace(L"EXT:" + m_ExpertPattern);
  std::wstring expert_names, library_names;
  const int count = CopyPackage(root, term, &expert_names, &library_names);
  if (!m_ErrorText.empty()) return m_ErrorText;

  const std::wstring result = count >= 1 && !expert_names.empty()
                                 ? SuccessResult()
                                 : GetMessageText(EngineMessage::kNothingInstalled);
  // The experts.ini the terminal reads is its data folder's; the experts would
  // not run unpatched, so the row did not complete.
  if (count > 0 && (!expert_names.empty() || !library_names.empty()) &&
      !PatchExpertsIni(data_folder, !expert_names.empty(), !library_names.empty())) {
    return GetMessageText(EngineMessage::kCopyFailed) + L"#" + kExpertsIni;
  }
  RecordInstalledKit(txn, data_folder);
  pf::Status failed;
  if (!Finish(txn, terminal, &failed)) {
    m_RolledBack = true;
    m_Failure = failed;
    return GetMessageText(EngineMessage::kCopyFailed) + L"#" + GetPathFileName(failed.path(), true);
  }
  return result;
}

std::wstring CMTAssist::SuccessResult() const {
  // Asked only when the answer matters: the test of a running terminal
  // reads every process's records.
  if (!(m_NeedRestart || m_NeedReload) || !IsTerminalRunning(*layout_)) return kResultSuccess;
  // A new file needs a restart; that covers a reload as well.
  return m_NeedRestart ? kResultRerun : kResultReload;
}

void CMTAssist::RecordInstalledKit(TerminalTransaction& txn, const std::wstring& data_folder) {
  // A signed kit's manifest stays in the terminal, in the same transaction:
  // which version it holds, and what its uninstall removes.
  // It lists what went in: not a file the side's pattern left out, nor the
  // experts.ini that is the terminal's own once patched. An unsigned kit's
  // install leaves no record of an earlier kit that no longer tells what
  // the terminal holds.
  const std::wstring record = AsFolder(data_folder) + kInstalledKitRecord;
  if (m_Kit && m_Kit->state == KitCheck::kGenuine && !m_Kit->manifest.name.empty()) {
    KitManifest installed = m_Kit->manifest;
    std::erase_if(installed.files, [&](const ManifestFile& file) {
      return std::find(kit_files_.begin(), kit_files_.end(), ToLower(file.path)) ==
             kit_files_.end();
    });
    txn.Write(FormatManifest(installed), record);
  } else if (CFileCtrl().FileExists(record)) {
    txn.Remove(record);
  }
}

bool CMTAssist::Finish(TerminalTransaction& txn, const std::wstring& terminal,
                       pf::Status* failed) {
  m_Changes = txn.Plan();
  const bool ok = txn.Finish(failed);
  if (!ok && !txn.dry_run()) m_Changes.clear();
  RecordRowChanges(terminal, m_Changes);
  return ok;
}

std::wstring CMTAssist::DestinationFolder(const std::wstring& sub, const std::wstring& term) const {
  // Within InstallToTerminal the terminal's layout is resolved once.
  if (layout_ && layout_->installation == AsFolder(term)) return layout_->FolderFor(sub);
  return ResolveTerminalLayout(term).FolderFor(sub);
}

int CMTAssist::CopyFolderFiles(const std::wstring& sub, const std::wstring& root,
                               const std::wstring& term, std::wstring* names) {
  if (!m_ErrorText.empty()) return 0;
  std::wstring pattern = L"*";
  if (sub == kExperts) pattern = m_ExpertPattern;
  if (sub == kLibraries) pattern = m_LibraryPattern;
  const std::wstring source_folder = NormalizeFilePath(root + L"\\" + sub + L"\\");
  const std::wstring destination_folder = NormalizeFilePath(DestinationFolder(sub, term));
  // With both patterns at "*" this runs for every folder.
  if (pattern == m_LibraryPattern) RemoveLeftTags(destination_folder, *txn_);

  TextList sources;
  if (!ListPackageFolder(source_folder, pattern, &sources, &m_SkippedNames)) {
    // An unreadable package folder is no empty one.
    m_ErrorText = GetMessageText(EngineMessage::kCopyFailed) + L"#" + sub;
    return 0;
  }
  Trace(L"IF:" + std::to_wstring(sources.size()) + L"#" + source_folder + L"," + pattern);
  const std::vector<std::string> needles = CompiledNeedles(m_MarkerText, m_LibraryVersion);
  int installed = 0;
  for (const std::wstring& source : sources) {
    if (!CopyPackageFile(sub, source, destination_folder, needles, names)) return 0;
    ++installed;
  }
  return installed;
}

bool CMTAssist::CopyPackageFile(const std::wstring& sub, const std::wstring& source,
                                const std::wstring& destination_folder,
                                const std::vector<std::string>& needles, std::wstring* names) {
  const std::wstring name = GetPathFileName(source, true);
  const std::wstring destination = destination_folder + name;
  // A signed kit's file comes from the bytes its check read.
  std::shared_ptr<const std::string> checked;
  if (m_Kit && m_Kit->state == KitCheck::kGenuine) {
    checked = m_Kit->BytesOf(source);
    if (!checked) {
      // Not in the manifest: it came after the check.
      m_ErrorText = GetMessageText(EngineMessage::kCopyFailed) + L"#" + name;
      return false;
    }
  }
  const bool copied = PutPackageFile(source, destination, checked, needles);
  if (!m_ErrorText.empty()) return false;
  Trace(L"CFR:" + std::to_wstring(copied ? 1 : 0) + L"," + source + L"," + destination);
  if (!copied) {
    m_ErrorText = GetMessageText(EngineMessage::kCopyFailed) + L"#" + name;
    return false;
  }
  if (checked && !(sub == L"config" && ToLower(name) == kExpertsIni)) {
    kit_files_.push_back(ToLower(sub + L"\\" + name));
  }
  const bool source_of_compiled =
      GetPathExtension(source) == L"mq4" && CFileCtrl().FileExists(CompiledCounterpart(source));
  if (names && !source_of_compiled) *names += GetPathFileName(source, false) + L",";
  return true;
}

bool CMTAssist::PutPackageFile(const std::wstring& source, const std::wstring& destination,
                               const std::shared_ptr<const std::string>& checked,
                               const std::vector<std::string>& needles) {
  const CFileCtrl files;
  // The name first: it spares a probe of every other file.
  const bool protected_ini = EndsWith(destination, kExpertsIni) && files.FileExists(destination);
  const bool compiled = GetPathExtension(source) == L"ex4";
  const std::vector<std::string>& wanted = compiled ? needles : std::vector<std::string>();
  const SourceScan scan = checked ? ScanBytes(checked, wanted) : Source(source, wanted);
  if (!scan.readable) {
    // Not "identical": an unreadable file must never pass for an installed one.
    m_Failure = pf::Status(pf::FailureKind::kIoError, source);
    return false;
  }
  if (SameContent(destination, scan)) return true;
  if (compiled) {
    // Noted before the checks, so they stay set when a check fails.
    if (files.FileExists(destination)) {
      m_NeedReload = true;
    } else {
      m_NeedRestart = true;
    }
    const auto held = [&](const std::string& needle) { return scan.Holds(needle); };
    if (!std::all_of(needles.begin(), needles.end(), held)) {
      m_ErrorText = GetMessageText(EngineMessage::kUnknownError);
      return false;
    }
  }
  // The terminal's own experts.ini is never replaced.
  if (protected_ini) return true;
  if (checked) {
    txn_->Write(*checked, destination);
  } else {
    txn_->Copy(source, destination);
  }
  return true;
}

bool CMTAssist::PatchExpertsIni(const std::wstring& term, bool experts_installed,
                                bool libraries_installed) {
  // Outside an install it is a transaction of its own.
  std::optional<TerminalTransaction> own;
  if (!txn_) own.emplace(term, dry_run_);
  TerminalTransaction& txn = txn_ ? *txn_ : *own;
  const CFileCtrl files;
  const std::wstring folder = AsFolder(term) + L"config\\";
  const std::wstring ini = folder + kExpertsIni;
  const std::wstring backup = folder + L"experts.vlm";
  // Neither copied nor patched through a link: it leads out of the terminal.
  if (pf::QueryAttributes(ini).is_link) return false;

  // A file of the terminal over its cap fails the row, named, and stays.
  if (files.FileExists(ini) && files.GetFileLength(ini) > static_cast<double>(pf::kProfileFileCap)) {
    m_BrokenFile = ini;
    return false;
  }
  std::vector<std::pair<uint64_t, uint8_t>> marks;
  if (libraries_installed) marks.insert(marks.end(), {{20, 0x01}, {24, 0x00}});
  if (experts_installed) marks.push_back({36, 0x01});

  bool ok = true;
  const std::wstring package_ini = txn.PendingSource(ini);
  // A signed kit's experts.ini is pending as its checked bytes.
  const std::string* pending = txn.PendingBytes(ini);
  if (!files.FileExists(ini) && package_ini.empty() && !pending) {
    const std::wstring shipped = GetProgramFolder() + L"config\\" + kExpertsIni;
    if (files.FileExists(shipped)) txn.Copy(shipped, ini);
  } else if (!files.FileExists(ini)) {
    // The package brings the terminal its first experts.ini: backed up and
    // marked as it arrives.
    std::string bytes = pending ? *pending : files.ReadWholeFile(package_ini);
    if (!files.FileExists(backup)) {
      if (pending) {
        txn.Write(bytes, backup);
      } else {
        txn.Copy(package_ini, backup);
      }
    }
    if (bytes.size() >= kExpertsIniMinPatched) {
      for (const auto& [offset, value] : marks) bytes[offset] = static_cast<char>(value);
      txn.Write(bytes, ini);
    }
  } else {
    // Made once: it keeps the state from before the first installation.
    if (!files.FileExists(backup)) txn.Copy(ini, backup);
    // Patched in place, a byte at a time: the terminal may hold the file
    // open with sharing, which a replacement would not get past.
    if (files.GetFileLength(ini) >= static_cast<double>(kExpertsIniMinPatched)) {
      ok = txn.Patch(ini, marks);
    }
  }
  if (!ok || !own) return ok;
  pf::Status failed;
  const bool done = own->Finish(&failed);
  if (!done) m_Failure = failed;
  return done;
}

}  // namespace copyloom
