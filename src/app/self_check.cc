#include "app/self_check.h"

#include <utility>

namespace copyloom {
namespace {

struct SelfCheckState {
  SelfCheckSink sink;
  std::vector<std::wstring> pending;
};

SelfCheckState& State() {
  static SelfCheckState state;
  return state;
}

}  // namespace

void SetSelfCheckSink(SelfCheckSink sink) { State().sink = std::move(sink); }

void ReportSelfCheck(const std::wstring& message) {
  SelfCheckState& state = State();
  if (state.sink) {
    state.sink(message);
  } else {
    state.pending.push_back(message);
  }
}

std::vector<std::wstring> TakeSelfCheckMessages() {
  std::vector<std::wstring> messages;
  messages.swap(State().pending);
  return messages;
}

}  // namespace copyloom
