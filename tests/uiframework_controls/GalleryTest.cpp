// The gallery drawn by a headless window: every control class, compared
// by pixels with the committed picture.
#include "tests/uiframework_controls/ControlsWindow.h"
#include "tests/uiframework_controls/GalleryImage.h"

#include <vector>

namespace skintest {
namespace {

class GalleryTest : public ControlsWindow {
 protected:
  void SetUp() override {
    Headless::ResetInput();
    Headless::UseManualClock(true);
    ASSERT_NE(window.Open(0, 0, gallery::kWidth, gallery::kHeight), nullptr);
  }
};

TEST_F(GalleryTest, HeadlessWindowDrawsTheExpectedPicture) {
  gallery::ScopedGalleryFolder folder;
  ASSERT_NE(Build(gallery::kMarkupName), nullptr);
  gallery::Picture picture;
  picture.width = gallery::kWidth;
  picture.height = gallery::kHeight;
  for (int y = 0; y < gallery::kHeight; ++y)
    for (int x = 0; x < gallery::kWidth; ++x) picture.pixels.push_back(PixelAt(x, y) & 0xFFFFFF);
  EXPECT_EQ(gallery::CheckAgainstExpected(picture, "gallery-headless"), "");
}

TEST_F(GalleryTest, AnimatedControlsMoveOnWithTheClock) {
  gallery::ScopedGalleryFolder folder;
  ASSERT_NE(Build(gallery::kMarkupName), nullptr);
  auto shoot = [&](const wchar_t* name) {
    const RECT rc = window.pm.FindControl(name)->GetPos();
    std::vector<DWORD> pixels;
    for (LONG y = rc.top; y < rc.bottom; ++y)
      for (LONG x = rc.left; x < rc.right; ++x) pixels.push_back(PixelAt(x, y));
    return pixels;
  };
  const auto gif = shoot(L"gif");
  const auto spinner = shoot(L"spinner");
  const auto rotate = shoot(L"rotate");
  Tick(260);
  EXPECT_NE(shoot(L"gif"), gif);
  EXPECT_NE(shoot(L"spinner"), spinner);
  // Started by hand only ("autostart" is false).
  EXPECT_EQ(shoot(L"rotate"), rotate);
}

}  // namespace
}  // namespace skintest
