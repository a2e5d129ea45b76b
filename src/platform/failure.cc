#include "platform/failure.h"

namespace copyloom::platform {
namespace {
thread_local FailureKind noted = FailureKind::kNone;
}

const char* FailureKindName(FailureKind kind) {
  switch (kind) {
    case FailureKind::kNone: return "";
    case FailureKind::kNoSpace: return "no-space";
    case FailureKind::kNoPermission: return "no-permission";
    case FailureKind::kReadOnlyFileSystem: return "read-only";
    case FailureKind::kHeld: return "held";
    case FailureKind::kMissing: return "missing";
    case FailureKind::kNotRegularFile: return "not-a-file";
    case FailureKind::kTooLarge: return "too-large";
    case FailureKind::kNameNotAllowed: return "bad-name";
    case FailureKind::kPathTooLong: return "path-too-long";
    case FailureKind::kIoError: return "io-error";
    case FailureKind::kOther: return "other";
  }
  return "other";
}

void NoteFailureKind(FailureKind kind) {
  // The first cause noted is the cause; what follows is its consequence.
  if (noted == FailureKind::kNone) noted = kind;
}
void ClearFailureKind() { noted = FailureKind::kNone; }
FailureKind NotedFailureKind() { return noted; }

}  // namespace copyloom::platform
