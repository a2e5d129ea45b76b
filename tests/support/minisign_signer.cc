#include "support/minisign_signer.h"

#include <gcrypt.h>

#include <cstring>
#include <stdexcept>

namespace copyloom::test {
namespace {

std::string TokenBytes(gcry_sexp_t sexp, const char* name) {
  gcry_sexp_t token = gcry_sexp_find_token(sexp, name, 0);
  if (!token) throw std::runtime_error(std::string("no ") + name);
  size_t size = 0;
  const char* data = gcry_sexp_nth_data(token, 1, &size);
  std::string bytes(data, size);
  gcry_sexp_release(token);
  // A point may come with its 0x40 prefix.
  if (bytes.size() == 33 && bytes[0] == 0x40) bytes.erase(0, 1);
  return bytes;
}

}  // namespace

MinisignSigner::MinisignSigner() {
  // The product's first use initialises libgcrypt.
  Sha256Hex("", 0);
  gcry_sexp_t parameters = nullptr, pair = nullptr;
  gcry_sexp_build(&parameters, nullptr, "(genkey (ecc (curve Ed25519) (flags eddsa)))");
  if (gcry_pk_genkey(&pair, parameters)) throw std::runtime_error("genkey");
  const std::string q = TokenBytes(pair, "q");
  secret_ = TokenBytes(pair, "d");
  gcry_sexp_release(pair);
  gcry_sexp_release(parameters);
  std::memcpy(key_.key.data(), q.data(), 32);
  gcry_randomize(key_.id.data(), key_.id.size(), GCRY_STRONG_RANDOM);
}

std::string MinisignSigner::PublicKeyText() const {
  std::string bytes = "Ed";
  bytes.append(reinterpret_cast<const char*>(key_.id.data()), 8);
  bytes.append(reinterpret_cast<const char*>(key_.key.data()), 32);
  return "untrusted comment: minisign public key " + MinisignKeyIdText(key_.id) + "\n" +
         EncodeBase64(bytes) + "\n";
}

std::string MinisignSigner::Ed25519(const std::string& message) const {
  gcry_sexp_t secret = nullptr, data = nullptr, signature = nullptr;
  gcry_sexp_build(&secret, nullptr,
                  "(private-key (ecc (curve Ed25519) (flags eddsa) (q %b) (d %b)))", 32,
                  key_.key.data(), static_cast<int>(secret_.size()), secret_.data());
  gcry_sexp_build(&data, nullptr, "(data (flags eddsa) (hash-algo sha512) (value %b))",
                  static_cast<int>(message.size()), message.data());
  if (gcry_pk_sign(&signature, data, secret)) throw std::runtime_error("sign");
  std::string r = TokenBytes(signature, "r"), s = TokenBytes(signature, "s");
  gcry_sexp_release(secret);
  gcry_sexp_release(data);
  gcry_sexp_release(signature);
  r.insert(0, 32 - r.size(), '\0');
  s.insert(0, 32 - s.size(), '\0');
  return r + s;
}

std::string MinisignSigner::Sign(const std::string& message, bool prehashed,
                                 const std::string& trusted_comment) const {
  std::string signed_bytes = message;
  if (prehashed) {
    std::string digest(64, '\0');
    gcry_md_hash_buffer(GCRY_MD_BLAKE2B_512, digest.data(), message.data(), message.size());
    signed_bytes = digest;
  }
  const std::string signature = Ed25519(signed_bytes);
  std::string line = prehashed ? "ED" : "Ed";
  line.append(reinterpret_cast<const char*>(key_.id.data()), 8);
  line += signature;
  const std::string global = Ed25519(signature + trusted_comment);
  return "untrusted comment: signature from minisign secret key\n" + EncodeBase64(line) +
         "\ntrusted comment: " + trusted_comment + "\n" + EncodeBase64(global) + "\n";
}

}  // namespace copyloom::test
