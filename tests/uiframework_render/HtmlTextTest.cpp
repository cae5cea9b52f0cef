// Lightly formatted text: the tag scanner and the laid-out drawing.
#include "tests/uiframework_render/TestCanvas.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/render/HtmlTextScanner.h"
#include "uiframework/render/RenderEngine.h"
#include "uiframework/render/Renderer.h"
#include "uiframework/render/TextFormat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace SkinUI;

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFF;

std::vector<std::wstring> Scan(LPCWSTR text) {
  CHtmlTextScanner scanner(text, static_cast<int>(std::wcslen(text)));
  std::vector<std::wstring> out;
  HtmlToken token;
  const std::wstring all(text);
  while (scanner.Next(token)) {
    const std::wstring part = all.substr(static_cast<size_t>(token.start), static_cast<size_t>(token.length));
    switch (token.kind) {
      case HtmlTokenKind::Run: out.push_back(L"run:" + part); break;
      case HtmlTokenKind::LineBreak: out.push_back(L"br"); break;
      case HtmlTokenKind::OpenTag: out.push_back(std::wstring(L"open:") + token.letter + L":" + part); break;
      case HtmlTokenKind::CloseTag: out.push_back(std::wstring(L"close:") + token.letter); break;
      case HtmlTokenKind::Literal: out.push_back(std::wstring(L"lit:") + token.letter); break;
    }
  }
  return out;
}

using Tokens = std::vector<std::wstring>;

TEST(RenderHtmlTextScanner, RunsTagsAndLiterals) {
  EXPECT_EQ(Scan(L"a <b>bold</b>{c #FF0000}x{/c}"),
            (Tokens{L"run:a ", L"open:b:", L"run:bold", L"close:b", L"open:c:#FF0000", L"run:x", L"close:c"}));
  EXPECT_EQ(Scan(L"1<{>2{>}3\r\n4"), (Tokens{L"run:1", L"lit:{", L"run:2", L"lit:>", L"run:3", L"br", L"run:4"}));
  EXPECT_EQ(Scan(L"<a  http://x/>go</a>"), (Tokens{L"open:a:http://x/", L"run:go", L"close:a"}));
}

TEST(RenderHtmlTextScanner, WhatIsNotATagIsText) {
  EXPECT_EQ(Scan(L"x<B>y"), (Tokens{L"run:x", L"run:<B>y"}));
  EXPECT_EQ(Scan(L"<1>"), (Tokens{L"run:<1>"}));
  EXPECT_EQ(Scan(L"a{"), (Tokens{L"run:a", L"run:{"}));
}

TEST(RenderHtmlTextScanner, ScansStopAtTheEndOfTheText) {
  EXPECT_EQ(Scan(L"<b"), (Tokens{L"run:<b"}));
  EXPECT_EQ(Scan(L"<c #FF"), (Tokens{L"open:c:#FF"}));
  EXPECT_EQ(Scan(L"</"), (Tokens{L"run:</"}));
  EXPECT_EQ(Scan(L"x</b"), (Tokens{L"run:x", L"close:b"}));
  // The length is honoured even when the text goes on.
  CHtmlTextScanner cut(L"abc<b>def", 4);
  HtmlToken token;
  ASSERT_TRUE(cut.Next(token));
  EXPECT_EQ(token.length, 3);
  ASSERT_TRUE(cut.Next(token));
  EXPECT_EQ(token.length, 1);
  EXPECT_FALSE(cut.Next(token));
}

TEST(RenderHtmlTextScanner, RawTextRunsToItsClosingTag) {
  EXPECT_EQ(Scan(L"<r><b>{x}</r>y"), (Tokens{L"open:r:", L"run:<b>{x}", L"close:r", L"run:y"}));
  EXPECT_EQ(Scan(L"{r}<b"), (Tokens{L"open:r:", L"run:<b"}));
}

class RenderHtmlText : public ::testing::Test {
 protected:
  CRenderEngineUI engine_;
  CScopedRenderServicesUI installed_{engine_.Services()};

  void SetUp() override {
    ASSERT_NE(manager_.AddFont(kFont, kDefaultFontFace, 16, false, false, false, false), nullptr);
  }

  struct Drawn {
    std::vector<std::uint32_t> pixels;
    RECT ink;
    int links = 0;
    RECT linkRects[4];
    CUIString linkTexts[4];
  };

