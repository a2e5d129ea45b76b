// The kit manifest and the minisign key and signature readers on any text:
// a clear refusal or a manifest whose every path is one an install may use,
// which formats and parses back to itself; never a crash.
//
// Input: the first byte chooses the reader (0 manifest, 1 signature, 2 key),
// the rest is the text. A signature read is also checked against a key of
// its own id, so that the verification path runs too.
#include <cstdint>
#include <cstdlib>

#include "install/kit_manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string why;
  switch (data[0] % 3) {
    case 0: {
      copyloom::KitManifest manifest;
      if (!copyloom::ParseManifest(text, &manifest, &why)) {
        if (why.empty()) std::abort();
        break;
      }
      copyloom::KitManifest again;
      if (!copyloom::ParseManifest(copyloom::FormatManifest(manifest), &again, &why) ||
          copyloom::FormatManifest(again) != copyloom::FormatManifest(manifest)) {
        std::abort();
      }
      break;
    }
    case 1: {
      copyloom::MinisignSignature signature;
      if (!copyloom::ParseMinisignSignature(text, &signature, &why)) {
        if (why.empty()) std::abort();
        break;
      }
      // A valid point (RFC 8032's first test key): built-in keys always are, and
      // libgcrypt aborts on an all-zero one.
      copyloom::MinisignKey key{
          signature.key_id,
          {0xd7, 0x5a, 0x98, 0x01, 0x82, 0xb1, 0x0a, 0xb7, 0xd5, 0x4b, 0xfe, 0xd3, 0xc9, 0x64, 0x07, 0x3a,
           0x0e, 0xe1, 0x72, 0xf3, 0xda, 0xa6, 0x23, 0x25, 0xaf, 0x02, 0x1a, 0x68, 0xf7, 0x07, 0x51, 0x1a}};
      // Any answer but a crash; a forged signature is never good.
      if (copyloom::CheckMinisignSignature("manifest", signature, {key}) ==
          copyloom::SignatureCheck::kGood) {
        std::abort();
      }
      break;
    }
    default: {
      copyloom::MinisignKey key;
      if (!copyloom::ParseMinisignKey(text, &key, &why) && why.empty()) std::abort();
      break;
    }
  }
  return 0;
}
