// Hue, saturation and lightness adjustment.
#include "tests/uiframework_render/TestCanvas.h"
#include "uiframework/render/Renderer.h"

#include <gtest/gtest.h>

using namespace SkinUI;

namespace {

TEST(RenderColorAdjust, NeutralSettingsKeepTheColour) {
  EXPECT_EQ(CRenderer::AdjustColor(0x12345678, 180, 100, 100), 0x12345678u);
}

TEST(RenderColorAdjust, HueRotatesAndAlphaIsKept) {
  EXPECT_EQ(CRenderer::AdjustColor(0x80FF0000, 300, 100, 100), 0x8000FF00u);  // red + 120° = green
  EXPECT_EQ(CRenderer::AdjustColor(0xFF00FF00, 300, 100, 100), 0xFF0000FFu);
  EXPECT_EQ(CRenderer::AdjustColor(0xFF0000FF, 60, 100, 100), 0xFF00FF00u);  // -120° wraps
}

TEST(RenderColorAdjust, SaturationAndLightnessScale) {
  EXPECT_EQ(CRenderer::AdjustColor(0xFFFF0000, 180, 0, 100), 0xFF808080u);
  EXPECT_EQ(CRenderer::AdjustColor(0xFFFF0000, 180, 100, 0), 0xFF000000u);
  EXPECT_EQ(CRenderer::AdjustColor(0xFFFF0000, 180, 100, 200), 0xFFFFFFFFu);
}

TEST(RenderColorAdjust, ImagesFollowFromTheirUnadjustedCopy) {
  ImageEntry image = MakeImage(2, 1, {0xFFFF0000, 0x80800000});
  image.useHsl = true;
  image.original = image.Pixels();
  CRenderer::AdjustImage(true, &image, 300, 100, 100);
  EXPECT_EQ(image.Pixels()[0], 0xFF00FF00u);
  // Translucent pixels are adjusted as straight colours and stay
  // premultiplied.
  EXPECT_EQ(image.Pixels()[1], 0x80008000u);
  // Adjusting again starts from the copy, not from the adjusted pixels.
  CRenderer::AdjustImage(true, &image, 180, 100, 100);
  EXPECT_EQ(image.Pixels()[0], 0xFFFF0000u);

  ImageEntry other = MakeImage(1, 1, {0xFFFF0000});
  CRenderer::AdjustImage(true, &other, 300, 100, 100);
  EXPECT_EQ(other.Pixels()[0], 0xFFFF0000u);
}

}  // namespace
