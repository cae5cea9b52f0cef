#include "packaging/icons/IconExport.h"

#include "tests/support/TempMachineRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

std::string ProgramIcon() {
  return ReadTestFile(std::filesystem::path(std::getenv("BRISGOL_SOURCE_DIR")) / "res" / "brisgol.ico");
}

void PutLe32(std::string& file, size_t at, unsigned value) {
  for (int i = 0; i < 4; ++i) file[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

TEST(IconExport, TheProgramIconGivesItsThreeSizes) {
  std::vector<PngIcon> icons;
  std::string error;
  ASSERT_TRUE(IconFilePngImages(ProgramIcon(), icons, error)) << error;
  ASSERT_EQ(icons.size(), 3u);
  EXPECT_EQ(icons[0].width, 16u);
  EXPECT_EQ(icons[1].width, 32u);
  EXPECT_EQ(icons[2].width, 48u);
  for (const PngIcon& icon : icons) EXPECT_EQ(icon.png.substr(1, 3), "PNG");
}

TEST(IconExport, AnythingButSquarePngImagesIsRefused) {
  std::vector<PngIcon> icons;
  std::string error;
  EXPECT_FALSE(IconFilePngImages("", icons, error));
  EXPECT_EQ(error, "not an icon file");
  std::string icon = ProgramIcon();
  EXPECT_FALSE(IconFilePngImages(icon.substr(0, icon.size() - 1), icons, error));  // the last image is cut
  EXPECT_TRUE(icons.empty());

  // The first image's data read as a BMP header instead of PNG.
  std::string bmp = icon;
  const unsigned first = static_cast<unsigned char>(bmp[18]) | (static_cast<unsigned char>(bmp[19]) << 8);
  bmp[first] = 40;
  EXPECT_FALSE(IconFilePngImages(bmp, icons, error));
  EXPECT_EQ(error, "image 1 is not PNG data");

  // The second image's header claims 32 x 33.
  std::string oblong = icon;
  const unsigned second = static_cast<unsigned char>(oblong[34]) | (static_cast<unsigned char>(oblong[35]) << 8);
  oblong[second + 23] = 33;
  EXPECT_FALSE(IconFilePngImages(oblong, icons, error));
  EXPECT_EQ(error, "image 2 is not square (32x33)");

  // An entry pointing past the end of the file.
  std::string outside = icon;
  PutLe32(outside, 6 + 16 * 2 + 12, static_cast<unsigned>(icon.size()));
  EXPECT_FALSE(IconFilePngImages(outside, icons, error));
}

}  // namespace
