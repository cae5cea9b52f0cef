// DecryptDocument: the decryption every remote document goes through.
#pragma once

#include <string>

// Hexadecimal text of RSA-1024 blocks (256 digits each; a trailing part
// that fills no whole block is ignored) decrypted with the document key
// under PKCS #1 v1.5, the blocks' plaintexts joined in order. A block that
// does not decrypt adds nothing. Texts shorter than 64 characters are
// returned unchanged as plaintext; an empty result means nothing decrypted.
std::string DecryptDocument(const std::string& text);

// Texts shorter than this are taken as plaintext.
constexpr size_t kPlainDocumentLimit = 64;
