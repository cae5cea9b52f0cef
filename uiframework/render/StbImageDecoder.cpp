#include "uiframework/render/StbImageDecoder.h"

#include <climits>
#include <cstring>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#define STBI_MAX_DIMENSIONS 16384
#include <stb/stb_image.h>

namespace SkinUI {

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
