// Decoding of the skins' image file formats (PNG, JPEG, BMP, GIF, TGA) to
// 8-bit RGBA through stb_image.
#pragma once

#include <string>
#include <vector>

namespace SkinUI {

// The largest width or height accepted; larger images fail to decode.
constexpr int kMaxImageSide = 16384;

// False for data that does not decode; rgba then stays empty.
bool DecodeImageBytes(const std::string& bytes, std::vector<unsigned char>& rgba, int& width, int& height);

}  // namespace SkinUI
