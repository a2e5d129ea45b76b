// The one-step and staged writes behind the file seam, written once on the
// steps of a FileSystem. Internal to the platform.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/file_system.h"

namespace copyloom::platform {

// Creates the new file temp with its content and what replaced keeps;
// *file gets it open when there is a handle to sync. Leaves nothing on
// failure.
using MakeNewFile = std::function<bool(const std::wstring& temp, const Replaced& replaced,
                                       std::unique_ptr<File>* file)>;

// Puts a new file in place of target in one step: make writes it beside
// target under a temporary name, it is synced and moved over target (with
// no_replace only while target does not exist). Refused, target untouched,
// when target may not be replaced. The temporary file is removed on any
// failure; what a killed run left in the folder is swept the first time
// this process writes there.
bool WriteInOneStepWith(FileSystem& files, const std::wstring& target, bool no_replace,
                        const MakeNewFile& make);

// Writes staged, the file a transaction puts in place of target later,
// unsynced, under the checks of WriteInOneStepWith. Nothing is left on
// failure.
bool StageWith(FileSystem& files, const std::wstring& target, const std::wstring& staged,
               const MakeNewFile& make);

// The whole buffer into file. An injected kWrite fault stops it after half
// of the data, as a full disk would.
bool WriteAllOrFail(FileSystem& files, File& file, const std::string& bytes);

}  // namespace copyloom::platform
