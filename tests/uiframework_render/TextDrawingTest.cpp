// Plain text: alignment, ellipsis, word wrap and measuring, judged by the
// bounding box of the drawn pixels.
#include "tests/uiframework_render/TestCanvas.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/render/RenderEngine.h"
#include "uiframework/render/Renderer.h"
#include "uiframework/render/TextFormat.h"

#include <gtest/gtest.h>

#include <string>

using namespace SkinUI;

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr int kFont = 1;

class RenderTextDrawing : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(manager_.AddFont(kFont, kDefaultFontFace, 16, false, false, false, false), nullptr); }

  RECT InkOf(LPCWSTR text, RECT rect, UINT format, int canvasWidth = 300, int canvasHeight = 80) {
    TestCanvas canvas(canvasWidth, canvasHeight, kWhite);
    CRenderer::DrawText(canvas.dc(), &manager_, rect, text, 0xFF000000, kFont, format);
    return canvas.ChangedBox(kWhite);
  }

  RECT Measure(LPCWSTR text, RECT rect, UINT format) {
    CRenderer::DrawText(nullptr, &manager_, rect, text, 0xFF000000, kFont, format | kTextCalcRect);
    return rect;
  }

  CWindowManagerUI manager_;
};

TEST_F(RenderTextDrawing, SingleLineAlignment) {
  const RECT box{0, 0, 200, 40};
  const RECT left = InkOf(L"Hello", box, kTextSingleLine | kTextLeft | kTextVCenter);
  const RECT centre = InkOf(L"Hello", box, kTextSingleLine | kTextCenter | kTextVCenter);
  const RECT right = InkOf(L"Hello", box, kTextSingleLine | kTextRight | kTextBottom);
  ASSERT_FALSE(RectIsEmpty(left));
  EXPECT_LE(left.left, 3);
  EXPECT_NEAR((centre.left + centre.right) / 2.0, 100, 4);
  EXPECT_GE(right.right, 195);
  EXPECT_LE(right.right, 200);
  EXPECT_NEAR((left.top + left.bottom) / 2.0, 20, 5);
  EXPECT_GT(right.top, left.top);
  // All three are the same drawing, moved.
  EXPECT_EQ(centre.right - centre.left, left.right - left.left);
  EXPECT_EQ(right.right - right.left, left.right - left.left);
}

TEST_F(RenderTextDrawing, MeasuringDrawsNothingAndBoundsTheInk) {
  TestCanvas canvas(300, 80, kWhite);
  RECT rect{10, 10, 290, 70};
  CRenderer::DrawText(canvas.dc(), &manager_, rect, L"Measure me", 0xFF000000, kFont, kTextSingleLine | kTextCalcRect);
  EXPECT_EQ(canvas.ChangedBox(kWhite), RECT{});
  const RECT ink = InkOf(L"Measure me", RECT{10, 10, 290, 70}, kTextSingleLine);
  EXPECT_LE(ink.right, rect.right + 1);
  EXPECT_GE(rect.right - rect.left, 50);
  EXPECT_GE(rect.bottom - rect.top, 14);
  EXPECT_LE(rect.bottom - rect.top, 30);
}

TEST_F(RenderTextDrawing, EllipsisAndClipKeepLongTextInside) {
  LPCWSTR text = L"abcdefghijklmnopqrstuvwxyz0123456789";
  const RECT narrow{0, 0, 60, 30};
  const RECT unclipped = InkOf(text, narrow, kTextSingleLine | kTextNoClip);
  EXPECT_GT(unclipped.right, 100);
  const RECT ellipsis = InkOf(text, narrow, kTextSingleLine | kTextEndEllipsis);
  EXPECT_LE(ellipsis.right, 60);
  EXPECT_GE(ellipsis.right, 40);
  const RECT measured = Measure(text, narrow, kTextSingleLine | kTextEndEllipsis);
  EXPECT_LE(measured.right, 60);
  const RECT clipped = InkOf(text, narrow, kTextSingleLine);
  EXPECT_LE(clipped.right, 60);
}

TEST_F(RenderTextDrawing, WordBreakWrapsIntoMoreLines) {
  LPCWSTR text = L"one two three four five six seven";
  const RECT oneLine = Measure(text, RECT{0, 0, 1000, 200}, kTextWordBreak);
  const RECT wrapped = Measure(text, RECT{0, 0, 80, 200}, kTextWordBreak);
  EXPECT_LE(wrapped.right, 80);
  EXPECT_GE(wrapped.bottom - wrapped.top, 3 * (oneLine.bottom - oneLine.top));
  // Explicit line breaks count without word break too.
  const RECT twoLines = Measure(L"a\nb", RECT{0, 0, 1000, 200}, 0);
  EXPECT_GE(twoLines.bottom - twoLines.top, 2 * (oneLine.bottom - oneLine.top) - 1);
}

