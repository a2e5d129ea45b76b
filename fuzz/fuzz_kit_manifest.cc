// The kit manifest and the minisign key and signature readers on any text:
// a clear refusal or a manifest whose every path is one an install may use,
// which formats and parses back to itself; never a crash.
//
// Input: the first byte chooses the reader (0 manifest, 1 signature, 2 key),
// the rest is the text. A signature read is also checked against a key of
// its own id, so that the verification path runs too.
#include <algorithm>
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
      // Any key at all, as a built-in one may be: the global signature's
      // first half stands for its point.
      copyloom::MinisignKey key{signature.key_id, {}};
      std::copy(signature.global_signature.begin(), signature.global_signature.begin() + 32,
                key.key.begin());
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
