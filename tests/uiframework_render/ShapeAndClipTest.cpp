// Fills, gradients, pens and clipping through the control tree's paint
// surface, checked pixel by pixel.
#include "tests/uiframework_render/TestCanvas.h"
#include "uiframework/render/CairoPaintSurface.h"
#include "uiframework/render/PenStyle.h"
#include "uiframework/render/Renderer.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace SkinUI;

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFF;

TEST(RenderFills, ColourFillsExactlyTheRectangleAndSkipsInvisibleColours) {
  TestCanvas canvas(10, 10, kWhite);
  CCairoPaintSurfaceUI surface(canvas.dc());
  surface.DrawColor(RECT{2, 3, 7, 9}, 0xFF00FF00);
  EXPECT_EQ(canvas.ChangedBox(kWhite), (RECT{2, 3, 7, 9}));
  EXPECT_EQ(canvas.Pixel(2, 3), 0xFF00FF00u);
  surface.DrawColor(RECT{0, 0, 10, 10}, 0x00FF0000);
  EXPECT_EQ(canvas.Pixel(0, 0), kWhite);
  surface.DrawColor(RECT{0, 0, 1, 1}, 0x800000FF);
  EXPECT_LE(ChannelDistance(canvas.Pixel(0, 0), 0xFF7F7FFF), 1);
}

TEST(RenderFills, GradientsRunFromEdgeToEdge) {
  TestCanvas vertical(1, 100, kWhite);
  CRenderer::DrawGradient(vertical.dc(), RECT{0, 0, 1, 100}, 0xFF0000FF, 0xFFFF0000, true, 16);
  for (int y : {0, 25, 50, 99}) {
    const int red = static_cast<int>(std::lround(255.0 * (y + 0.5) / 100));
    const std::uint32_t expected = 0xFF000000u | (static_cast<std::uint32_t>(red) << 16) |
                                   static_cast<std::uint32_t>(255 - red);
    EXPECT_LE(ChannelDistance(vertical.Pixel(0, y), expected), 3) << "y=" << y;
  }
  TestCanvas horizontal(100, 1, kWhite);
  CRenderer::DrawGradient(horizontal.dc(), RECT{0, 0, 100, 1}, 0xFFFFFFFF, 0xFF00FF00, false, 8);
  EXPECT_LE(ChannelDistance(horizontal.Pixel(0, 0), 0xFFFFFFFF), 3);
  EXPECT_LE(ChannelDistance(horizontal.Pixel(99, 0), 0xFF00FF00), 3);

  // Opacity is the average of the two alphas.
  TestCanvas faded(4, 4, kWhite);
  CRenderer::DrawGradient(faded.dc(), RECT{0, 0, 4, 4}, 0x00FF0000, 0xFEFF0000, true, 8);
  EXPECT_LE(ChannelDistance(faded.Pixel(2, 2), 0xFFFF8080), 1);
  TestCanvas invisible(4, 4, kWhite);
  CRenderer::DrawGradient(invisible.dc(), RECT{0, 0, 4, 4}, 0x00FF0000, 0x01FF0000, true, 8);
  EXPECT_EQ(invisible.ChangedBox(kWhite), RECT{});
}

TEST(RenderPens, LinesCoverWholePixelColumnsAndRows) {
  TestCanvas canvas(20, 20, kWhite);
  CCairoPaintSurfaceUI surface(canvas.dc());
  surface.DrawLine(RECT{5, 0, 5, 10}, 1, 0xFF0000FF, kPenSolid);
  EXPECT_EQ(canvas.ChangedBox(kWhite), (RECT{5, 0, 6, 10}));
  TestCanvas wide(20, 20, kWhite);
  CRenderer::DrawLine(wide.dc(), RECT{0, 5, 20, 5}, 2, 0xFF0000FF, kPenSolid);
  EXPECT_EQ(wide.ChangedBox(kWhite), (RECT{0, 4, 20, 6}));
  // Pure black is drawn as 0xFF000001; the null pen draws nothing.
  EXPECT_EQ(wide.Pixel(3, 4), 0xFF0000FFu);
  CRenderer::DrawLine(wide.dc(), RECT{0, 10, 20, 10}, 1, 0xFF000000, kPenSolid);
  EXPECT_EQ(wide.Pixel(3, 10), 0xFF000001u);
  CRenderer::DrawLine(wide.dc(), RECT{0, 15, 20, 15}, 1, 0xFF00FF00, kPenNull);
  EXPECT_EQ(wide.Pixel(3, 15), kWhite);
}

