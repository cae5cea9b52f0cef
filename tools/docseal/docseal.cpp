// docseal KEY.pem < plain > sealed
//
// Seals standard input into the remote document format with the public
// half of the key in KEY.pem (a private or a public key file).
#include "tools/docseal/DocumentSeal.h"

#include <openssl/evp.h>

#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: docseal KEY.pem < plain > sealed\n");
    return 2;
  }
  EVP_PKEY* key = LoadSealKey(argv[1]);
  if (!key) {
    std::fprintf(stderr, "docseal: no RSA key in %s\n", argv[1]);
    return 1;
  }
  std::string plain((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
  std::string sealed;
  bool ok = SealDocument(key, plain, sealed);
  EVP_PKEY_free(key);
  if (!ok) {
    std::fprintf(stderr, "docseal: the key cannot seal\n");
    return 1;
  }
  std::fwrite(sealed.data(), 1, sealed.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
