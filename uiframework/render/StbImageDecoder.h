// Decoding of the skins' image file formats (PNG, JPEG, BMP, GIF, TGA) to
// 8-bit RGBA through stb_image.
#pragma once

#include "uiframework/render/AnimatedImage.h"

#include <string>
#include <vector>

namespace SkinUI {

// The largest width or height accepted; larger images fail to decode.
constexpr int kMaxImageSide = 16384;

// The width and height from the file's header, without decoding the
// pixels; false for data that is not an image of a known format or whose
// sides are outside 1..kMaxImageSide. Data whose header reads may still
// fail to decode.
bool ReadImageSize(const std::string& bytes, int& width, int& height);

// False for data that does not decode; rgba then stays empty.
bool DecodeImageBytes(const std::string& bytes, std::vector<unsigned char>& rgba, int& width, int& height);

// Every frame of a GIF (a still image of another format gives one frame),
// converted to premultiplied pixels. The budget counts the kept frames and
// the decoder's own working buffers; frames past the budget or maxFrames
// are left out (Cut).
AnimationStatus DecodeAnimationBytes(const std::string& bytes, size_t maxBytes, int maxFrames,
                                     AnimatedImage& animation);

}  // namespace SkinUI
