#include "app/cause_text.h"

#include "foundation/path_util.h"

namespace copyloom {
namespace {

TextKey KeyOf(platform::FailureKind kind) {
  using K = platform::FailureKind;
  switch (kind) {
    case K::kNoSpace: return TextKey::CauseNoSpace;
    case K::kNoPermission: return TextKey::CauseNoPermission;
    case K::kReadOnlyFileSystem: return TextKey::CauseReadOnly;
    case K::kHeld: return TextKey::CauseInUse;
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

std::wstring FailureText(const platform::Status& cause, const InterfaceTexts& texts) {
  if (cause.ok()) return {};
  return FillPlaceholder(texts[KeyOf(cause.kind())], platform::HostPath(cause.path()));
}

}  // namespace copyloom
