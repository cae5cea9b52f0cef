// Drawing images: nine-slice parts, tiling, fading, hollow centres,
// source clamping and destination rules, checked pixel by pixel.
#include "tests/uiframework_render/TestCanvas.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/render/CairoPaintSurface.h"
#include "uiframework/render/RenderEngine.h"
#include "uiframework/render/Renderer.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace SkinUI;

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kYellow = 0xFFFFFF00;
constexpr std::uint32_t kCyan = 0xFF00FFFF, kMagenta = 0xFFFF00FF, kDarkRed = 0xFF800000, kDarkGreen = 0xFF008000;
constexpr std::uint32_t kGrey = 0xFF808080;

// 6 × 6 with 2-pixel borders: each of the nine parts has its own colour.
ImageEntry NinePartImage() {
  const std::uint32_t parts[3][3] = {{kRed, kCyan, kGreen}, {kDarkRed, kGrey, kDarkGreen}, {kBlue, kMagenta, kYellow}};
  std::vector<std::uint32_t> pixels(36);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x) pixels[y * 6 + x] = parts[y / 2][x / 2];
  ImageEntry image = MakeSolidImage(6, 6, 0);
  image.SetPixels(std::move(pixels), false);
  return image;
}

void Draw(TestCanvas& canvas, const ImageEntry& image, RECT dest, RECT source, RECT corners, BYTE fade = 255,
          bool hole = false, bool xTiled = false, bool yTiled = false, RECT paint = RECT{0, 0, 1000, 1000}) {
  CRenderer::DrawImageRect(canvas.dc(), image, dest, paint, source, corners, image.HasAlpha(), fade, hole, xTiled,
                           yTiled);
}

TEST(RenderNineSlice, CornersStayUnscaledAndEdgesStretch) {
  TestCanvas canvas(20, 20, kWhite);
  Draw(canvas, NinePartImage(), RECT{0, 0, 20, 20}, RECT{}, RECT{2, 2, 2, 2});
  EXPECT_EQ(canvas.Pixel(0, 0), kRed);
  EXPECT_EQ(canvas.Pixel(1, 1), kRed);
  EXPECT_EQ(canvas.Pixel(2, 2), kGrey);
  EXPECT_EQ(canvas.Pixel(18, 0), kGreen);
  EXPECT_EQ(canvas.Pixel(19, 1), kGreen);
  EXPECT_EQ(canvas.Pixel(0, 19), kBlue);
  EXPECT_EQ(canvas.Pixel(19, 19), kYellow);
  EXPECT_EQ(canvas.Pixel(10, 0), kCyan);
  EXPECT_EQ(canvas.Pixel(10, 19), kMagenta);
  EXPECT_EQ(canvas.Pixel(0, 10), kDarkRed);
  EXPECT_EQ(canvas.Pixel(19, 10), kDarkGreen);
  EXPECT_EQ(canvas.Pixel(17, 17), kGrey);
}

TEST(RenderNineSlice, HollowCentreLeavesTheMiddleAlone) {
  TestCanvas canvas(20, 20, kWhite);
  Draw(canvas, NinePartImage(), RECT{0, 0, 20, 20}, RECT{}, RECT{2, 2, 2, 2}, 255, true);
  EXPECT_EQ(canvas.Pixel(10, 10), kWhite);
  EXPECT_EQ(canvas.Pixel(2, 2), kWhite);
  EXPECT_EQ(canvas.Pixel(0, 0), kRed);
  EXPECT_EQ(canvas.Pixel(10, 1), kCyan);
}

TEST(RenderNineSlice, PartsOutsideThePaintRectangleAreSkipped) {
  TestCanvas canvas(20, 20, kWhite);
  Draw(canvas, NinePartImage(), RECT{0, 0, 20, 20}, RECT{}, RECT{2, 2, 2, 2}, 255, false, false, false,
       RECT{0, 0, 2, 2});
  EXPECT_EQ(canvas.Pixel(0, 0), kRed);
  EXPECT_EQ(canvas.Pixel(19, 19), kWhite);
  EXPECT_EQ(canvas.Pixel(10, 10), kWhite);
}

TEST(RenderNineSlice, CornersLargerThanTheImageDrawWhatStillHasArea) {
  TestCanvas canvas(20, 20, kWhite);
  Draw(canvas, NinePartImage(), RECT{0, 0, 20, 20}, RECT{}, RECT{4, 4, 4, 4});
  // The corners are 4 × 4 parts of the image; the edges and the centre of
  // the source have no area and are left out.
  EXPECT_EQ(canvas.Pixel(0, 0), kRed);
  EXPECT_EQ(canvas.Pixel(3, 3), kGrey);
  EXPECT_EQ(canvas.Pixel(10, 10), kWhite);
}

