// The registry on POSIX: the Wine prefix's user.reg (HKEY_CURRENT_USER) and
// system.reg (HKEY_LOCAL_MACHINE). Read only; the files may lag Wine's live
// registry by up to 30 seconds.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <utility>

#include "platform/platform.h"
#include "platform/posix/fd.h"
#include "platform/posix/path_mapper.h"
#include "platform/posix/prefix_state.h"
#include "platform/registry_store.h"
#include "platform/test_hooks.h"
#include "platform/wildcard.h"

namespace copyloom::platform {
namespace {

// The keys the product reads; the rest of a prefix's registry (often
// hundreds of megabytes of other programs' keys) is never held.
constexpr const wchar_t* kWantedKeys[] = {
    L"Software\\MetaQuotes Software",
    L"Software\\Microsoft\\Windows\\ShellNoRoam\\MUICache",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    L"System\\CurrentControlSet\\Control\\Nls",
    L"System\\ControlSet001\\Control\\Nls",
};
// No value the product reads comes near this.
constexpr size_t kMaxSection = 16 << 20;

bool IsWanted(const std::wstring& key) {
  for (const wchar_t* wanted : kWantedKeys) {
    const std::wstring prefix = wanted;
    if (key.size() < prefix.size() || !EqualsIgnoreCase(key.substr(0, prefix.size()), prefix)) {
      continue;
    }
    if (key.size() == prefix.size() || key[prefix.size()] == L'\\') return true;
  }
  return false;
}

// Streams one registry file into the store. False when it is broken: not a
// regular file (a FIFO would block), larger than its cap, or unreadable. A
// missing file is no fault.
bool LoadRegistryFile(RegistryStore* store, RegRoot root, const std::string& path) {
  posix::UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) return errno == ENOENT;
  struct stat st;
  if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  if (static_cast<uint64_t>(st.st_size) > kRegistryFileCap) return false;
  fcntl(fd.get(), F_SETFL, fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
  uint64_t total = 0;
  bool broken = false;
  store->LoadWineRegStream(
      root,
      [&](char* buffer, size_t size) -> size_t {
        for (;;) {
          const ssize_t n = read(fd.get(), buffer, size);
          if (n < 0 && errno == EINTR) continue;
          if (n < 0) broken = true;
          if (n <= 0) return 0;
          total += static_cast<uint64_t>(n);
          // Grown since it was measured: still only up to the cap.
          if (total > kRegistryFileCap) {
            broken = true;
            return 0;
          }
          return static_cast<size_t>(n);
        }
      },
      IsWanted, kMaxSection);
  return !broken;
}

// The current prefix's registry, read on its first use and kept with the
// prefix: a run in another prefix reads that one's own.
std::shared_ptr<const RegistryStore> PrefixRegistry() {
  const std::shared_ptr<PrefixState> prefix = posix::CurrentState();
  std::lock_guard<std::mutex> lock(prefix->registry_mutex);
  if (prefix->registry) return prefix->registry;
  auto store = std::make_shared<RegistryStore>();
  if (!prefix->root.empty()) {
    for (const auto& [root, name] : {std::pair{RegRoot::kCurrentUser, "/user.reg"},
                                     std::pair{RegRoot::kLocalMachine, "/system.reg"}}) {
      if (LoadRegistryFile(store.get(), root, prefix->root + name)) continue;
      // Nothing of a broken prefix registry is trusted; the run reports it.
      NoteBrokenSettingsFile(posix::NativeToWide(prefix->root + name));
      store = std::make_shared<RegistryStore>();
      break;
    }
  }
  prefix->registry = std::move(store);
  return prefix->registry;
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
