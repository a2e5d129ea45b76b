// Windows runs on the machine itself: no Wine prefix to choose or find.
#include "platform/prefix.h"

#include "platform/platform.h"

namespace copyloom::platform {

struct PrefixState {
  std::wstring root;
  std::wstring user;
};

WinePrefix::WinePrefix() : state_(std::make_shared<PrefixState>()) {}

WinePrefix::WinePrefix(const std::wstring& root, const std::wstring& user_name)
    : state_(std::make_shared<PrefixState>(PrefixState{root, user_name})) {}

const std::wstring& WinePrefix::root() const { return state_->root; }

const std::wstring& WinePrefix::user_name() const { return state_->user; }

WinePrefix PrefixFromEnvironment() { return WinePrefix(); }

PrefixScope::PrefixScope(const WinePrefix&) {}

PrefixScope::~PrefixScope() = default;

WinePrefix CurrentPrefix() { return WinePrefix(); }

bool IsWinePrefixFolder(const std::wstring&, std::wstring* unreadable) {
  if (unreadable) unreadable->clear();
  return false;
}

std::wstring WinePrefixArch(const std::wstring&) { return L""; }

std::vector<std::wstring> FindWinePrefixes(const std::wstring&, const std::wstring&,
                                           std::vector<UnreadablePrefix>*) {
  return {};
}

bool IsPrefixPath(const std::wstring&) { return false; }

std::string NativeFileName(const std::wstring& name) { return WideToUtf8(name); }

std::wstring FromNativeFileName(const std::string& name) { return Utf8ToWide(name); }

}  // namespace copyloom::platform