TEST(RenderTiling, HorizontalTilesRepeatAndTheLastIsCut) {
  const std::uint32_t a = kRed, b = kGreen, c = kBlue, d = kYellow;
  ImageEntry strip = MakeImage(4, 1, {a, b, c, d});
  TestCanvas canvas(9, 1, kWhite);
  Draw(canvas, strip, RECT{0, 0, 9, 1}, RECT{}, RECT{1, 0, 1, 0}, 255, false, true, false);
  const std::uint32_t expected[9] = {a, b, c, b, c, b, c, b, d};
  for (int x = 0; x < 9; ++x) EXPECT_EQ(canvas.Pixel(x, 0), expected[x]) << "x=" << x;
}

TEST(RenderTiling, VerticalTilesStretchAcrossTheWidth) {
  ImageEntry strip = MakeImage(1, 3, {kRed, kGreen, kBlue});
  TestCanvas canvas(4, 7, kWhite);
  Draw(canvas, strip, RECT{0, 0, 4, 7}, RECT{}, RECT{}, 255, false, false, true);
  const std::uint32_t expected[7] = {kRed, kGreen, kBlue, kRed, kGreen, kBlue, kRed};
  for (int y = 0; y < 7; ++y) {
    EXPECT_EQ(canvas.Pixel(0, y), expected[y]) << "y=" << y;
    EXPECT_EQ(canvas.Pixel(3, y), expected[y]) << "y=" << y;
  }
}

TEST(RenderTiling, GridTilesAreUnstretched) {
  ImageEntry tile = MakeImage(2, 2, {kRed, kGreen, kBlue, kYellow});
  TestCanvas canvas(5, 5, kWhite);
  Draw(canvas, tile, RECT{0, 0, 5, 5}, RECT{}, RECT{}, 255, false, true, true);
  EXPECT_EQ(canvas.Pixel(0, 0), kRed);
  EXPECT_EQ(canvas.Pixel(3, 0), kGreen);
  EXPECT_EQ(canvas.Pixel(2, 3), kBlue);
  EXPECT_EQ(canvas.Pixel(4, 4), kRed);
}

TEST(RenderTiling, HugeDestinationsDrawOnlyTheTilesInView) {
  ImageEntry strip = MakeImage(4, 1, {kRed, kGreen, kBlue, kYellow});
  TestCanvas canvas(4, 1, kWhite);
  Draw(canvas, strip, RECT{-3999999, 0, 4000000, 1}, RECT{}, RECT{1, 0, 1, 0}, 255, false, true, false,
       RECT{0, 0, 4, 1});
  // The centre's tiles start at -3999998, two pixels each.
  EXPECT_EQ(canvas.Pixel(0, 0), kGreen);
  EXPECT_EQ(canvas.Pixel(1, 0), kBlue);
  EXPECT_EQ(canvas.Pixel(2, 0), kGreen);
  // Beyond the drawable range nothing is drawn.
  Draw(canvas, strip, RECT{-2147483647, 0, 2147483647, 1}, RECT{}, RECT{1, 0, 1, 0}, 255, false, true, false,
       RECT{0, 0, 4, 1});
  EXPECT_EQ(canvas.Pixel(3, 0), kBlue);
}

TEST(RenderTiling, ZeroSizedTileDrawsNoCentre) {
  ImageEntry strip = MakeImage(4, 1, {kRed, kGreen, kBlue, kYellow});
  TestCanvas canvas(9, 1, kWhite);
  Draw(canvas, strip, RECT{0, 0, 9, 1}, RECT{}, RECT{2, 0, 2, 0}, 255, false, true, true);
  EXPECT_EQ(canvas.Pixel(4, 0), kWhite);
  EXPECT_EQ(canvas.Pixel(0, 0), kRed);
  EXPECT_EQ(canvas.Pixel(8, 0), kYellow);
}

TEST(RenderBlending, FadeAndTranslucentPixelsBlendOverTheBackground) {
  TestCanvas half(2, 2, kWhite);
  Draw(half, MakeSolidImage(2, 2, kRed), RECT{0, 0, 2, 2}, RECT{}, RECT{}, 128);
  // white × (1 - 128/255) + red × 128/255
  EXPECT_LE(ChannelDistance(half.Pixel(1, 1), 0xFFFF7F7F), 1);

  TestCanvas none(2, 2, kWhite);
  Draw(none, MakeSolidImage(2, 2, kRed), RECT{0, 0, 2, 2}, RECT{}, RECT{}, 0);
  EXPECT_EQ(none.Pixel(0, 0), kWhite);

  TestCanvas translucent(2, 2, kWhite);
  Draw(translucent, MakeSolidImage(2, 2, 0x80800000), RECT{0, 0, 2, 2}, RECT{}, RECT{});
  EXPECT_LE(ChannelDistance(translucent.Pixel(0, 0), 0xFFFF7F7F), 1);

  TestCanvas keyed(2, 1, kWhite);
  Draw(keyed, MakeImage(2, 1, {0, kBlue}), RECT{0, 0, 2, 1}, RECT{}, RECT{});
  EXPECT_EQ(keyed.Pixel(0, 0), kWhite);
  EXPECT_EQ(keyed.Pixel(1, 0), kBlue);
}

