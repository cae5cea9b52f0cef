// The MD5 digest of a file, for checking a downloaded release.
#pragma once

#include <string>

// Lowercase hexadecimal MD5 of the file's bytes; empty when it cannot be
// read.
std::string Md5OfFile(const std::string& path);
