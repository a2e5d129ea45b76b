// A read-only registry in memory: keys holding named values. The POSIX build
// fills one from the Wine prefix's user.reg and system.reg; tests on both
// platforms fill their own and install it with testing::SetRegistry.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace copyloom::platform {

class RegistryStore {
 public:
  // Adds or replaces a value; creates the key. Key paths use "\".
  void SetValue(RegRoot root, const std::wstring& key, const std::wstring& name,
                const std::wstring& data);
  // Creates an empty key.
  void AddKey(RegRoot root, const std::wstring& key);

  bool HasKey(RegRoot root, const std::wstring& key) const;
  // Key and value names match ignoring case.
  bool GetValue(RegRoot root, const std::wstring& key, const std::wstring& name,
                std::wstring* data) const;
  // Value names of a key in the order they were added (Wine's file order).
  bool ValueNames(RegRoot root, const std::wstring& key, std::vector<std::wstring>* names) const;

  // Adds the keys and values of a Wine registry file ("WINE REGISTRY
  // Version 2") under root. String types (str(n), hex(1/2/7)) become their
  // text; other types keep their raw bytes read as UTF-16LE, which is what
  // reading them as a string gives on Windows. False when the text is not
  // such a file.
  bool LoadWineRegText(RegRoot root, const std::string& text);

  // The same from a stream (read fills up to size bytes and returns the
  // count, 0 at the end), one section at a time, keeping only the sections
  // whose key wanted accepts (and links, whatever their key). A section or
  // line longer than max_section bytes is dropped, so memory stays bounded
  // whatever the file's size.
  bool LoadWineRegStream(RegRoot root, const std::function<size_t(char*, size_t)>& read,
                         const std::function<bool(const std::wstring&)>& wanted,
                         size_t max_section);

  // Makes key a link to target (Wine's REG_LINK keys, such as
  // System\CurrentControlSet): lookups through key continue in target.
  void AddLink(RegRoot root, const std::wstring& key, RegRoot target_root,
               const std::wstring& target);

 private:
  struct Value {
    std::wstring name;
    std::wstring data;
  };
  struct Key {
    RegRoot root = RegRoot::kCurrentUser;
    std::wstring path;  // as first seen
    std::vector<Value> values;
    bool is_link = false;
    RegRoot link_root = RegRoot::kLocalMachine;
    std::wstring link_target;
  };
  using IndexKey = std::pair<RegRoot, std::wstring>;  // root, folded path

  const Key* Find(RegRoot root, const std::wstring& key) const;
  const Key* FindExact(RegRoot root, const std::wstring& folded) const;
  Key* FindOrAdd(RegRoot root, const std::wstring& key);
  static void PutValue(Key* key, const std::wstring& name, const std::wstring& data);

  std::vector<Key> keys_;
  std::map<IndexKey, size_t> index_;
  // Per root: whether a lookup must walk the path to follow links.
  bool has_links_[2] = {false, false};
};

}  // namespace copyloom::platform
