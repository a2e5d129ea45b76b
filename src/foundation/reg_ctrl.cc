#include "foundation/reg_ctrl.h"

namespace copyloom {
namespace {

// The reader's buffer is 2048 bytes: 1023 wide characters and the zero.
constexpr size_t kMaxValueChars = 1023;

}  // namespace

bool CRegCtrl::ReadString(RegRoot root, const std::wstring& key, const std::wstring& name,
                          std::wstring* text) const {
  text->clear();
  auto open = platform::OpenRegKey(root, key, false);
  if (!open) return false;
  std::wstring data;
  if (!open->QueryValue(name, &data) || data.size() > kMaxValueChars) return false;
  const size_t zero = data.find(L'\0');
  if (zero != std::wstring::npos) data.erase(zero);
  *text = std::move(data);
  return true;
}

std::unique_ptr<platform::RegKey> CRegCtrl::OpenKey(RegRoot root, const std::wstring& key,
                                                    bool full_access) const {
  return platform::OpenRegKey(root, key, full_access);
}

bool CRegCtrl::EnumValueNames(std::unique_ptr<platform::RegKey> key, TextList* names) const {
  if (!key) return true;
  std::wstring name;
  for (uint32_t index = 0; key->EnumValueName(index, &name); ++index) names->push_back(name);
  return true;
}

}  // namespace copyloom