TEST(RenderPens, SmoothLinesAreRoundCappedAntiAliasedAndTranslucent) {
  TestCanvas canvas(40, 20, 0);
  CCairoPaintSurfaceUI surface(canvas.dc());
  surface.DrawSmoothLine(10, 10, 30, 10, 6, 0xFFFF0000);
  // Round caps reach half the width past both ends.
  EXPECT_EQ(canvas.ChangedBox(0), (RECT{7, 7, 33, 13}));
  EXPECT_EQ(canvas.Pixel(20, 10), 0xFFFF0000u);
  // The cap's rounded corner is only partly covered.
  const std::uint32_t corner = canvas.Pixel(7, 7);
  EXPECT_LT(corner >> 24, 128u);
  // A slanted line has anti-aliased edges.
  TestCanvas slanted(40, 40, 0);
  CRenderer::DrawSmoothLine(slanted.dc(), 5, 5, 35, 30, 3, 0xFF0000FF);
  int partial = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) {
      const std::uint32_t alpha = slanted.Pixel(x, y) >> 24;
      if (alpha > 0 && alpha < 255) ++partial;
    }
  EXPECT_GT(partial, 20);
  // The colour's alpha blends: half-transparent red over white.
  TestCanvas white(20, 20, kWhite);
  CRenderer::DrawSmoothLine(white.dc(), 2, 10, 18, 10, 4, 0x80FF0000);
  EXPECT_LE(ChannelDistance(white.Pixel(10, 10), 0xFFFF7F7F), 1);
}

TEST(RenderPens, ASmoothLineOfNoLengthIsARoundDot) {
  TestCanvas canvas(20, 20, 0);
  CRenderer::DrawSmoothLine(canvas.dc(), 10, 10, 10, 10, 4, 0xFF00FF00);
  EXPECT_EQ(canvas.ChangedBox(0), (RECT{8, 8, 12, 12}));
  EXPECT_EQ(canvas.Pixel(10, 10), 0xFF00FF00u);
  EXPECT_LT(canvas.Pixel(8, 8) >> 24, 255u);
  // Invisible colours, no width, or coordinates that are not numbers draw nothing.
  TestCanvas blank(20, 20, 0);
  CRenderer::DrawSmoothLine(blank.dc(), 2, 2, 18, 18, 4, 0x00FF0000);
  CRenderer::DrawSmoothLine(blank.dc(), 2, 2, 18, 18, 0, 0xFFFF0000);
  CRenderer::DrawSmoothLine(blank.dc(), std::nan(""), 2, 18, 18, 4, 0xFFFF0000);
  CRenderer::DrawSmoothLine(blank.dc(), 2, 2, 1e30, 18, 4, 0xFFFF0000);
  EXPECT_EQ(blank.ChangedBox(0), RECT{});
}

TEST(RenderPens, FramesLieInsideTheRectangle) {
  TestCanvas thin(20, 20, kWhite);
  CRenderer::DrawRect(thin.dc(), RECT{2, 2, 12, 12}, 1, 0xFFFF0000, kPenSolid);
  EXPECT_EQ(thin.ChangedBox(kWhite), (RECT{2, 2, 12, 12}));
  EXPECT_EQ(thin.Pixel(2, 2), 0xFFFF0000u);
  EXPECT_EQ(thin.Pixel(11, 7), 0xFFFF0000u);
  EXPECT_EQ(thin.Pixel(3, 3), kWhite);

  TestCanvas thick(20, 20, kWhite);
  CRenderer::DrawRect(thick.dc(), RECT{0, 0, 20, 20}, 3, 0xFFFF0000, kPenSolid);
  EXPECT_EQ(thick.Pixel(2, 10), 0xFFFF0000u);
  EXPECT_EQ(thick.Pixel(3, 10), kWhite);
  EXPECT_EQ(thick.Pixel(17, 10), 0xFFFF0000u);
  EXPECT_EQ(thick.Pixel(16, 10), kWhite);

  TestCanvas dashed(60, 10, kWhite);
  CRenderer::DrawRect(dashed.dc(), RECT{0, 0, 60, 10}, 1, 0xFFFF0000, kPenDash);
  int drawn = 0;
  for (int x = 0; x < 60; ++x) drawn += dashed.Pixel(x, 0) != kWhite;
  EXPECT_GT(drawn, 20);
  EXPECT_LT(drawn, 60);
}

