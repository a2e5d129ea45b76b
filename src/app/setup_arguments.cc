#include "app/setup_arguments.h"

#include "foundation/path_util.h"

namespace copyloom {

SetupArguments ParseSetupArguments(const std::vector<std::wstring>& args) {
  SetupArguments parsed;
  for (size_t i = 0; i < args.size(); ++i) {
    const bool has_value = i + 1 < args.size();
    if (args[i] == L"--kit" && has_value && !args[i + 1].empty()) {
      parsed.kit = args[++i];
    } else if (args[i] == L"--side" && has_value &&
               (args[i + 1] == L"provider" || args[i + 1] == L"receiver")) {
      parsed.side = args[++i];
    } else {
      parsed.rest.push_back(args[i]);
    }
  }
  return parsed;
}

std::wstring SetupProgramPath(const SetupArguments& arguments, const std::wstring& own_path) {
  std::wstring folder = arguments.kit.empty() ? GetPathFolder(own_path) : arguments.kit;
  if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  std::wstring name = GetPathFileName(own_path, true);
  if (arguments.side == L"provider") name = kProviderSetupName;
  if (arguments.side == L"receiver") name = kReceiverSetupName;
  return folder + name;
}

}  // namespace copyloom
