// The document key: the private half of the RSA-1024 key pair the remote
// documents are sealed for, as raw big-endian byte strings. The build
// derives them from the PEM file named by BRISGOL_DOCUMENT_KEY (the
// project's demo key in res/keys/ by default).
#pragma once

#include <cstddef>

constexpr std::size_t kDocumentKeyBytes = 128;

// Modulus n (top bit set), public exponent e (65537), private exponent d.
extern const unsigned char kDocumentKeyN[kDocumentKeyBytes];
extern const unsigned char kDocumentKeyE[3];
extern const unsigned char kDocumentKeyD[kDocumentKeyBytes];
