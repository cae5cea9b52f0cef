// Hexadecimal text to bytes, the way the remote documents are read.
#pragma once

#include <string>
#include <vector>

// Two characters make one byte, taken from the front: a pair whose first
// character is not a hexadecimal digit gives 0; otherwise the first digit's
// value, combined with the second's when that is a hexadecimal digit too.
// An odd last character is read alone. The result has length / 2 bytes,
// rounded up.
std::vector<unsigned char> DecodeHexText(const std::string& text);
