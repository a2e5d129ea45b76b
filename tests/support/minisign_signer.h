// Signs as `minisign -S` does, for the tests (the product only verifies):
// a fresh Ed25519 key per signer, made with libgcrypt.
#pragma once

#include <string>

#include "foundation/kit_signature.h"

namespace copyloom::test {

class MinisignSigner {
 public:
  MinisignSigner();
  // The key as minisign -G writes it (.pub), and parsed.
  std::string PublicKeyText() const;
  const MinisignKey& key() const { return key_; }
  // A detached signature file (.minisig); prehashed: minisign's default.
  std::string Sign(const std::string& message, bool prehashed = true,
                   const std::string& trusted_comment = "timestamp:0\tfile:kit.manifest") const;

 private:
  std::string Ed25519(const std::string& message) const;
  MinisignKey key_;
  std::string secret_;  // the 32-byte seed
};

}  // namespace copyloom::test
