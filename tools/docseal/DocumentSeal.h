// Sealing a plaintext into the remote document format: the text is cut
// into pieces of at most 117 bytes, each piece is RSA-encrypted with the
// public half of the document key under PKCS #1 v1.5 padding, and each
// 128-byte block is written as 256 lowercase hexadecimal digits.
#pragma once

#include <string>

typedef struct evp_pkey_st EVP_PKEY;

constexpr size_t kSealPieceBytes = 117;

// Reads a PEM file holding an RSA private or public key; null on failure.
// The caller frees the key with EVP_PKEY_free.
EVP_PKEY* LoadSealKey(const std::string& pemPath);

// The sealed text; false when the key cannot encrypt.
bool SealDocument(EVP_PKEY* key, const std::string& plain, std::string& sealed);
