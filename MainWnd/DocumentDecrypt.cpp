#include "MainWnd/DocumentDecrypt.h"

#include "MainWnd/DocumentKey.h"
#include "MainWnd/HexText.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kBlockDigits = 256;
constexpr size_t kBlockBytes = 128;

// The private key from the stored n, e and d (no prime factors are kept,
// so decryption works with n and d directly).
EVP_PKEY* BuildDocumentKey() {
  BIGNUM* n = BN_bin2bn(kDocumentKeyN, sizeof kDocumentKeyN, nullptr);
  BIGNUM* e = BN_bin2bn(kDocumentKeyE, sizeof kDocumentKeyE, nullptr);
  BIGNUM* d = BN_bin2bn(kDocumentKeyD, sizeof kDocumentKeyD, nullptr);
  OSSL_PARAM_BLD* builder = OSSL_PARAM_BLD_new();
  OSSL_PARAM* params = nullptr;
  EVP_PKEY* key = nullptr;
  if (n && e && d && builder && OSSL_PARAM_BLD_push_BN(builder, OSSL_PKEY_PARAM_RSA_N, n) &&
      OSSL_PARAM_BLD_push_BN(builder, OSSL_PKEY_PARAM_RSA_E, e) &&
      OSSL_PARAM_BLD_push_BN(builder, OSSL_PKEY_PARAM_RSA_D, d)) {
    params = OSSL_PARAM_BLD_to_param(builder);
  }
  EVP_PKEY_CTX* context = params ? EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr) : nullptr;
  if (context && EVP_PKEY_fromdata_init(context) > 0) EVP_PKEY_fromdata(context, &key, EVP_PKEY_KEYPAIR, params);
  EVP_PKEY_CTX_free(context);
  OSSL_PARAM_free(params);
  OSSL_PARAM_BLD_free(builder);
  BN_free(n);
  BN_free(e);
  BN_clear_free(d);
  return key;
}

// A decryption context with PKCS #1 v1.5 padding. Implicit rejection (a
// random plaintext for a bad block) is switched off where OpenSSL has it:
// a block that does not decrypt must add nothing.
EVP_PKEY_CTX* BuildDecryptContext(EVP_PKEY* key) {
  EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr);
  if (!context) return nullptr;
  bool ok = EVP_PKEY_decrypt_init(context) > 0 && EVP_PKEY_CTX_set_rsa_padding(context, RSA_PKCS1_PADDING) > 0;
#ifdef OSSL_ASYM_CIPHER_PARAM_IMPLICIT_REJECTION
  if (ok) {
    unsigned int implicitRejection = 0;
    OSSL_PARAM params[] = {
        OSSL_PARAM_construct_uint(OSSL_ASYM_CIPHER_PARAM_IMPLICIT_REJECTION, &implicitRejection),
        OSSL_PARAM_construct_end()};
    ok = EVP_PKEY_CTX_set_params(context, params) > 0;
  }
#endif
  if (!ok) {
    EVP_PKEY_CTX_free(context);
    return nullptr;
  }
  return context;
}

}  // namespace

std::string DecryptDocument(const std::string& text) {
  if (text.empty()) return std::string();
  // Short texts are plaintext: stored documents and test servers rely on
  // an unsealed short document being read as it is (compatibility).
  if (text.size() < kPlainDocumentLimit) return text;

  std::vector<unsigned char> bytes = DecodeHexText(text);
  std::string result;
  EVP_PKEY* key = BuildDocumentKey();
  EVP_PKEY_CTX* context = key ? BuildDecryptContext(key) : nullptr;
  if (context) {
    size_t blocks = text.size() / kBlockDigits;
    std::vector<unsigned char> plain(1024, 0);
    for (size_t block = 0; block < blocks; ++block) {
      size_t plainBytes = plain.size();
      if (EVP_PKEY_decrypt(context, plain.data(), &plainBytes, bytes.data() + block * kBlockBytes, kBlockBytes) <= 0) {
        // Nothing of a failed block may reach the next one.
        std::fill(plain.begin(), plain.end(), 0);
        continue;
      }
      plainBytes = std::min(plainBytes, plain.size());
      // The piece ends at its first zero byte, as the documents are text.
      size_t textBytes = static_cast<size_t>(
          std::find(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(plainBytes), 0) - plain.begin());
      result.append(reinterpret_cast<const char*>(plain.data()), textBytes);
      std::memset(plain.data(), 0, plainBytes);
    }
  }
  EVP_PKEY_CTX_free(context);
  EVP_PKEY_free(key);
  return result;
}
