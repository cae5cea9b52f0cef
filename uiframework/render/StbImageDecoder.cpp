#include "uiframework/render/StbImageDecoder.h"

#include "uiframework/render/PixelConversion.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#define STBI_MAX_DIMENSIONS 16384
#include <stb/stb_image.h>

namespace SkinUI {

bool ReadImageSize(const std::string& bytes, int& width, int& height) {
  width = height = 0;
  if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX)) return false;
  int w = 0, h = 0, channels = 0;
  if (stbi_info_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()), static_cast<int>(bytes.size()), &w, &h,
                            &channels) == 0)
    return false;
  if (w <= 0 || h <= 0 || w > kMaxImageSide || h > kMaxImageSide) return false;
  width = w;
  height = h;
  return true;
}

bool DecodeImageBytes(const std::string& bytes, std::vector<unsigned char>& rgba, int& width, int& height) {
  rgba.clear();
  width = height = 0;
  if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX)) return false;
  int w = 0, h = 0, channels = 0;
  unsigned char* data = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                                              static_cast<int>(bytes.size()), &w, &h, &channels, 4);
  if (data == nullptr) return false;
  if (w <= 0 || h <= 0 || w > kMaxImageSide || h > kMaxImageSide) {
    stbi_image_free(data);
    return false;
  }
  width = w;
  height = h;
  rgba.assign(data, data + static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
  stbi_image_free(data);
  return true;
}

}  // namespace SkinUI

namespace SkinUI {

namespace {

// One frame of a still image, decoded whole.
AnimationStatus DecodeStill(const std::string& bytes, size_t maxBytes, AnimatedImage& animation) {
  std::vector<unsigned char> rgba;
  int width = 0, height = 0;
  if (!DecodeImageBytes(bytes, rgba, width, height)) return AnimationStatus::Undecodable;
  if (static_cast<size_t>(width) * static_cast<size_t>(height) * 4 > maxBytes) return AnimationStatus::TooLarge;
  ImageEntry frame;
  frame.width = width;
  frame.height = height;
  std::vector<std::uint32_t> pixels;
  const bool hasAlpha = ConvertRgbaPixels(rgba.data(), width, height, 0, pixels);
  frame.SetPixels(std::move(pixels), hasAlpha);
  animation.width = width;
  animation.height = height;
  animation.frames.push_back(std::move(frame));
  animation.delays.push_back(0);
  animation.framesInFile = 1;
  return AnimationStatus::Loaded;
}

}  // namespace

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
