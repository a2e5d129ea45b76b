// Bounded whole-file reads, shared by both builds: they rest on OpenFile,
// which already refuses anything but a regular file.
#include <mutex>
#include <vector>

#include "platform/disk.h"
#include "platform/failure.h"
#include "platform/platform.h"
#include "platform/test_hooks.h"

namespace copyloom::platform {
namespace {

struct BrokenNote {
  std::mutex mutex;
  std::wstring path;
};

BrokenNote& Note() {
  static BrokenNote* note = new BrokenNote;
  return *note;
}

}  // namespace

Status ReadCappedFile(const std::wstring& path, uint64_t cap, std::string* bytes) {
  bytes->clear();
  const FileAttributes attributes = QueryAttributes(path);
  if (!attributes.exists) return Status(FailureKind::kMissing, path);
  if (attributes.is_folder) return Status(FailureKind::kNotRegularFile, path);
  ClearFailureKind();
  disk::ClearSystemError();
  auto file = OpenFile(path, OpenMode::kReadShareAll);
  if (!file) {
    // No error of the system's: OpenFile refused it itself, as no plain file.
    const Status failed = LastSystemFailure(path);
    return failed.kind() == FailureKind::kOther && failed.system().empty()
               ? Status(FailureKind::kNotRegularFile, path)
               : failed;
  }
  const int64_t size = file->Size();
  if (size < 0) return Status(FailureKind::kIoError, path);
  if (static_cast<uint64_t>(size) > cap) return Status(FailureKind::kTooLarge, path);
  bytes->reserve(static_cast<size_t>(size));
  std::vector<char> buffer(64 << 10);
  // To the end rather than to the size seen at the start (someone may be
  // writing it), but never past the cap.
  FailureKind failed = FailureKind::kIoError;
  for (;;) {
    size_t got = 0;
    if (!file->Read(buffer.data(), buffer.size(), &got)) break;
    if (got == 0) return {};
    if (bytes->size() + got > cap) {
      failed = FailureKind::kTooLarge;
      break;
    }
    bytes->append(buffer.data(), got);
  }
  bytes->clear();
  bytes->shrink_to_fit();
  return Status(failed, path);
}

std::wstring TakeBrokenSettingsFile() {
  BrokenNote& note = Note();
  std::lock_guard<std::mutex> lock(note.mutex);
  std::wstring path;
  path.swap(note.path);
  return path;
}

void NoteBrokenSettingsFile(const std::wstring& path) {
  BrokenNote& note = Note();
  std::lock_guard<std::mutex> lock(note.mutex);
  if (note.path.empty()) note.path = path;
}

}  // namespace copyloom::platform
