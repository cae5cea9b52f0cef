#include "outside/update/FileDigest.h"

#include <openssl/evp.h>

#include <cstdio>

std::string Md5OfFile(const std::string& path) {
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (!in) return std::string();
  EVP_MD_CTX* context = EVP_MD_CTX_new();
  bool ok = context && EVP_DigestInit_ex(context, EVP_md5(), nullptr) > 0;
  unsigned char buffer[65536];
  while (ok) {
    size_t read = std::fread(buffer, 1, sizeof buffer, in);
    if (read > 0) ok = EVP_DigestUpdate(context, buffer, read) > 0;
    if (read < sizeof buffer) {
      ok = ok && !std::ferror(in);
      break;
    }
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digestBytes = 0;
  ok = ok && EVP_DigestFinal_ex(context, digest, &digestBytes) > 0;
  EVP_MD_CTX_free(context);
  std::fclose(in);
  if (!ok) return std::string();
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  for (unsigned int i = 0; i < digestBytes; ++i) {
    text.push_back(kDigits[digest[i] >> 4]);
    text.push_back(kDigits[digest[i] & 15]);
  }
  return text;
}
