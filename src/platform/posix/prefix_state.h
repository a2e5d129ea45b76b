// What the POSIX seam keeps of one Wine prefix. Internal to posix/.
#pragma once

#include <time.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/prefix.h"

namespace copyloom::platform {

class RegistryStore;

struct PrefixState {
  std::string root;  // native; empty for no prefix
  std::string user;  // as Wine names the running user
  std::wstring wide_root, wide_user;

  // The "x:" links of dosdevices, read again when the folder changes.
  std::mutex drives_mutex;
  bool drives_read = false;
  struct timespec drives_stamp = {};
  std::map<wchar_t, std::string> drives;

  // user.reg and system.reg, read on first use.
  std::mutex registry_mutex;
  std::shared_ptr<const RegistryStore> registry;
};

namespace posix {

// The state of CurrentPrefix(), without the copy of a whole value: every
// mapped path asks for it.
std::shared_ptr<PrefixState> CurrentState();

}  // namespace posix
}  // namespace copyloom::platform
