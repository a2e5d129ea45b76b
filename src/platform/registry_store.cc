#include "platform/registry_store.h"

#include "platform/wildcard.h"

namespace copyloom::platform {
namespace {

// "\\A\\\\b\\" -> {"A", "b"}: empty components are ignored.
std::vector<std::wstring> SplitKeyPath(const std::wstring& path) {
  std::vector<std::wstring> parts;
  std::wstring part;
  for (wchar_t c : path) {
    if (c == L'\\') {
      if (!part.empty()) parts.push_back(std::move(part));
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(std::move(part));
  return parts;
}

std::wstring JoinKeyPath(const std::vector<std::wstring>& parts, size_t count) {
  std::wstring out;
  for (size_t i = 0; i < count && i < parts.size(); ++i) {
    if (i) out += L'\\';
    out += parts[i];
  }
  return out;
}

// Deep enough for any real chain, small enough to stop a loop of links.
constexpr int kMaxLinkHops = 16;

}  // namespace

const RegistryStore::Key* RegistryStore::FindExact(RegRoot root, const std::wstring& folded) const {
  auto it = index_.find(IndexKey(root, folded));
  return it == index_.end() ? nullptr : &keys_[it->second];
}

const RegistryStore::Key* RegistryStore::Find(RegRoot root, const std::wstring& key) const {
  // Without links under the root, the key's own entry is the answer: its
  // ancestors are always there with it. One lookup, no split.
  if (!has_links_[static_cast<size_t>(root)]) {
    // Written in place into the index's own key type: no copies on the way.
    IndexKey wanted(root, std::wstring(key.size(), L'\0'));
    wchar_t* out = wanted.second.data();
    size_t length = 0;
    for (wchar_t c : key) {
      if (c != L'\\') {
        out[length++] = FoldChar(c);
      } else if (length > 0 && out[length - 1] != L'\\') {
        out[length++] = c;
      }
    }
    if (length > 0 && out[length - 1] == L'\\') --length;
    if (length == 0) return nullptr;
    wanted.second.resize(length);
    auto it = index_.find(wanted);
    return it == index_.end() ? nullptr : &keys_[it->second];
  }
  std::vector<std::wstring> parts = SplitKeyPath(FoldCase(key));
  if (parts.empty()) return nullptr;
  int hops = 0;
  // Walk from the left so that a link anywhere on the way is followed.
  for (size_t i = 1; i <= parts.size(); ++i) {
    const Key* found = FindExact(root, JoinKeyPath(parts, i));
    if (!found) return nullptr;
    if (!found->is_link) {
      if (i == parts.size()) return found;
      continue;
    }
    if (++hops > kMaxLinkHops) return nullptr;
    std::vector<std::wstring> target = SplitKeyPath(FoldCase(found->link_target));
    const size_t consumed = target.size();
    target.insert(target.end(), parts.begin() + static_cast<std::ptrdiff_t>(i), parts.end());
    parts = std::move(target);
    root = found->link_root;
    // Continue just after the target itself, which may be a link too.
    i = consumed == 0 ? 0 : consumed - 1;
    if (parts.empty()) return nullptr;
  }
  return nullptr;
}

RegistryStore::Key* RegistryStore::FindOrAdd(RegRoot root, const std::wstring& key) {
  const std::vector<std::wstring> parts = SplitKeyPath(key);
  if (parts.empty()) return nullptr;
  std::wstring path = JoinKeyPath(parts, parts.size());
  auto found = index_.find(IndexKey(root, FoldCase(path)));
  if (found != index_.end()) return &keys_[found->second];
  // Ancestors exist implicitly in the registry, so they are added too.
  Key* last = nullptr;
  path.clear();
  for (const auto& part : parts) {
    if (!path.empty()) path += L'\\';
    path += part;
    IndexKey index_key(root, FoldCase(path));
    auto it = index_.find(index_key);
    if (it == index_.end()) {
      Key added;
      added.root = root;
      added.path = path;
      keys_.push_back(std::move(added));
      it = index_.emplace(std::move(index_key), keys_.size() - 1).first;
    }
    last = &keys_[it->second];
  }
  return last;
}

void RegistryStore::PutValue(Key* key, const std::wstring& name, const std::wstring& data) {
  for (auto& value : key->values) {
    if (EqualsIgnoreCase(value.name, name)) {
      value.data = data;
      return;
    }
  }
  key->values.push_back(Value{name, data});
}

void RegistryStore::SetValue(RegRoot root, const std::wstring& key, const std::wstring& name,
                             const std::wstring& data) {
  if (Key* k = FindOrAdd(root, key)) PutValue(k, name, data);
}

void RegistryStore::AddKey(RegRoot root, const std::wstring& key) { FindOrAdd(root, key); }

void RegistryStore::AddLink(RegRoot root, const std::wstring& key, RegRoot target_root,
                            const std::wstring& target) {
  Key* k = FindOrAdd(root, key);
  if (!k) return;
  k->is_link = true;
  has_links_[static_cast<size_t>(root)] = true;
  k->link_root = target_root;
  k->link_target = target;
}

bool RegistryStore::HasKey(RegRoot root, const std::wstring& key) const {
  return Find(root, key) != nullptr;
}

bool RegistryStore::GetValue(RegRoot root, const std::wstring& key, const std::wstring& name,
                             std::wstring* data) const {
  const Key* k = Find(root, key);
  if (!k) return false;
  for (const auto& value : k->values) {
    if (EqualsIgnoreCase(value.name, name)) {
      if (data) *data = value.data;
      return true;
    }
  }
  return false;
}

bool RegistryStore::ValueNames(RegRoot root, const std::wstring& key,
                               std::vector<std::wstring>* names) const {
  const Key* k = Find(root, key);
  if (!k) return false;
  if (names) {
    names->clear();
    for (const auto& value : k->values) names->push_back(value.name);
  }
  return true;
}

}  // namespace copyloom::platform
