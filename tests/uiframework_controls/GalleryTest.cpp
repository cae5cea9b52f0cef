// The gallery drawn by a headless window: every control class, compared
// by pixels with the committed picture.
#include "tests/uiframework_controls/ControlsWindow.h"
#include "tests/uiframework_controls/GalleryImage.h"

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
  ASSERT_NE(Build(gallery::MarkupPath().c_str()), nullptr);
  gallery::Picture picture;
  picture.width = gallery::kWidth;
  picture.height = gallery::kHeight;
  for (int y = 0; y < gallery::kHeight; ++y)
    for (int x = 0; x < gallery::kWidth; ++x) picture.pixels.push_back(PixelAt(x, y) & 0xFFFFFF);
  EXPECT_EQ(gallery::CheckAgainstExpected(picture, "gallery-headless"), "");
}

}  // namespace
}  // namespace skintest