TEST(RenderPens, RoundFramesCutTheirCorners) {
  TestCanvas canvas(20, 20, kWhite);
  CRenderer::DrawRoundRect(canvas.dc(), RECT{0, 0, 20, 20}, 1, 10, 10, 0xFFFF0000, kPenSolid);
  EXPECT_EQ(canvas.Pixel(0, 0), kWhite);
  EXPECT_EQ(canvas.Pixel(10, 0), 0xFFFF0000u);
  EXPECT_EQ(canvas.Pixel(0, 10), 0xFFFF0000u);
  EXPECT_EQ(canvas.Pixel(10, 10), kWhite);
}

TEST(RenderClipping, PushedClipsNestAndPopInOrder) {
  TestCanvas canvas(20, 20, kWhite);
  {
    CCairoPaintSurfaceUI surface(canvas.dc());
    surface.PushClip(RECT{0, 0, 10, 10});
    surface.PushClip(RECT{5, 5, 20, 20});
    surface.DrawColor(RECT{0, 0, 20, 20}, 0xFFFF0000);
    EXPECT_EQ(canvas.ChangedBox(kWhite), (RECT{5, 5, 10, 10}));
    surface.PopClip();
    surface.DrawColor(RECT{0, 0, 20, 20}, 0xFF00FF00);
    EXPECT_EQ(canvas.ChangedBox(kWhite), (RECT{0, 0, 10, 10}));
    // One more pop than pushes does nothing; the surface releases the
    // clips it still holds when it goes.
    surface.PushClip(RECT{0, 0, 1, 1});
  }
  CRenderer::DrawColor(canvas.dc(), RECT{0, 0, 20, 20}, 0xFF0000FF);
  EXPECT_EQ(canvas.Pixel(19, 19), 0xFF0000FFu);
}

TEST(RenderClipping, RoundClipCutsTheCornersOfTheItem) {
  TestCanvas canvas(40, 40, kWhite);
  CCairoPaintSurfaceUI surface(canvas.dc());
  surface.PushRoundClip(RECT{0, 0, 40, 40}, RECT{0, 0, 40, 40}, 20, 20);
  surface.DrawColor(RECT{0, 0, 40, 40}, 0xFFFF0000);
  surface.PopClip();
  EXPECT_EQ(canvas.Pixel(0, 0), kWhite);
  EXPECT_EQ(canvas.Pixel(1, 1), kWhite);
  EXPECT_EQ(canvas.Pixel(39, 39), kWhite);
  EXPECT_EQ(canvas.Pixel(20, 0), 0xFFFF0000u);
  EXPECT_EQ(canvas.Pixel(20, 20), 0xFFFF0000u);
  EXPECT_EQ(canvas.Pixel(0, 20), 0xFFFF0000u);
  EXPECT_EQ(canvas.Pixel(5, 5), 0xFFFF0000u);
}

TEST(RenderClipping, ClipObjectSwitchesBetweenOuterAndInner) {
  TestCanvas canvas(10, 10, kWhite);
  CRenderClip clip;
  CRenderer::GenerateClip(canvas.dc(), RECT{0, 0, 5, 5}, clip);
  clip.UseOuterClip();
  CRenderer::DrawColor(canvas.dc(), RECT{0, 0, 10, 10}, 0xFF00FF00);
  EXPECT_EQ(canvas.Pixel(9, 9), 0xFF00FF00u);
  clip.UseInnerClip();
  CRenderer::DrawColor(canvas.dc(), RECT{0, 0, 10, 10}, 0xFFFF0000);
  EXPECT_EQ(canvas.Pixel(4, 4), 0xFFFF0000u);
  EXPECT_EQ(canvas.Pixel(9, 9), 0xFF00FF00u);
  clip.Release();
  CRenderer::DrawColor(canvas.dc(), RECT{0, 0, 10, 10}, 0xFF0000FF);
  EXPECT_EQ(canvas.Pixel(9, 9), 0xFF0000FFu);
}

}  // namespace