  Drawn Draw(LPCWSTR text, RECT rect, UINT format, int capacity = 4, POINT hover = POINT{-1, -1},
             const Drawn* previous = nullptr) {
    TestCanvas canvas(300, 100, kWhite);
    Drawn out;
    if (previous != nullptr) {
      for (int i = 0; i < 4; ++i) {
        out.linkRects[i] = previous->linkRects[i];
        out.linkTexts[i] = previous->linkTexts[i];
      }
    }
    out.links = capacity;
    CRenderer::DrawHtmlText(canvas.dc(), &manager_, rect, text, 0xFF000000, out.linkRects, out.linkTexts, out.links,
                            kFont, format, hover);
    out.ink = canvas.ChangedBox(kWhite);
    for (int y = 0; y < canvas.height(); ++y)
      for (int x = 0; x < canvas.width(); ++x) out.pixels.push_back(canvas.Pixel(x, y));
    return out;
  }

  RECT Measure(LPCWSTR text, RECT rect, UINT format) {
    int links = 0;
    CRenderer::DrawHtmlText(nullptr, &manager_, rect, text, 0xFF000000, nullptr, nullptr, links, kFont,
                            format | kTextCalcRect);
    return rect;
  }

  static bool HasColour(const Drawn& drawn, std::uint32_t colour, int tolerance) {
    for (std::uint32_t p : drawn.pixels)
      if (ChannelDistance(p, colour) <= tolerance) return true;
    return false;
  }

  static constexpr int kFont = 1;
  CWindowManagerUI manager_;
};

TEST_F(RenderHtmlText, UnmatchedClosingTagsAreIgnored) {
  const Drawn plain = Draw(L"abc", RECT{0, 0, 300, 40}, 0);
  ASSERT_FALSE(RectIsEmpty(plain.ink));
  EXPECT_EQ(Draw(L"</b>abc", RECT{0, 0, 300, 40}, 0).pixels, plain.pixels);
  EXPECT_EQ(Draw(L"</c></a></p>abc</b></v>", RECT{0, 0, 300, 40}, 0).pixels, plain.pixels);
  // A paragraph end that closes nothing does not break the line.
  RECT one{0, 0, 300, 100};
  RECT split = one;
  int links = 0;
  CRenderer::DrawHtmlText(nullptr, &manager_, one, L"abc", 0xFF000000, nullptr, nullptr, links, kFont, kTextCalcRect);
  CRenderer::DrawHtmlText(nullptr, &manager_, split, L"a</p>bc", 0xFF000000, nullptr, nullptr, links, kFont,
                          kTextCalcRect);
  EXPECT_EQ(split.bottom, one.bottom);
}

TEST_F(RenderHtmlText, ColourTagsColourTheirRunOnly) {
  const Drawn drawn = Draw(L"ab<c #FF0000>RED</c>cd", RECT{0, 0, 300, 40}, 0);
  EXPECT_TRUE(HasColour(drawn, 0xFFFF0000, 40));
  const Drawn black = Draw(L"abREDcd", RECT{0, 0, 300, 40}, 0);
  EXPECT_FALSE(HasColour(black, 0xFFFF0000, 40));
  EXPECT_EQ(drawn.ink, black.ink);
}

TEST_F(RenderHtmlText, LinksReportTheirRectanglesAndHover) {
  const Drawn drawn = Draw(L"go <a http://x>here</a> now", RECT{0, 0, 300, 40}, 0);
  ASSERT_EQ(drawn.links, 1);
  EXPECT_EQ(drawn.linkTexts[0], L"http://x");
  const RECT& link = drawn.linkRects[0];
  EXPECT_GT(link.left, 5);
  EXPECT_GT(link.right, link.left + 10);
  EXPECT_LT(link.right, drawn.ink.right);
  EXPECT_TRUE(HasColour(drawn, manager_.GetDefaultLinkFontColor(), 40));
  EXPECT_FALSE(HasColour(drawn, manager_.GetDefaultLinkHoverFontColor(), 30));

  const POINT inside{(link.left + link.right) / 2, (link.top + link.bottom) / 2};
  const Drawn hovered = Draw(L"go <a http://x>here</a> now", RECT{0, 0, 300, 40}, 0, 4, inside, &drawn);
  EXPECT_TRUE(HasColour(hovered, manager_.GetDefaultLinkHoverFontColor(), 30));

  EXPECT_EQ(Draw(L"<a x>y</a>", RECT{0, 0, 300, 40}, 0, 0).links, 0);
}

