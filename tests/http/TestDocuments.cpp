#include "tests/http/TestDocuments.h"

#include "tools/docseal/DocumentSeal.h"

#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <stdexcept>

std::string SealWithDocumentKey(const std::string& plain) {
  EVP_PKEY* key = LoadSealKey(BRISGOL_DOCUMENT_KEY_FILE);
  std::string sealed;
  bool ok = SealDocument(key, plain, sealed);
  EVP_PKEY_free(key);
  if (!ok) throw std::runtime_error("cannot seal with the document key");
  return sealed;
}

std::string SealWithOtherKey(const std::string& plain) {
  EVP_PKEY* key = EVP_RSA_gen(1024);
  std::string sealed;
  bool ok = SealDocument(key, plain, sealed);
  EVP_PKEY_free(key);
  if (!ok) throw std::runtime_error("cannot seal with a fresh key");
  return sealed;
}
