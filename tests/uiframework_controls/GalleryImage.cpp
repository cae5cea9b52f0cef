#include "tests/uiframework_controls/GalleryImage.h"

#include "tests/uiframework_render/PngWriter.h"
#include "uiframework/render/Renderer.h"
#include "uiframework/resources/ResourceSettings.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace gallery {

ScopedGalleryFolder::ScopedGalleryFolder() : m_previous(SkinUI::CResourceSettingsUI::GetResourcePath().GetData()) {
  const std::string dir = BRISGOL_GALLERY_DIR;
  SkinUI::CResourceSettingsUI::SetResourcePath((std::wstring(dir.begin(), dir.end()) + L"/").c_str());
}

ScopedGalleryFolder::~ScopedGalleryFolder() { SkinUI::CResourceSettingsUI::SetResourcePath(m_previous.c_str()); }

std::string ExpectedPath() { return std::string(BRISGOL_GALLERY_DIR) + "/gallery-expected.png"; }

bool LoadPicture(const std::string& path, Picture& picture) {
  const std::wstring wide(path.begin(), path.end());
  SkinUI::ImageEntry* image = SkinUI::CRenderer::LoadImage(wide.c_str());
  if (image == nullptr) return false;
  picture.width = image->width;
  picture.height = image->height;
  picture.pixels.resize(image->Pixels().size());
  std::transform(image->Pixels().begin(), image->Pixels().end(), picture.pixels.begin(),
                 [](std::uint32_t p) { return p & 0xFFFFFF; });
  SkinUI::CRenderer::FreeImage(image);
  return true;
}

bool SavePicture(const std::string& path, const Picture& picture) {
  std::vector<unsigned char> rgba;
  rgba.reserve(picture.pixels.size() * 4);
  for (std::uint32_t p : picture.pixels)
    rgba.insert(rgba.end(), {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                             static_cast<unsigned char>(p), 255});
  std::ofstream out(path, std::ios::binary);
  out << EncodePng(picture.width, picture.height, rgba);
  return static_cast<bool>(out);
}

Difference Compare(const Picture& actual, const Picture& expected, int threshold) {
  Difference difference;
  if (actual.width != expected.width || actual.height != expected.height) {
    difference.differing = std::max(actual.width * actual.height, expected.width * expected.height);
    difference.worst = 255;
    return difference;
  }
  for (size_t i = 0; i < actual.pixels.size(); ++i) {
    int largest = 0;
    for (int shift : {0, 8, 16}) {
      const int a = static_cast<int>((actual.pixels[i] >> shift) & 0xFF);
      const int b = static_cast<int>((expected.pixels[i] >> shift) & 0xFF);
      largest = std::max(largest, std::abs(a - b));
    }
    difference.worst = std::max(difference.worst, largest);
    if (largest > threshold) ++difference.differing;
  }
  return difference;
}

std::string CheckAgainstExpected(const Picture& actual, const std::string& name) {
  SavePicture(name + ".png", actual);
  const char* update = std::getenv("BRISGOL_UPDATE_GALLERY");
  if (update != nullptr && std::string(update) == "1") {
    return SavePicture(ExpectedPath(), actual) ? std::string() : "could not write " + ExpectedPath();
  }
  Picture expected;
  if (!LoadPicture(ExpectedPath(), expected)) return "no expected picture at " + ExpectedPath();
  const Difference difference = Compare(actual, expected, kChannelThreshold);
  const double share = static_cast<double>(difference.differing) / (expected.width * expected.height);
  if (share <= kMaxDifferingShare) return std::string();
  std::ostringstream message;
  message << name << ".png differs from " << ExpectedPath() << " in " << difference.differing
          << " pixels (worst channel difference " << difference.worst << ")";
  return message.str();
}

}  // namespace gallery
