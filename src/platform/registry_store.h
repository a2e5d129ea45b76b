// A read-only registry in memory: keys holding named values. The POSIX build
// fills one from the Wine prefix's user.reg and system.reg; tests on both
// platforms fill their own and install it with testing::SetRegistry.
#pragma once

#include <string>
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
  bool ValueNames(RegRoot root, const std::wstring& key,
                  std::vector<std::wstring>* names) const;

  // Adds the keys and string values of a Wine registry file ("WINE REGISTRY
  // Version 2") under root. Non-string values are kept as their text after
  // the type prefix is decoded where it is a string type (str(2), str(7)) and
  // skipped otherwise. False when the text is not such a file.
  bool LoadWineRegText(RegRoot root, const std::string& text);

 private:
  struct Value {
    std::wstring name;
    std::wstring data;
  };
  struct Key {
    RegRoot root;
    std::wstring path;  // as first seen
    std::vector<Value> values;
  };
  const Key* Find(RegRoot root, const std::wstring& key) const;
  Key* FindOrAdd(RegRoot root, const std::wstring& key);

  std::vector<Key> keys_;
};

}  // namespace copyloom::platform
