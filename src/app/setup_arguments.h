// The window program's arguments beyond "en": "--kit DIR" makes it act as if
// started from DIR, "--side provider|receiver" as if named for that side, as
// the kit's own setup programs are. `copyloom window` passes them to the
// window program of the Debian package; the zip's setup programs need none.
#pragma once

#include <string>
#include <vector>

namespace copyloom {

// The setup programs of a kit folder, by side; the 32-bit build of each sits
// beside it for prefixes made for 32-bit Windows.
inline constexpr wchar_t kProviderSetupName[] = L"Setup Signal Provider.exe";
inline constexpr wchar_t kReceiverSetupName[] = L"Setup Signal Receiver.exe";
inline constexpr wchar_t kProviderSetup32Name[] = L"Setup Signal Provider (32-bit).exe";
inline constexpr wchar_t kReceiverSetup32Name[] = L"Setup Signal Receiver (32-bit).exe";

struct SetupArguments {
  std::wstring kit;                // empty: the program's own folder
  std::wstring side;               // "provider", "receiver" or empty
  std::vector<std::wstring> rest;  // everything else ("en"), in order
};

// Takes "--kit DIR" and "--side SIDE" out of args; an option without its
// value, or a side other than the two, is left in rest.
SetupArguments ParseSetupArguments(const std::vector<std::wstring>& args);

// The program path the window acts as: the kit folder (else the program's
// own) and the side's setup program name (else the program's own name).
std::wstring SetupProgramPath(const SetupArguments& arguments, const std::wstring& own_path);

}  // namespace copyloom
