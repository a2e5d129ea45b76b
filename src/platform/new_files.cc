// The copy, the staged and one-step writes and the sync pass, once for
// every file system: each disk, the tests' store in memory. Only the steps
// (CreateNewFile, PutInPlace, SyncFolder...) differ between them.
#include "platform/failure.h"
#include "platform/file_system.h"
#include "platform/one_step_write.h"
#include "platform/platform.h"
#include "platform/temp_files.h"

#include <algorithm>

namespace copyloom::platform {
namespace {

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"." : slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

MakeNewFile BytesMaker(FileSystem& files, const std::string& bytes) {
  return [&files, &bytes](const std::wstring& temp, const Replaced& replaced,
                          std::unique_ptr<File>* file) {
    *file = files.CreateNewFile(temp, replaced);
    if (!*file) return false;
    if (WriteAllOrFail(files, **file, bytes)) return true;
    file->reset();
    files.DiscardNewFile(temp);
    return false;
  };
}

MakeNewFile CopyMaker(FileSystem& files, const std::wstring& source, bool writable) {
  return [&files, &source, writable](const std::wstring& temp, const Replaced& replaced,
                                     std::unique_ptr<File>* file) {
    return files.CopyNewFile(source, temp, replaced, writable, file);
  };
}

}  // namespace

bool WriteAllOrFail(FileSystem& files, File& file, const std::string& bytes) {
  if (files.InnerFails(InnerStep::kWrite)) {
    // The hook noted the kind; the half write must not replace it.
    const FailureKind kind = NotedFailureKind();
    file.Write(bytes.data(), bytes.size() / 2);
    NoteFailureKind(kind);
    return false;
  }
  return static_cast<bool>(file.Write(bytes.data(), bytes.size()));
}

bool WriteInOneStepWith(FileSystem& files, const std::wstring& target, bool no_replace,
                        const MakeNewFile& make) {
  // The lock, where there is one, is kept until the new file is in place.
  Replaced replaced;
  if (!files.CheckReplaceable(target, no_replace, &replaced)) return false;
  const std::wstring folder = FolderOf(target);
  if (temp_files::FirstWriteInto(WideToUtf8(folder))) files.SweepStaleTemps(folder);

  const std::string suffix = temp_files::NextSuffix(CurrentProcessId());
  const std::wstring temp = target + std::wstring(suffix.begin(), suffix.end());
  std::unique_ptr<File> file;
  if (!make(temp, replaced, &file)) return false;
  bool ok = !file || file->Sync();
  ok = ok && !files.InnerFails(InnerStep::kReplace) &&
       files.PutInPlace(temp, target, no_replace, std::move(file));
  if (!ok) {
    file.reset();
    files.DiscardNewFile(temp);
  }
  return ok;
}

bool StageWith(FileSystem& files, const std::wstring& target, const std::wstring& staged,
               const MakeNewFile& make) {
  Replaced replaced;
  if (!files.CheckReplaceable(target, false, &replaced)) return false;
  replaced.held.reset();
  std::unique_ptr<File> file;
  return make(staged, replaced, &file);
}

bool FileSystem::WriteInOneStep(const std::wstring& path, const std::string& bytes) {
  return WriteInOneStepWith(*this, path, false, BytesMaker(*this, bytes));
}

bool FileSystem::WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  return WriteInOneStep(path, bytes);
}

bool FileSystem::CopyOneFile(const std::wstring& source, const std::wstring& destination,
                             bool fail_if_exists) {
  return CheckCopySource(source, destination) &&
         WriteInOneStepWith(*this, destination, fail_if_exists, CopyMaker(*this, source, false));
}

bool FileSystem::CanReplaceFile(const std::wstring& path) {
  Replaced replaced;
  return CheckReplaceable(path, false, &replaced);
}

bool FileSystem::StageCopy(const std::wstring& source, const std::wstring& destination,
                           const std::wstring& staged) {
  // A staged copy never keeps a read-only attribute: the Windows flush
  // before the commit could not open it.
  return CheckCopySource(source, destination) &&
         StageWith(*this, destination, staged, CopyMaker(*this, source, true));
}

bool FileSystem::StageBytes(const std::string& bytes, const std::wstring& destination,
                            const std::wstring& staged) {
  return StageWith(*this, destination, staged, BytesMaker(*this, bytes));
}

bool FileSystem::SyncPass(const std::vector<std::wstring>& paths) {
  bool ok = true;
  std::vector<uint64_t> synced;
  for (const std::wstring& path : paths) ok = SyncFileAt(path, &synced) && ok;
  return ok;
}

bool FileSystem::SyncFolders(const std::vector<std::wstring>& paths) {
  bool ok = true;
  std::vector<std::wstring> synced;
  for (const std::wstring& path : paths) {
    if (path.find_last_of(L"\\/") == std::wstring::npos) continue;
    const std::wstring folder = FolderOf(path);
    if (std::find(synced.begin(), synced.end(), folder) != synced.end()) continue;
    synced.push_back(folder);
    ok = SyncFolder(folder) && ok;
  }
  return ok;
}

}  // namespace copyloom::platform
