// export_icons ICON_FILE OUTPUT_DIR NAME
//
// Writes every image of the icon file as OUTPUT_DIR/<size>x<size>/apps/NAME.png,
// the layout of the hicolor icon theme. Exit status 1, saying why, when the
// file cannot be read or holds anything but square PNG images.
#include "packaging/icons/IconExport.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: export_icons ICON_FILE OUTPUT_DIR NAME\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    std::fprintf(stderr, "export_icons: cannot read %s\n", argv[1]);
    return 1;
  }
  std::vector<PngIcon> icons;
  std::string error;
  if (!IconFilePngImages(file, icons, error)) {
    std::fprintf(stderr, "export_icons: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  for (const PngIcon& icon : icons) {
    const std::string size = std::to_string(icon.width) + "x" + std::to_string(icon.height);
    const std::filesystem::path dir = std::filesystem::path(argv[2]) / size / "apps";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const std::filesystem::path target = dir / (std::string(argv[3]) + ".png");
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(icon.png.data(), static_cast<std::streamsize>(icon.png.size()));
    if (!out.good()) {
      std::fprintf(stderr, "export_icons: cannot write %s\n", target.c_str());
      return 1;
    }
  }
  return 0;
}
