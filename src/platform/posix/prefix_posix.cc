// The Wine prefix as a value on POSIX. The environment names a default for
// code that sets none (tests, benches); the command line sets one per run,
// so a run in one prefix never reads another's drives or registry.
#include <stdlib.h>

#include <mutex>

#include "platform/posix/path_mapper.h"
#include "platform/posix/prefix_state.h"
#include "platform/posix/wine_prefix.h"

namespace copyloom::platform {
namespace {

std::shared_ptr<PrefixState> MakeState(const std::string& root, const std::string& user) {
  auto state = std::make_shared<PrefixState>();
  state->root = root;
  state->user = user;
  state->wide_root = posix::NativeToWide(root);
  state->wide_user = posix::NativeToWide(user);
  return state;
}

std::string Getenv(const char* name) {
  const char* value = getenv(name);
  return value ? value : "";
}

std::string PrefixFolderFromEnvironment() {
  if (std::string prefix = Getenv("WINEPREFIX"); !prefix.empty()) return prefix;
  if (std::string home = Getenv("HOME"); !home.empty()) return home + "/.wine";
  return "";
}

struct Current {
  std::mutex mutex;
  std::shared_ptr<PrefixState> scoped;
  // Outside any scope: the environment's, kept while it names the same.
  std::shared_ptr<PrefixState> from_environment;
  std::string environment_key;
};

Current& TheCurrent() {
  static Current* current = new Current;
  return *current;
}

}  // namespace

WinePrefix::WinePrefix() : state_(MakeState("", "")) {}

WinePrefix::WinePrefix(const std::wstring& root, const std::wstring& user_name)
    : state_(MakeState(posix::WideToNative(root), posix::WideToNative(user_name))) {}

const std::wstring& WinePrefix::root() const { return state_->wide_root; }

const std::wstring& WinePrefix::user_name() const { return state_->wide_user; }

WinePrefix PrefixFromEnvironment() {
  return WinePrefix(posix::NativeToWide(PrefixFolderFromEnvironment()),
                    posix::NativeToWide(posix::WineUserName()));
}

PrefixScope::PrefixScope(const WinePrefix& prefix) {
  Current& current = TheCurrent();
  std::lock_guard<std::mutex> lock(current.mutex);
  previous_ = current.scoped;
  current.scoped = prefix.state();
}

PrefixScope::~PrefixScope() {
  Current& current = TheCurrent();
  std::lock_guard<std::mutex> lock(current.mutex);
  current.scoped = previous_;
}

namespace posix {

std::shared_ptr<PrefixState> CurrentState() {
  Current& current = TheCurrent();
  std::lock_guard<std::mutex> lock(current.mutex);
  if (current.scoped) return current.scoped;
  // The variables as they stand: the account's name is looked up only when
  // they change.
  const std::string key = Getenv("WINEPREFIX") + '\0' + Getenv("HOME") + '\0' + Getenv("USER");
  if (!current.from_environment || current.environment_key != key) {
    current.from_environment = MakeState(PrefixFolderFromEnvironment(), WineUserName());
    current.environment_key = key;
  }
  return current.from_environment;
}

}  // namespace posix

WinePrefix CurrentPrefix() { return WinePrefix(posix::CurrentState()); }

bool IsWinePrefixFolder(const std::wstring& folder, std::wstring* unreadable) {
  std::string reason;
  const bool prefix = posix::IsWinePrefixFolder(posix::WideToNative(folder), &reason);
  if (unreadable) *unreadable = posix::NativeToWide(reason);
  return prefix;
}

std::wstring WinePrefixArch(const std::wstring& folder) {
  return posix::NativeToWide(posix::WinePrefixArch(posix::WideToNative(folder)));
}

std::vector<std::wstring> FindWinePrefixes(const std::wstring& home,
                                           const std::wstring& wineprefix_env,
                                           std::vector<UnreadablePrefix>* unreadable) {
  std::vector<posix::UnreadablePrefix> bad;
  std::vector<std::wstring> found;
  for (const auto& folder : posix::FindWinePrefixes(posix::WideToNative(home),
                                                    posix::WideToNative(wineprefix_env), &bad)) {
    found.push_back(posix::NativeToWide(folder));
  }
  if (unreadable) {
    for (const auto& one : bad) {
      unreadable->push_back({posix::NativeToWide(one.folder), posix::NativeToWide(one.reason)});
    }
  }
  return found;
}

bool IsPrefixPath(const std::wstring& path) { return posix::IsWindowsStyle(path); }

std::string NativeFileName(const std::wstring& name) { return posix::WideToNative(name); }

std::wstring FromNativeFileName(const std::string& name) { return posix::NativeToWide(name); }

}  // namespace copyloom::platform
