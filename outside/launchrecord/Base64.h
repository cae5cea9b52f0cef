// Base64 with the standard alphabet and "=" padding, without line breaks.
#pragma once

#include <string>

std::string Base64Encode(const std::string& bytes);

// Strict decoding: the text's length is a multiple of 4, it holds only the
// alphabet, "=" appears only as one or two final padding characters and
// the unused bits of the last group are zero. False otherwise.
bool Base64Decode(const std::string& text, std::string& bytes);
