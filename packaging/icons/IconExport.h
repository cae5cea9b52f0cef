// The hicolor theme's icons of the package, taken from the program's own
// icon file: every image of it is PNG data, named by its own size.
#pragma once

#include <string>
#include <vector>

struct PngIcon {
  unsigned width = 0;
  unsigned height = 0;
  std::string png;  // the image's bytes, as the icon file holds them
};

// The images of an icon file, each with the size its PNG header gives.
// False, with error saying why, for data that is no icon file or holds an
// image that is not a square PNG image.
bool IconFilePngImages(const std::string& file, std::vector<PngIcon>& icons, std::string& error);
