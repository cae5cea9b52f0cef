#include "tools/docseal/DocumentSeal.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <cstdio>

EVP_PKEY* LoadSealKey(const std::string& pemPath) {
  std::FILE* in = std::fopen(pemPath.c_str(), "rb");
  if (!in) return nullptr;
  EVP_PKEY* key = PEM_read_PrivateKey(in, nullptr, nullptr, nullptr);
  if (!key) {
    std::rewind(in);
    key = PEM_read_PUBKEY(in, nullptr, nullptr, nullptr);
  }
  std::fclose(in);
  return key;
}

bool SealDocument(EVP_PKEY* key, const std::string& plain, std::string& sealed) {
  sealed.clear();
  if (!key) return false;
  EVP_PKEY_CTX* context = EVP_PKEY_CTX_new(key, nullptr);
  bool ok = context && EVP_PKEY_encrypt_init(context) > 0 &&
            EVP_PKEY_CTX_set_rsa_padding(context, RSA_PKCS1_PADDING) > 0;
  static const char kDigits[] = "0123456789abcdef";
  for (size_t offset = 0; ok && offset < plain.size(); offset += kSealPieceBytes) {
    size_t pieceBytes = std::min(kSealPieceBytes, plain.size() - offset);
    unsigned char block[512];
    size_t blockBytes = sizeof block;
    ok = EVP_PKEY_encrypt(context, block, &blockBytes, reinterpret_cast<const unsigned char*>(plain.data()) + offset,
                          pieceBytes) > 0;
    for (size_t i = 0; ok && i < blockBytes; ++i) {
      sealed.push_back(kDigits[block[i] >> 4]);
      sealed.push_back(kDigits[block[i] & 15]);
    }
  }
  EVP_PKEY_CTX_free(context);
  if (!ok) sealed.clear();
  return ok;
}
