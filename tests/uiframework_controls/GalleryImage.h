// The gallery: a markup file holding every control class in fixed states,
// and the picture it must give (a committed PNG). Pictures are compared
// with a tolerance for the anti-aliasing of text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gallery {

constexpr int kWidth = 900;
constexpr int kHeight = 600;

// The markup's name inside the gallery folder, which holds the images the
// animated controls play too.
constexpr const wchar_t* kMarkupName = L"gallery.xml";
std::string ExpectedPath();

// Makes the gallery folder the skin's resource path while it lives (the
// markup and its images are read from there), and puts the previous path
// back when it goes.
class ScopedGalleryFolder {
 public:
  ScopedGalleryFolder();
  ~ScopedGalleryFolder();
  ScopedGalleryFolder(const ScopedGalleryFolder&) = delete;
  ScopedGalleryFolder& operator=(const ScopedGalleryFolder&) = delete;

 private:
  std::wstring m_previous;
};

// Opaque pixels 0x00RRGGBB, rows top-down.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

// False when the file is missing or not an image.
bool LoadPicture(const std::string& path, Picture& picture);
bool SavePicture(const std::string& path, const Picture& picture);

struct Difference {
  int differing = 0;  // pixels whose channels differ by more than the threshold
  int worst = 0;      // the largest channel difference
};
// Pictures of different sizes differ everywhere.
Difference Compare(const Picture& actual, const Picture& expected, int threshold);

// The comparison the tests apply: a pixel differs when a channel moves by
// more than kChannelThreshold, and at most kMaxDifferingShare of the
// pixels may differ (glyph edges).
constexpr int kChannelThreshold = 48;
constexpr double kMaxDifferingShare = 0.01;
// Checks actual against the committed picture, writing actual beside the
// test program as name.png; with BRISGOL_UPDATE_GALLERY=1 set, actual
// replaces the committed picture instead. Returns a failure message, or
// empty when the pictures agree.
std::string CheckAgainstExpected(const Picture& actual, const std::string& name);

}  // namespace gallery
