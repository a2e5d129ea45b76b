// The codec's decoder on any text: it must stay inside its input, whatever
// the symbols, tokens or length.
#include <cstdint>

#include "foundation/encrypt.h"
#include "foundation/encrypt_table.h"
#include "fuzz_support.h"
#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace copyloom;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  codec::UnscrambleBytes(bytes);
  const CEncrypt codec;
  // Both ways a stored text can reach it: one character per byte, and
  // characters outside the code page.
  codec.DecodeText(fuzz::Latin1(bytes));
  codec.DecodeText(platform::Utf8ToWide(bytes));
  return 0;
}
