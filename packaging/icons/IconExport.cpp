#include "packaging/icons/IconExport.h"

#include "platform/IconFile.h"

#include <cstring>

namespace {

unsigned BigEndian32(const unsigned char* p) {
  return (static_cast<unsigned>(p[0]) << 24) | (static_cast<unsigned>(p[1]) << 16) |
         (static_cast<unsigned>(p[2]) << 8) | p[3];
}

// A PNG file starts with its signature and the IHDR chunk: length 13,
// "IHDR", width and height (big-endian, 1 to 2^31 - 1).
bool PngSize(const unsigned char* data, size_t size, unsigned& width, unsigned& height) {
  static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (size < 24 || std::memcmp(data, kSignature, 8) != 0) return false;
  if (BigEndian32(data + 8) != 13 || std::memcmp(data + 12, "IHDR", 4) != 0) return false;
  width = BigEndian32(data + 16);
  height = BigEndian32(data + 20);
  return width > 0 && height > 0 && width <= 0x7FFFFFFFu && height <= 0x7FFFFFFFu;
}

}  // namespace

bool IconFilePngImages(const std::string& file, std::vector<PngIcon>& icons, std::string& error) {
  icons.clear();
  std::vector<IconFileImage> images;
  if (!ParseIconFile(file.data(), file.size(), images)) {
    error = "not an icon file";
    return false;
  }
  for (size_t i = 0; i < images.size(); ++i) {
    PngIcon icon;
    if (!PngSize(images[i].data, images[i].size, icon.width, icon.height)) {
      error = "image " + std::to_string(i + 1) + " is not PNG data";
      icons.clear();
      return false;
    }
    if (icon.width != icon.height) {
      error = "image " + std::to_string(i + 1) + " is not square (" + std::to_string(icon.width) + "x" +
              std::to_string(icon.height) + ")";
      icons.clear();
      return false;
    }
    icon.png.assign(reinterpret_cast<const char*>(images[i].data), images[i].size);
    icons.push_back(std::move(icon));
  }
  return true;
}
