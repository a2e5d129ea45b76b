// Names of the temporary files behind the one-step writes, shared by both
// implementations. A file is written as "<name>.~<pid>-<n>.cltmp" in its own
// folder and then put in place; one left by a killed run is recognised by the
// suffix and removed by the next run that writes into that folder.
#pragma once

#include <cstdint>
#include <string>

namespace copyloom::platform::temp_files {

inline constexpr wchar_t kPattern[] = L"*.cltmp";
inline constexpr char kSuffix[] = ".cltmp";

// ".~<pid>-<n>.cltmp", unique within the process.
std::string NextSuffix(uint32_t process_id);

// True the first time this process writes into the folder (a native path):
// the moment to sweep what a killed run left there.
bool FirstWriteInto(const std::string& folder_key);

}  // namespace copyloom::platform::temp_files
