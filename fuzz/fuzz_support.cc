#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>

#include "platform/testing.h"

namespace copyloom::fuzz {

std::vector<std::string> SplitParts(const uint8_t* data, size_t size, size_t max_parts) {
  constexpr std::string_view kSeparator = "\n====\n";
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> parts;
  size_t start = 0;
  while (parts.size() + 1 < max_parts) {
    const size_t hit = input.find(kSeparator, start);
    if (hit == std::string_view::npos) break;
    parts.emplace_back(input.substr(start, hit - start));
    start = hit + kSeparator.size();
  }
  parts.emplace_back(input.substr(start));
  return parts;
}

std::wstring Latin1(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  for (char c : bytes) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return out;
}

test::TestMachine& Machine() {
  // Destroyed at exit, which removes its folder.
  static test::TestMachine* machine = [] {
    auto* m = new test::TestMachine();
    platform::testing::SetAnsiCodePage(1252u);
    m->StartProduct();
    m->MakeTerminal(L"C:\\MT4");
    m->MakeTerminal(L"D:\\Terminal");
    m->MakeFolder(L"C:\\MT4\\profiles\\default");
    std::atexit([] { delete machine; });
    return m;
  }();
  return *machine;
}

void Broken(const char* what) {
  std::fprintf(stderr, "fuzz: broken promise: %s\n", what);
  std::abort();
}

}  // namespace copyloom::fuzz
