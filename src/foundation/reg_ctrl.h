// The one reader of the registry. Read only. A value holds at most 1023
// characters; longer ones read as missing.
#pragma once

#include <memory>
#include <string>

#include "foundation/path_util.h"
#include "platform/platform.h"

namespace copyloom {

using platform::RegRoot;

class CRegCtrl {
 public:
  virtual ~CRegCtrl() = default;

  // Empty text and false when the key or value is missing or too long; the
  // data up to its first zero otherwise.
  bool ReadString(RegRoot root, const std::wstring& key, const std::wstring& name,
                  std::wstring* text) const;
  // nullptr when the key cannot be opened.
  std::unique_ptr<platform::RegKey> OpenKey(RegRoot root, const std::wstring& key,
                                            bool full_access) const;
  // Appends the name of every value of the open key, in registry order, up
  // to the first failing index; takes the key and closes it. Always true.
  bool EnumValueNames(std::unique_ptr<platform::RegKey> key, TextList* names) const;
};

}  // namespace copyloom
