#include "tests/uiframework_render/PngWriter.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

namespace {

void Append(void* context, void* data, int size) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
}

}  // namespace

std::string EncodePng(int width, int height, const std::vector<unsigned char>& rgba) {
  std::string out;
  stbi_write_png_to_func(&Append, &out, width, height, 4, rgba.data(), width * 4);
  return out;
}
