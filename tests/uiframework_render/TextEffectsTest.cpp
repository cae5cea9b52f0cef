// Text with drawn effects through the paint surface: gradient fill,
// stroke, shadow and glow, judged by the pixels they leave on a
// transparent canvas.
#include "tests/uiframework_render/TestCanvas.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/render/CairoPaintSurface.h"
#include "uiframework/render/TextFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace SkinUI;

namespace {

constexpr int kFont = 1;
constexpr UINT kCentred = kTextSingleLine | kTextCenter | kTextVCenter;
constexpr DWORD kRed = 0xFFFF0000;
constexpr DWORD kBlue = 0xFF0000FF;
constexpr DWORD kGreen = 0xFF00FF00;

int Red(std::uint32_t pixel) { return (pixel >> 16) & 0xFF; }
int Green(std::uint32_t pixel) { return (pixel >> 8) & 0xFF; }
int Blue(std::uint32_t pixel) { return pixel & 0xFF; }
int Alpha(std::uint32_t pixel) { return pixel >> 24; }

class RenderTextEffects : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(manager_.AddFont(kFont, kDefaultFontFace, 32, true, false, false, false), nullptr); }

  TextEffects Plain(DWORD color) {
    TextEffects effects;
    effects.textColor = color;
    return effects;
  }

  // Draws "HIH" centred in box on a transparent canvas of 200 × 80.
  void Draw(TestCanvas& canvas, const TextEffects& effects, RECT box = RECT{20, 10, 180, 70}) {
    CCairoPaintSurfaceUI surface(canvas.dc());
    surface.DrawTextEffects(&manager_, box, L"HIH", kFont, kCentred, effects);
  }

  RECT InkOf(const TextEffects& effects) {
    TestCanvas canvas(200, 80, 0);
    Draw(canvas, effects);
    return canvas.ChangedBox(0);
  }

  // Every pixel of the canvas, for comparing two drawings.
  static std::vector<std::uint32_t> Pixels(TestCanvas& canvas) {
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < canvas.height(); ++y)
      for (int x = 0; x < canvas.width(); ++x) pixels.push_back(canvas.Pixel(x, y));
    return pixels;
  }

  CWindowManagerUI manager_;
};

TEST_F(RenderTextEffects, PlainTextIsFilledWithTheTextColourInsideItsBox) {
  TestCanvas canvas(200, 80, 0);
  Draw(canvas, Plain(kRed));
  const RECT ink = canvas.ChangedBox(0);
  ASSERT_FALSE(RectIsEmpty(ink));
  EXPECT_GE(ink.left, 20);
  EXPECT_LE(ink.right, 180);
  EXPECT_NEAR((ink.left + ink.right) / 2.0, 100, 3);
  EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 40, 4);
  bool opaqueRed = false;
  for (int y = ink.top; y < ink.bottom; ++y)
    for (int x = ink.left; x < ink.right; ++x) {
      const std::uint32_t p = canvas.Pixel(x, y);
      EXPECT_EQ(Green(p) + Blue(p), 0);
      opaqueRed = opaqueRed || p == kRed;
    }
  EXPECT_TRUE(opaqueRed);
}

TEST_F(RenderTextEffects, TheGradientRunsDownFromTheTextColourToTheSecondColour) {
  // A box at the top of the target, its height the gradient's length: the
  // top of the text leans to the first colour, its foot to the second.
  TextEffects effects = Plain(kRed);
  effects.textColor2 = kBlue;
  TestCanvas canvas(200, 80, 0);
  Draw(canvas, effects, RECT{20, 0, 180, 80});
  const RECT ink = canvas.ChangedBox(0);
  ASSERT_FALSE(RectIsEmpty(ink));
  auto strongest = [&](int y) {
    std::uint32_t best = 0;
    for (int x = ink.left; x < ink.right; ++x)
      if (Alpha(canvas.Pixel(x, y)) > Alpha(best)) best = canvas.Pixel(x, y);
    return best;
  };
  const std::uint32_t top = strongest(ink.top + 1);
  const std::uint32_t foot = strongest(ink.bottom - 2);
  EXPECT_GT(Red(top), Blue(top));
  EXPECT_GT(Blue(foot), Red(foot));

  // A second colour of 0xFFFFFFFF means the first colour again.
  effects.textColor2 = 0xFFFFFFFF;
  TestCanvas single(200, 80, 0);
  Draw(single, effects, RECT{20, 0, 180, 80});
  for (int y = ink.top; y < ink.bottom; ++y)
    for (int x = ink.left; x < ink.right; ++x) EXPECT_EQ(Blue(single.Pixel(x, y)), 0);
}

TEST_F(RenderTextEffects, TheStrokeOutlinesTheTextByOnePixel) {
  const RECT plain = InkOf(Plain(kRed));
  TextEffects effects = Plain(kRed);
  effects.stroke = true;
  effects.strokeColor = kGreen;
  TestCanvas canvas(200, 80, 0);
  Draw(canvas, effects);
  const RECT stroked = canvas.ChangedBox(0);
  EXPECT_EQ(stroked, (RECT{plain.left - 1, plain.top - 1, plain.right + 1, plain.bottom + 1}));
  EXPECT_EQ(canvas.Pixel(stroked.left, (plain.top + plain.bottom) / 2) & 0x00FFFFFF,
            canvas.Pixel(stroked.left, (plain.top + plain.bottom) / 2) & 0x0000FF00);
  // No stroke colour, no stroke.
  effects.strokeColor = 0;
  EXPECT_EQ(InkOf(effects), plain);
}

