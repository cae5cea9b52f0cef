// XXTEA (Corrected Block TEA) over arrays of 32-bit words, with the key
// derived from a key text.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

using XxteaKey = std::array<std::uint32_t, 4>;

// The key text's bytes, zero-padded (or cut) to 16 bytes and read as four
// little-endian words.
XxteaKey XxteaKeyFromText(const std::string& keyText);

// Encrypt / decrypt in place. Arrays of fewer than two words are left as
// they are.
void XxteaEncrypt(std::vector<std::uint32_t>& words, const XxteaKey& key);
void XxteaDecrypt(std::vector<std::uint32_t>& words, const XxteaKey& key);
