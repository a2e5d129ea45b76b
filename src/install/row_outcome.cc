#include "install/row_outcome.h"

#include <mutex>

#include "foundation/path_util.h"
#include "install/result_text.h"

namespace copyloom {
namespace {

std::mutex g_mutex;
std::map<std::wstring, platform::Status>& Failures() {
  static auto* failures = new std::map<std::wstring, platform::Status>;
  return *failures;
}

TextKey KeyOf(platform::FailureKind kind) {
  using K = platform::FailureKind;
  switch (kind) {
    case K::kNoSpace: return TextKey::CauseNoSpace;
    case K::kNoPermission: return TextKey::CauseNoPermission;
    case K::kReadOnlyFileSystem: return TextKey::CauseReadOnly;
    case K::kMissing: return TextKey::CauseMissing;
    case K::kNotRegularFile: return TextKey::CauseNotAFile;
    case K::kTooLarge: return TextKey::CauseTooLarge;
    case K::kNameNotAllowed: return TextKey::CauseBadName;
    case K::kPathTooLong: return TextKey::CausePathTooLong;
    case K::kIoError: return TextKey::CauseIoError;
    default: return TextKey::CauseOther;
  }
}

}  // namespace

void RecordRowFailure(const std::wstring& row_folder, const platform::Status& cause) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (cause.ok()) {
    Failures().erase(row_folder);
  } else {
    Failures()[row_folder] = cause;
  }
}

void ClearRowFailure(const std::wstring& row_folder) { RecordRowFailure(row_folder, {}); }

std::map<std::wstring, platform::Status> TakeRowFailures() {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::map<std::wstring, platform::Status> taken;
  taken.swap(Failures());
  return taken;
}

std::map<std::wstring, platform::Status> RowFailures() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return Failures();
}

std::wstring CauseText(const platform::Status& cause, const InterfaceTexts& texts) {
  if (cause.ok()) return {};
  if (cause.kind() == platform::FailureKind::kHeld) {
    return GetMessageText(EngineMessage::kCopyFailed);
  }
  return FillPlaceholder(texts[KeyOf(cause.kind())], cause.path());
}

}  // namespace copyloom