TEST_F(RenderTextEffects, TheShadowLiesAtTheOffsetUnderTheText) {
  const RECT plain = InkOf(Plain(kRed));
  TextEffects effects = Plain(kRed);
  effects.shadow = true;
  effects.shadowColorA = effects.shadowColorB = kBlue;
  effects.shadowOffsetX = 4;
  effects.shadowOffsetY = 3;
  TestCanvas canvas(200, 80, 0);
  Draw(canvas, effects);
  const RECT shadowed = canvas.ChangedBox(0);
  EXPECT_EQ(shadowed, (RECT{plain.left, plain.top, plain.right + 4, plain.bottom + 3}));
  int shadowOnly = 0;
  for (int y = shadowed.top; y < shadowed.bottom; ++y)
    for (int x = shadowed.left; x < shadowed.right; ++x)
      if (Blue(canvas.Pixel(x, y)) > 0 && Red(canvas.Pixel(x, y)) == 0) ++shadowOnly;
  EXPECT_GT(shadowOnly, 20);
  // Both shadow colours zero: no shadow.
  effects.shadowColorA = effects.shadowColorB = 0;
  EXPECT_EQ(InkOf(effects), plain);
}

TEST_F(RenderTextEffects, TheGlowSpreadsATranslucentBlurAroundTheText) {
  const RECT plain = InkOf(Plain(kRed));
  TextEffects effects = Plain(kRed);
  effects.glow = true;
  effects.fuzziness = 4.0f;
  TestCanvas canvas(200, 80, 0);
  Draw(canvas, effects);
  const RECT glowing = canvas.ChangedBox(0);
  EXPECT_LT(glowing.left, plain.left);
  EXPECT_GT(glowing.bottom, plain.bottom);
  const std::uint32_t outside = canvas.Pixel(plain.left - 1, (plain.top + plain.bottom) / 2);
  EXPECT_GT(Alpha(outside), 0);
  EXPECT_LT(Alpha(outside), 255);
  EXPECT_EQ(Green(outside) + Blue(outside), 0);
  // The blur stays inside the text box.
  EXPECT_GE(glowing.left, 20);
  EXPECT_LE(glowing.right, 180);
}

TEST_F(RenderTextEffects, FuzzinessBelowOneCountsAsOne) {
  TextEffects effects = Plain(kRed);
  effects.glow = true;
  effects.fuzziness = 1.0f;
  TestCanvas one(200, 80, 0);
  Draw(one, effects);
  for (float fuzziness : {0.0f, 0.2f, -3.0f, std::numeric_limits<float>::quiet_NaN()}) {
    effects.fuzziness = fuzziness;
    TestCanvas other(200, 80, 0);
    Draw(other, effects);
    EXPECT_EQ(Pixels(other), Pixels(one)) << fuzziness;
  }
  // A huge fuzziness shrinks the glow to one pixel and still draws.
  effects.fuzziness = 1e30f;
  EXPECT_FALSE(RectIsEmpty(InkOf(effects)));
}

TEST_F(RenderTextEffects, EmptyAndAbsurdBoxesAreSafe) {
  TextEffects all = Plain(kRed);
  all.glow = all.stroke = all.shadow = true;
  all.strokeColor = kGreen;
  all.shadowOffsetX = 2;
  for (const RECT& box : {RECT{50, 50, 50, 90}, RECT{50, 50, 90, 50}, RECT{90, 50, 50, 60}}) {
    TestCanvas canvas(200, 80, 0);
    Draw(canvas, all, box);
    EXPECT_EQ(canvas.ChangedBox(0), RECT{});
  }
  // A box far larger than any glow bitmap: the text is drawn, the glow
  // left out, nothing of that size allocated.
  TestCanvas canvas(200, 80, 0);
  Draw(canvas, all, RECT{-15000, -15000, 15200, 15080});
  EXPECT_FALSE(RectIsEmpty(canvas.ChangedBox(0)));
  // No text, no manager: nothing.
  TestCanvas blank(20, 20, 0);
  CCairoPaintSurfaceUI blankSurface(blank.dc());
  blankSurface.DrawTextEffects(&manager_, RECT{0, 0, 20, 20}, L"", kFont, kCentred, all);
  blankSurface.DrawTextEffects(nullptr, RECT{0, 0, 20, 20}, L"x", kFont, kCentred, all);
  blankSurface.DrawTextEffects(&manager_, RECT{0, 0, 20, 20}, nullptr, kFont, kCentred, all);
  EXPECT_EQ(blank.ChangedBox(0), RECT{});
}

TEST_F(RenderTextEffects, MultiLineTextWrapsWithinTheBox) {
  TestCanvas canvas(200, 120, 0);
  CCairoPaintSurfaceUI surface(canvas.dc());
  surface.DrawTextEffects(&manager_, RECT{10, 0, 110, 120}, L"HI HI HI", kFont, kTextCenter, Plain(kRed));
  const RECT ink = canvas.ChangedBox(0);
  EXPECT_GE(ink.left, 10);
  EXPECT_LE(ink.right, 110);
  EXPECT_GT(ink.bottom - ink.top, 60);  // more than one line of 32-pixel text
}

}  // namespace
