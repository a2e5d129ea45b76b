#include "install/row_outcome.h"

#include "app/cause_text.h"
#include "install/result_text.h"

namespace copyloom {

std::wstring CauseText(const platform::Status& cause, const InterfaceTexts& texts) {
  if (cause.ok()) return {};
  if (cause.kind() == platform::FailureKind::kHeld) {
    return GetMessageText(EngineMessage::kCopyFailed);
  }
  return FailureText(cause, texts);
}

}  // namespace copyloom
