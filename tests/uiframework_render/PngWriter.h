// PNG files for image loading tests, encoded from RGBA bytes.
#pragma once

#include <string>
#include <vector>

// The PNG encoding of width × height RGBA pixels.
std::string EncodePng(int width, int height, const std::vector<unsigned char>& rgba);
