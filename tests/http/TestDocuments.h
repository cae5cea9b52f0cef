// Test support: sealing documents the way the document server holds them.
#pragma once

#include <string>

// plain sealed with the build's document key (BRISGOL_DOCUMENT_KEY).
std::string SealWithDocumentKey(const std::string& plain);
// plain sealed with a fresh RSA-1024 key that is not the document key.
std::string SealWithOtherKey(const std::string& plain);