TEST(RenderSourceRect, ClampedToTheImageOnEverySide) {
  std::vector<std::uint32_t> pixels(256);
  for (int i = 0; i < 256; ++i) pixels[i] = 0xFF000000u | static_cast<std::uint32_t>(i * 0x010101 / 2);
  ImageEntry image = MakeSolidImage(16, 16, 0);
  image.SetPixels(std::move(pixels), false);
  for (RECT source : {RECT{0, 0, 20, 20}, RECT{-4, -4, 16, 16}, RECT{-1, 0, 99, 16}}) {
    TestCanvas canvas(16, 16, kWhite);
    Draw(canvas, image, RECT{0, 0, 16, 16}, source, RECT{});
    for (int p : {0, 7, 15}) EXPECT_EQ(canvas.Pixel(p, p), image.Pixels()[p * 16 + p]);
  }
  // A source that lies wholly outside draws nothing.
  TestCanvas outside(4, 4, kWhite);
  Draw(outside, image, RECT{0, 0, 4, 4}, RECT{20, 20, 30, 30}, RECT{});
  EXPECT_EQ(outside.ChangedBox(kWhite), RECT{});
}

TEST(RenderSourceRect, StretchPicksSourcePixels) {
  TestCanvas canvas(10, 1, kWhite);
  Draw(canvas, MakeImage(2, 1, {kRed, kBlue}), RECT{0, 0, 10, 1}, RECT{}, RECT{});
  EXPECT_EQ(canvas.Pixel(0, 0), kRed);
  EXPECT_EQ(canvas.Pixel(4, 0), kRed);
  EXPECT_EQ(canvas.Pixel(5, 0), kBlue);
  EXPECT_EQ(canvas.Pixel(9, 0), kBlue);
}

TEST(RenderImageEntry, ScalesTheWholeImageIntoTheDestination) {
  TestCanvas canvas(30, 30, 0);
  CCairoPaintSurfaceUI surface(canvas.dc());
  const ImageEntry image = MakeSolidImage(2, 2, 0xFF00FF00);
  surface.DrawImageEntry(image, RECT{5, 5, 25, 15}, ImageTurn{});
  EXPECT_EQ(canvas.ChangedBox(0), (RECT{5, 5, 25, 15}));
  EXPECT_EQ(canvas.Pixel(15, 10), 0xFF00FF00u);
  // Translucent pixels blend over what is there.
  TestCanvas white(10, 10, kWhite);
  CRenderer::DrawImageEntry(white.dc(), MakeSolidImage(1, 1, 0x80800000), RECT{0, 0, 10, 10}, ImageTurn{});
  EXPECT_LE(ChannelDistance(white.Pixel(5, 5), 0xFFFF7F7F), 1);
}

TEST(RenderImageEntry, TurnsAboutTheGivenCentre) {
  // A 40 × 10 bar turned by 90 degrees about its centre stands upright.
  TestCanvas canvas(60, 60, 0);
  const ImageEntry bar = MakeSolidImage(40, 10, 0xFFFF0000);
  CRenderer::DrawImageEntry(canvas.dc(), bar, RECT{10, 25, 50, 35}, ImageTurn{90, 30, 30});
  const RECT box = canvas.ChangedBox(0);
  EXPECT_NEAR(box.left, 25, 1);
  EXPECT_NEAR(box.right, 35, 1);
  EXPECT_NEAR(box.top, 10, 1);
  EXPECT_NEAR(box.bottom, 50, 1);
  EXPECT_EQ(canvas.Pixel(30, 15), 0xFFFF0000u);
  EXPECT_EQ(canvas.Pixel(45, 30), 0u);
  // Clockwise on screen: a marked top-left corner of a square goes to the
  // top-right after a quarter turn.
  TestCanvas turned(20, 20, 0);
  ImageEntry marked = MakeSolidImage(2, 2, 0xFF0000FF);
  marked.MutablePixels()[0] = 0xFFFF0000;
  CRenderer::DrawImageEntry(turned.dc(), marked, RECT{0, 0, 20, 20}, ImageTurn{90, 10, 10});
  EXPECT_GT((turned.Pixel(17, 2) >> 16) & 0xFF, 200u);
  EXPECT_LT((turned.Pixel(2, 2) >> 16) & 0xFF, 50u);
}

