// Decoding of the skins' image file formats (PNG, JPEG, BMP, GIF, TGA)
// through stb_image, straight to the framework's premultiplied pixels.
//
// Every decoding reads the size from the file's header first and refuses
// an image whose pixels would not fit the caller's budget before a single
// pixel is decoded: a header of a hundred bytes may claim 16384 × 16384
// pixels, and some formats (BMP, TGA) decode such a file "successfully"
// into a gigabyte of zeros.
#pragma once

#include "platform/Types.h"
#include "uiframework/render/AnimatedImage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace SkinUI {

// The largest width or height accepted; larger images fail to decode.
constexpr int kMaxImageSide = 16384;
// The most decoded bytes (4 a pixel) one still image of a skin may take:
// 4096 × 4096 pixels, far above anything a window draws.
constexpr size_t kMaxImageBytes = 64u * 1024 * 1024;

// The width and height from the file's header, without decoding the
// pixels; false for data that is not an image of a known format, whose
// sides are outside 1..kMaxImageSide or whose pixels would take more than
// maxBytes. Data whose header reads may still fail to decode.
bool ReadImageSize(const std::string& bytes, int& width, int& height, size_t maxBytes = kMaxImageBytes);

// A decoded still image (of a GIF: its first frame).
struct DecodedImage {
  std::vector<std::uint32_t> pixels;  // width × height, premultiplied BGRA
  bool hasAlpha = false;              // any pixel not fully opaque
  int width = 0;
  int height = 0;
};

enum class DecodeStatus { Decoded, Undecodable, TooLarge };

// Decodes within maxBytes of pixels and converts with the colour key mask
// (ConvertRgbaPixels). The decoder's own buffer is converted into the
// result and freed at once: the pixels are never copied as they are. On
// anything but Decoded, image is left empty.
DecodeStatus DecodeImagePixels(const std::string& bytes, size_t maxBytes, DWORD mask, DecodedImage& image);

// Every frame of a GIF (a still image of another format gives one frame),
// converted to premultiplied pixels. The budget counts the kept frames and
// the decoder's own working buffers; frames past the budget or maxFrames
// are left out (Cut).
AnimationStatus DecodeAnimationBytes(const std::string& bytes, size_t maxBytes, int maxFrames,
                                     AnimatedImage& animation);

}  // namespace SkinUI
