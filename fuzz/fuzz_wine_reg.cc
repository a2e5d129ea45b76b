// The Wine registry-file reader on any text, then lookups of the keys the
// text names (and below them), which follow whatever links it made.
#include <cstdint>

#include "fuzz_support.h"
#include "platform/registry_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace copyloom::platform;
  const std::string text(reinterpret_cast<const char*>(data), size);
  RegistryStore store;
  store.LoadWineRegText(RegRoot::kLocalMachine, text);

  int asked = 0;
  for (size_t open = text.find('['); open != std::string::npos && asked < 8;
       open = text.find('[', open + 1)) {
    const size_t close = text.find(']', open);
    if (close == std::string::npos) break;
    const std::wstring key = copyloom::fuzz::Latin1(text.substr(open + 1, close - open - 1));
    ++asked;
    for (const std::wstring& k : {key, key + L"\\Sub"}) {
      for (RegRoot root : {RegRoot::kLocalMachine, RegRoot::kCurrentUser}) {
        std::vector<std::wstring> names;
        std::wstring value;
        store.HasKey(root, k);
        if (store.ValueNames(root, k, &names) && !names.empty()) {
          if (!store.GetValue(root, k, names.front(), &value)) {
            copyloom::fuzz::Broken("a listed value cannot be read");
          }
        }
      }
    }
  }
  return 0;
}