TEST(RenderImageEntry, NothingForEmptyImagesOrDestinations) {
  TestCanvas canvas(10, 10, 0);
  ImageEntry broken = MakeSolidImage(4, 4, 0xFFFFFFFF);
  broken.MutablePixels().resize(3);
  CRenderer::DrawImageEntry(canvas.dc(), broken, RECT{0, 0, 10, 10}, ImageTurn{});
  CRenderer::DrawImageEntry(canvas.dc(), ImageEntry{}, RECT{0, 0, 10, 10}, ImageTurn{});
  CRenderer::DrawImageEntry(canvas.dc(), MakeSolidImage(2, 2, 0xFFFFFFFF), RECT{5, 5, 5, 9}, ImageTurn{});
  CRenderer::DrawImageEntry(canvas.dc(), MakeSolidImage(2, 2, 0xFFFFFFFF), RECT{0, 0, 9, 9},
                            ImageTurn{std::nan(""), 0, 0});
  EXPECT_EQ(canvas.ChangedBox(0), RECT{});
}

class RenderSpecDrawing : public ::testing::Test {
 protected:
  CRenderEngineUI engine_;
  CScopedRenderServicesUI installed_{engine_.Services()};
  CWindowManagerUI manager_;
};

TEST_F(RenderSpecDrawing, ColourDescriptionBlendsOverTheControl) {
  TestCanvas canvas(10, 10, kWhite);
  ImageDrawSpec drawSpec;
  drawSpec.description = L"color='#80FF0000'";
  EXPECT_TRUE(CRenderer::DrawImage(canvas.dc(), &manager_, RECT{0, 0, 10, 10}, RECT{0, 0, 10, 10}, drawSpec));
  EXPECT_LE(ChannelDistance(canvas.Pixel(5, 5), 0xFFFF7F7F), 1);
}

TEST_F(RenderSpecDrawing, DestinationIsRelativeAndCutAtTheControl) {
  TestCanvas canvas(60, 20, kWhite);
  ImageDrawSpec drawSpec;
  drawSpec.description = L"color='#FFFF0000' dest='5,5,100,100'";
  EXPECT_TRUE(CRenderer::DrawImage(canvas.dc(), &manager_, RECT{0, 0, 50, 20}, RECT{0, 0, 60, 20}, drawSpec));
  EXPECT_EQ(canvas.ChangedBox(kWhite), (RECT{5, 5, 50, 20}));
}

TEST_F(RenderSpecDrawing, FailedLoadsAreRememberedAndNotRetried) {
  TestCanvas canvas(4, 4, kWhite);
  ImageDrawSpec drawSpec;
  drawSpec.description = L"file='no/such/image.png'";
  EXPECT_FALSE(CRenderer::DrawImage(canvas.dc(), &manager_, RECT{0, 0, 4, 4}, RECT{0, 0, 4, 4}, drawSpec));
  EXPECT_TRUE(drawSpec.loadAttempted);
  EXPECT_FALSE(CRenderer::DrawImage(canvas.dc(), &manager_, RECT{0, 0, 4, 4}, RECT{0, 0, 4, 4}, drawSpec));

  ImageDrawSpec empty;
  EXPECT_FALSE(CRenderer::DrawImage(canvas.dc(), &manager_, RECT{0, 0, 4, 4}, RECT{0, 0, 4, 4}, empty));
}

TEST_F(RenderSpecDrawing, WithoutTargetOnlyLoadsAndWithoutManagerDoesNothing) {
  ImageDrawSpec drawSpec;
  drawSpec.description = L"color='#FF00FF00'";
  EXPECT_TRUE(CRenderer::DrawImage(nullptr, &manager_, RECT{0, 0, 4, 4}, RECT{0, 0, 4, 4}, drawSpec));
  ASSERT_NE(drawSpec.image, nullptr);

  ImageDrawSpec untouched;
  untouched.description = L"color='#FF00FF00'";
  TestCanvas canvas(4, 4, kWhite);
  EXPECT_TRUE(CRenderer::DrawImage(canvas.dc(), nullptr, RECT{0, 0, 4, 4}, RECT{0, 0, 4, 4}, untouched));
  EXPECT_EQ(untouched.image, nullptr);
  EXPECT_FALSE(untouched.loadAttempted);
  EXPECT_EQ(canvas.Pixel(1, 1), kWhite);
}

}  // namespace
