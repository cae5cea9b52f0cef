// The directory of an icon file (.ico): ICONDIR, then one 16-byte entry
// per image with its size and offset in the file. The images are PNG or
// BMP data.
#pragma once

#include "platform/Types.h"

#include <cstddef>
#include <vector>

struct IconFileImage {
  BYTE width;  // 0 means 256
  BYTE height;
  BYTE colorCount;
  WORD planes;
  WORD bitCount;
  const BYTE* data;  // inside the parsed file
  size_t size;
};

// The file's images in directory order. False when the data is no icon
// file, holds no image, or an image lies outside the data.
bool ParseIconFile(const void* data, size_t size, std::vector<IconFileImage>& images);
