// The registry, read only: the real one, or a test store when installed.
#include <windows.h>

#include <vector>

#include "platform/platform.h"
#include "platform/registry_store.h"
#include "platform/test_hooks.h"
#include "platform/win32/handles.h"

namespace copyloom::platform {
namespace {

class StoreRegKey : public RegKey {
 public:
  StoreRegKey(std::shared_ptr<const RegistryStore> store, RegRoot root, std::wstring path)
      : store_(std::move(store)), root_(root), path_(std::move(path)) {}

  bool QueryValue(const std::wstring& name, std::wstring* data) override {
    return store_->GetValue(root_, path_, name, data);
  }

  bool EnumValueName(uint32_t index, std::wstring* name) override {
    std::vector<std::wstring> names;
    if (!store_->ValueNames(root_, path_, &names) || index >= names.size()) return false;
    *name = names[index];
    return true;
  }

 private:
  std::shared_ptr<const RegistryStore> store_;
  RegRoot root_;
  std::wstring path_;
};

class Win32RegKey : public RegKey {
 public:
  explicit Win32RegKey(HKEY key) : key_(key) {}

  bool QueryValue(const std::wstring& name, std::wstring* data) override {
    // Read whole: ask again with the size the registry asks for while the
    // value grows under us.
    std::vector<BYTE> buffer(512);
    DWORD type = 0;
    LSTATUS status = ERROR_MORE_DATA;
    DWORD size = 0;
    for (int attempt = 0; attempt < 8 && status == ERROR_MORE_DATA; ++attempt) {
      size = static_cast<DWORD>(buffer.size());
      status = ::RegQueryValueExW(key_.get(), name.c_str(), nullptr, &type, buffer.data(), &size);
      if (status == ERROR_MORE_DATA) buffer.resize(size > buffer.size() ? size : buffer.size() * 2);
    }
    if (status != ERROR_SUCCESS) return false;
    // Whatever the type, the bytes are read as UTF-16, as a string read gives
    // them; a string's terminator is not part of the text.
    data->assign(reinterpret_cast<const wchar_t*>(buffer.data()), size / sizeof(wchar_t));
    if (size % sizeof(wchar_t)) data->push_back(static_cast<wchar_t>(buffer[size - 1]));
    const bool is_string = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    if (is_string && !data->empty() && data->back() == L'\0') data->pop_back();
    return true;
  }

  bool EnumValueName(uint32_t index, std::wstring* name) override {
    // Value names are at most 16383 characters.
    std::wstring buffer(16384, L'\0');
    DWORD length = static_cast<DWORD>(buffer.size());
    LSTATUS status = ::RegEnumValueW(key_.get(), index, buffer.data(), &length, nullptr, nullptr,
                                     nullptr, nullptr);
    if (status != ERROR_SUCCESS) return false;
    buffer.resize(length);
    *name = std::move(buffer);
    return true;
  }

 private:
  win32::UniqueKey key_;
};

}  // namespace

std::unique_ptr<RegKey> OpenRegKey(RegRoot root, const std::wstring& path, bool full_access) {
  if (auto store = hooks::Registry()) {
    if (!store->HasKey(root, path)) return nullptr;
    return std::make_unique<StoreRegKey>(std::move(store), root, path);
  }
  HKEY base = root == RegRoot::kCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
  HKEY key = nullptr;
  if (::RegOpenKeyExW(base, path.c_str(), 0, full_access ? KEY_ALL_ACCESS : KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return nullptr;
  }
  return std::make_unique<Win32RegKey>(key);
}

}  // namespace copyloom::platform
