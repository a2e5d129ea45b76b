// The registry on POSIX: the Wine prefix's user.reg (HKEY_CURRENT_USER) and
// system.reg (HKEY_LOCAL_MACHINE). Read only; the files may lag Wine's live
// registry by up to 30 seconds.
#include <fcntl.h>
#include <unistd.h>

#include <mutex>

#include "platform/platform.h"
#include "platform/posix/fd.h"
#include "platform/posix/path_mapper.h"
#include "platform/registry_store.h"
#include "platform/test_hooks.h"

namespace copyloom::platform {
namespace {

std::string ReadFileBytes(const std::string& path) {
  std::string out;
  posix::UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return out;
  char buffer[65536];
  ssize_t n;
  while ((n = read(fd.get(), buffer, sizeof buffer)) > 0) out.append(buffer, n);
  return out;
}

// Read on first use and kept: a process sees one prefix. Should the prefix
// named by the environment change, it is read again.
std::shared_ptr<const RegistryStore> PrefixRegistry() {
  static std::mutex mutex;
  static std::string* loaded_prefix = nullptr;
  static std::shared_ptr<const RegistryStore>* loaded = nullptr;
  const std::string prefix = posix::WinePrefix();
  std::lock_guard<std::mutex> lock(mutex);
  if (loaded && *loaded_prefix == prefix) return *loaded;
  auto store = std::make_shared<RegistryStore>();
  if (!prefix.empty()) {
    store->LoadWineRegText(RegRoot::kCurrentUser, ReadFileBytes(prefix + "/user.reg"));
    store->LoadWineRegText(RegRoot::kLocalMachine, ReadFileBytes(prefix + "/system.reg"));
  }
  if (!loaded) {
    loaded_prefix = new std::string;
    loaded = new std::shared_ptr<const RegistryStore>;
  }
  *loaded_prefix = prefix;
  *loaded = std::move(store);
  return *loaded;
}

class StoreKey : public RegKey {
 public:
  StoreKey(std::shared_ptr<const RegistryStore> store, RegRoot root, std::wstring path)
      : store_(std::move(store)), root_(root), path_(std::move(path)) {
    store_->ValueNames(root_, path_, &names_);
  }

  bool QueryValue(const std::wstring& name, std::wstring* data) override {
    return store_->GetValue(root_, path_, name, data);
  }

  bool EnumValueName(uint32_t index, std::wstring* name) override {
    if (index >= names_.size()) return false;
    *name = names_[index];
    return true;
  }

 private:
  std::shared_ptr<const RegistryStore> store_;
  RegRoot root_;
  std::wstring path_;
  std::vector<std::wstring> names_;
};

}  // namespace

std::unique_ptr<RegKey> OpenRegKey(RegRoot root, const std::wstring& path, bool full_access) {
  std::shared_ptr<const RegistryStore> store = hooks::Registry();
  if (!store) store = PrefixRegistry();
  if (!store->HasKey(root, path)) return nullptr;
  return std::make_unique<StoreKey>(store, root, path);
}

}  // namespace copyloom::platform
