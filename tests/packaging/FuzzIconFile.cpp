// Fuzz target: the icon file's images as the package's icons take them
// (IconFilePngImages, over ParseIconFile).
#include "packaging/icons/IconExport.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<PngIcon> icons;
  std::string error;
  if (IconFilePngImages(std::string(reinterpret_cast<const char*>(data), size), icons, error)) {
    for (const PngIcon& icon : icons)
      if (icon.png.size() < 24 || icon.width != icon.height) __builtin_trap();
  }
  return 0;
}
