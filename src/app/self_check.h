// Messages of the start-up self-checks. Only the window may show messages,
// and at start-up there is none yet: the checks report through a sink that
// the window or the command line installs. Without a sink the messages are
// kept until someone takes them.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace copyloom {

using SelfCheckSink = std::function<void(const std::wstring& message)>;

// Installs the sink; an empty one restores collecting.
void SetSelfCheckSink(SelfCheckSink sink);

void ReportSelfCheck(const std::wstring& message);

// The messages collected while no sink was installed, oldest first; the
// store is emptied.
std::vector<std::wstring> TakeSelfCheckMessages();

}  // namespace copyloom
