#include "install/row_outcome.h"

#include <mutex>

#include "app/cause_text.h"
#include "install/result_text.h"

namespace copyloom {
namespace {

std::mutex g_mutex;
std::map<std::wstring, platform::Status>& Failures() {
  static auto* failures = new std::map<std::wstring, platform::Status>;
  return *failures;
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
  return FailureText(cause, texts);
}

}  // namespace copyloom
