#include "uiframework/render/StbImageDecoder.h"

#include "uiframework/render/PixelConversion.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
// Skins hold PNG, JPEG, BMP, GIF and TGA. The other readers stay out: they
// are never needed, and the netpbm one overflows an int on a header's long
// run of digits.
#define STBI_NO_HDR
#define STBI_NO_PNM
#define STBI_NO_PSD
#define STBI_NO_PIC
#define STBI_MAX_DIMENSIONS 16384
#include <stb/stb_image.h>

namespace SkinUI {

namespace {

bool FitsInt(const std::string& bytes) { return !bytes.empty() && bytes.size() <= static_cast<size_t>(INT_MAX); }

// The header's size, 0 × 0 when it cannot be read or is out of range.
void HeaderSize(const std::string& bytes, int& width, int& height) {
  width = height = 0;
  if (!FitsInt(bytes)) return;
  int w = 0, h = 0, channels = 0;
  if (stbi_info_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()), static_cast<int>(bytes.size()), &w, &h,
                            &channels) == 0)
    return;
  if (w <= 0 || h <= 0 || w > kMaxImageSide || h > kMaxImageSide) return;
  width = w;
  height = h;
}

size_t PixelBytes(int width, int height) { return static_cast<size_t>(width) * static_cast<size_t>(height) * 4; }

// One frame of a still image.
AnimationStatus DecodeStill(const std::string& bytes, size_t maxBytes, AnimatedImage& animation) {
  DecodedImage image;
  const DecodeStatus status = DecodeImagePixels(bytes, maxBytes, 0, image);
  if (status == DecodeStatus::TooLarge) return AnimationStatus::TooLarge;
  if (status != DecodeStatus::Decoded) return AnimationStatus::Undecodable;
  ImageEntry frame;
  frame.width = image.width;
  frame.height = image.height;
  frame.SetPixels(std::move(image.pixels), image.hasAlpha);
  animation.width = image.width;
  animation.height = image.height;
  animation.frames.push_back(std::move(frame));
  animation.delays.push_back(0);
  animation.framesInFile = 1;
  return AnimationStatus::Loaded;
}

}  // namespace

bool ReadImageSize(const std::string& bytes, int& width, int& height, size_t maxBytes) {
  HeaderSize(bytes, width, height);
  if (width == 0 || PixelBytes(width, height) > maxBytes) {
    width = height = 0;
    return false;
  }
  return true;
}

DecodeStatus DecodeImagePixels(const std::string& bytes, size_t maxBytes, DWORD mask, DecodedImage& image) {
  image = DecodedImage();
  int width = 0, height = 0;
  HeaderSize(bytes, width, height);
  if (width == 0) return DecodeStatus::Undecodable;
  if (PixelBytes(width, height) > maxBytes) return DecodeStatus::TooLarge;
  int w = 0, h = 0, channels = 0;
  unsigned char* data = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                                              static_cast<int>(bytes.size()), &w, &h, &channels, 4);
  if (data == nullptr) return DecodeStatus::Undecodable;
  // The header read above and the decoding agree on the size; anything
  // else is a file to distrust.
  if (w != width || h != height) {
    stbi_image_free(data);
    return DecodeStatus::Undecodable;
  }
  image.hasAlpha = ConvertRgbaPixels(data, width, height, mask, image.pixels);
  stbi_image_free(data);
  image.width = width;
  image.height = height;
  return DecodeStatus::Decoded;
}

AnimationStatus DecodeAnimationBytes(const std::string& bytes, size_t maxBytes, int maxFrames,
                                     AnimatedImage& animation) {
  animation = AnimatedImage();
  if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX) || maxFrames < 1)
    return AnimationStatus::Undecodable;
  const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
  const int length = static_cast<int>(bytes.size());
  stbi__context context;
  stbi__start_mem(&context, data, length);
  if (!stbi__gif_test(&context)) return DecodeStill(bytes, maxBytes, animation);

  // The screen size first: a GIF of no pixels, or one whose frames (and
  // the decoder's working buffers: two canvases, the history, and the two
  // last raw frames kept for "restore previous" disposal) cannot fit, is
  // refused before anything is allocated.
  if (bytes.size() < 10) return AnimationStatus::Undecodable;
  const int width = data[6] | (data[7] << 8);
  const int height = data[8] | (data[9] << 8);
  if (width == 0 || height == 0) return AnimationStatus::Undecodable;
  const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  const size_t frameBytes = pixels * 4;
  const size_t working = frameBytes * 4 + pixels;
  if (working + frameBytes > maxBytes) return AnimationStatus::TooLarge;

  stbi__gif gif;
  std::memset(&gif, 0, sizeof(gif));
  int components = 0;
  std::vector<unsigned char> raw[2];
  AnimationStatus status = AnimationStatus::Loaded;
  for (;;) {
    const size_t kept = animation.frames.size();
    // The canvas as it was two frames before the one to come.
    stbi_uc* twoBack = kept >= 2 ? raw[kept % 2].data() : nullptr;
    stbi_uc* frame = stbi__gif_load_next(&context, &gif, &components, 4, twoBack);
    if (frame == reinterpret_cast<stbi_uc*>(&context) || frame == nullptr) {
      // The end of the stream, or a broken frame: what came before stays.
      if (frame == nullptr && kept == 0) status = AnimationStatus::Undecodable;
      break;
    }
    if (static_cast<int>(kept) >= maxFrames || working + (kept + 1) * frameBytes > maxBytes) {
      status = AnimationStatus::Cut;
      break;
    }
    raw[kept % 2].assign(frame, frame + frameBytes);
    ImageEntry entry;
    entry.width = width;
    entry.height = height;
    std::vector<std::uint32_t> pixels;
    const bool hasAlpha = ConvertRgbaPixels(frame, width, height, 0, pixels);
    entry.SetPixels(std::move(pixels), hasAlpha);
    animation.frames.push_back(std::move(entry));
    animation.delays.push_back(gif.delay);
  }
  STBI_FREE(gif.out);
  STBI_FREE(gif.history);
  STBI_FREE(gif.background);
  if (animation.frames.empty()) {
    animation = AnimatedImage();
    return status == AnimationStatus::Cut ? AnimationStatus::TooLarge : AnimationStatus::Undecodable;
  }
  animation.width = width;
  animation.height = height;
  animation.framesInFile = static_cast<int>(animation.frames.size()) + (status == AnimationStatus::Cut ? 1 : 0);
  return status;
}

}  // namespace SkinUI