// The window keeps one layout per text, font, shaping format and box: the
// same text drawn again (or measured) adds none, and what it draws stays
// the same; another text, box or font adds one.
TEST_F(RenderTextDrawing, DrawnTextsKeepTheirLayoutsPerWindow) {
  CTextLayoutCacheUI& cache = manager_.TextLayouts();
  const RECT first = InkOf(L"Kept layout", RECT{0, 0, 200, 40}, kTextSingleLine | kTextVCenter);
  EXPECT_EQ(cache.GetSize(), 1u);
  EXPECT_EQ(InkOf(L"Kept layout", RECT{0, 0, 200, 40}, kTextSingleLine | kTextVCenter), first);
  // Placing bits (vertical centre, bottom) and an unbounded box's size do
  // not shape the text.
  InkOf(L"Kept layout", RECT{0, 0, 250, 60}, kTextSingleLine | kTextBottom);
  Measure(L"Kept layout", RECT{0, 0, 9999, 40}, kTextSingleLine);
  EXPECT_EQ(cache.GetSize(), 1u);
  InkOf(L"Another text", RECT{0, 0, 200, 40}, kTextSingleLine);
  InkOf(L"Kept layout", RECT{0, 0, 200, 40}, kTextSingleLine | kTextCenter);
  InkOf(L"Kept layout kept layout", RECT{0, 0, 60, 80}, kTextWordBreak);
  InkOf(L"Kept layout kept layout", RECT{0, 0, 90, 80}, kTextWordBreak);
  EXPECT_EQ(cache.GetSize(), 5u);
  // A wrapped text drawn in a narrower box wraps again.
  EXPECT_GT(Measure(L"Kept layout kept layout", RECT{0, 0, 60, 80}, kTextWordBreak).bottom,
            Measure(L"Kept layout kept layout", RECT{0, 0, 1000, 80}, kTextWordBreak).bottom);
  // A new font of the same id is a new layout; the old one is not used.
  ASSERT_NE(manager_.AddFont(kFont, kDefaultFontFace, 30, false, false, false, false), nullptr);
  EXPECT_GT(Measure(L"Kept layout", RECT{0, 0, 9999, 80}, kTextSingleLine).bottom, first.bottom);
}

TEST_F(RenderTextDrawing, TheLayoutStoreIsBounded) {
  CTextLayoutCacheUI& cache = manager_.TextLayouts();
  for (size_t i = 0; i < CTextLayoutCacheUI::kMaxEntries + 20; ++i)
    Measure(std::to_wstring(i).c_str(), RECT{0, 0, 9999, 40}, kTextSingleLine);
  EXPECT_EQ(cache.GetSize(), CTextLayoutCacheUI::kMaxEntries);
  // Texts too long to keep are laid out for their call only.
  const std::wstring longText(CTextLayoutCacheUI::kMaxTextLength + 1, L'x');
  cache.Clear();
  EXPECT_GT(Measure(longText.c_str(), RECT{0, 0, 9999, 40}, kTextSingleLine).right, 1000);
  EXPECT_EQ(cache.GetSize(), 0u);
}

}  // namespace

// The installed text measurer sizes text without any drawing target, as
// controls do before their first paint, and agrees with drawing.
TEST_F(RenderTextDrawing, TheInstalledMeasurerSizesTextWithoutASurface) {
  EXPECT_EQ(MeasureText(&manager_, L"before", kFont, kTextSingleLine, SIZE{9999, 40}), (SIZE{0, 0}));
  CRenderEngineUI engine;
  CScopedRenderServicesUI installed(engine.Services());
  const SIZE one = MeasureText(&manager_, L"Measure me", kFont, kTextSingleLine, SIZE{9999, 40});
  const RECT drawn = Measure(L"Measure me", RECT{0, 0, 9999, 40}, kTextSingleLine);
  EXPECT_EQ(one, (SIZE{drawn.right, drawn.bottom}));
  EXPECT_GT(MeasureText(&manager_, L"Measure me too", kFont, kTextSingleLine, SIZE{9999, 40}).cx, one.cx);
  // Wrapped within a narrow box: narrower and taller.
  const SIZE wrapped = MeasureText(&manager_, L"one two three four five", kFont, kTextWordBreak, SIZE{60, 400});
  EXPECT_LE(wrapped.cx, 60);
  EXPECT_GE(wrapped.cy, 3 * one.cy);
  // Formatted text: the pen moved by 20 pixels widens it by 20.
  const SIZE plain = MeasureHtmlText(&manager_, L"Measure me", kFont, kTextSingleLine, SIZE{9999, 40});
  const SIZE moved = MeasureHtmlText(&manager_, L"<x 20>Measure me", kFont, kTextSingleLine, SIZE{9999, 40});
  EXPECT_GT(plain.cx, 40);
  EXPECT_EQ(moved.cx, plain.cx + 20);
  EXPECT_EQ(MeasureText(&manager_, L"", kFont, kTextSingleLine, SIZE{9999, 40}), (SIZE{0, 0}));
  EXPECT_EQ(MeasureText(nullptr, L"x", kFont, kTextSingleLine, SIZE{9999, 40}), (SIZE{0, 0}));
}