TEST_F(RenderHtmlText, LinesAndMeasuring) {
  const RECT one = Measure(L"ab", RECT{0, 0, 300, 100}, 0);
  const LONG line = one.bottom - one.top;
  ASSERT_GT(line, 10);
  EXPECT_EQ(Measure(L"ab<n>cd", RECT{0, 0, 300, 100}, 0).bottom, 2 * line);
  EXPECT_EQ(Measure(L"ab\ncd", RECT{0, 0, 300, 100}, 0).bottom, 2 * line);
  EXPECT_EQ(Measure(L"ab<n>cd", RECT{0, 0, 300, 100}, kTextSingleLine).bottom, line);
  EXPECT_EQ(Measure(L"<p 6>ab</p>", RECT{0, 0, 300, 100}, 0).bottom, line + 6);
  EXPECT_EQ(Measure(L"<y 30>ab", RECT{0, 0, 300, 100}, 0).bottom, 30);
  // Measured width never passes the right edge.
  const RECT wide = Measure(L"a fairly long line of text here", RECT{0, 0, 60, 100}, 0);
  EXPECT_LE(wide.right, 60);
  EXPECT_GT(wide.bottom, line);
}

TEST_F(RenderHtmlText, AlignmentAndEllipsisStayInside) {
  const Drawn centred = Draw(L"abc", RECT{0, 0, 200, 40}, kTextSingleLine | kTextCenter | kTextVCenter);
  EXPECT_NEAR((centred.ink.left + centred.ink.right) / 2.0, 100, 4);
  EXPECT_NEAR((centred.ink.top + centred.ink.bottom) / 2.0, 20, 6);
  const Drawn right = Draw(L"abc", RECT{0, 0, 200, 40}, kTextSingleLine | kTextRight);
  EXPECT_GE(right.ink.right, 194);
  const Drawn cut = Draw(L"abcdefghijklmnopqrstuvwxyz", RECT{0, 0, 70, 40}, kTextSingleLine | kTextEndEllipsis);
  EXPECT_LE(cut.ink.right, 70);
  EXPECT_GE(cut.ink.right, 45);
  // Too narrow for even the dots: what is drawn still stays inside.
  const Drawn tiny = Draw(L"W", RECT{0, 0, 3, 40}, kTextSingleLine | kTextEndEllipsis);
  EXPECT_LE(tiny.ink.right, 3);
}

TEST_F(RenderHtmlText, HugeRectanglesAreLaidOutWithinTheDrawableRange) {
  RECT huge{-2147483647, -2147483647, 2147483647, 2147483647};
  int links = 0;
  CRenderer::DrawHtmlText(nullptr, &manager_, huge, L"<x 99999999>ab<n>cd", 0xFF000000, nullptr, nullptr, links, kFont,
                          kTextCalcRect);
  EXPECT_LT(huge.left, huge.right);
  EXPECT_LT(huge.top, huge.bottom);
  RECT plain{-2147483647, 0, 2147483647, 50};
  CRenderer::DrawText(nullptr, &manager_, plain, L"wrapped text", 0xFF000000, kFont,
                      kTextCalcRect | kTextWordBreak | kTextEndEllipsis);
  EXPECT_LT(plain.left, plain.right);
}

TEST_F(RenderHtmlText, MalformedTextDrawsWithoutHarm) {
  for (LPCWSTR text : {L"<", L"{", L"<a", L"<a x", L"</", L"<i>", L"<f>", L"<f 999>x", L"<f NoSuchFace 0>x",
                       L"<i file='missing.png' 3 9>", L"<i x.png -1 -1>", L"<x 99999999999999>y", L"<p 99999>z",
                       L"<v center><i>it</i></v>", L"<s>sel</s>", L"<b><u><i>x", L"</r>", L"<r>", L"{c}", L"<c>",
                       L"<a >link", L"<n><n><n><n><n><n><n><n><n><n><n>",
                       L"<x 99999999><x 99999999><x 99999999><x 99999999><x 99999999><x 99999999>abc"}) {
    const Drawn drawn = Draw(text, RECT{0, 0, 100, 30}, kTextWordBreak | kTextEndEllipsis);
    EXPECT_LE(drawn.ink.right, 100) << static_cast<const void*>(text);
    EXPECT_LE(drawn.ink.bottom, 30);
  }
}

}  // namespace
