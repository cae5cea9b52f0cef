// Labels: attribute parsing (including malformed values that stop at the
// end of the text), sizing from the text, painting, huge texts.
#include "tests/uiframework_controls/ControlsWindow.h"
#include "uiframework/controls/LabelUI.h"
#include "uiframework/layout/VerticalLayoutUI.h"
#include "uiframework/render/TextFormat.h"

namespace skintest {
namespace {

using LabelTest = ControlsWindow;

TEST(LabelAttributes, TextColourWithoutAlphaBecomesOpaque) {
  CLabelUI label;
  label.SetAttribute(L"textcolor", L"FF0000");
  EXPECT_EQ(label.GetTextColor(), 0xFFFF0000u);
  label.SetAttribute(L"textcolor", L"#80112233");
  EXPECT_EQ(label.GetTextColor(), 0x80112233u);
  label.SetAttribute(L"textcolor", L"0");
  EXPECT_EQ(label.GetTextColor(), 0u);
}

TEST(LabelAttributes, AlignmentWordsLaterMatchesWin) {
  CLabelUI label;
  EXPECT_EQ(label.GetTextStyle(), kTextSingleLine | kTextVCenter);
  label.SetAttribute(L"align", L"center");
  EXPECT_EQ(label.GetTextStyle() & (kTextCenter | kTextRight), kTextCenter);
  label.SetAttribute(L"align", L"left right");
  EXPECT_EQ(label.GetTextStyle() & (kTextCenter | kTextRight), kTextRight);
  label.SetAttribute(L"valign", L"bottom");
  EXPECT_EQ(label.GetTextStyle() & (kTextVCenter | kTextBottom), kTextBottom);
  label.SetAttribute(L"valign", L"top");
  EXPECT_EQ(label.GetTextStyle() & (kTextVCenter | kTextBottom), 0u);
  label.SetAttribute(L"endellipsis", L"true");
  EXPECT_NE(label.GetTextStyle() & kTextEndEllipsis, 0u);
  label.SetAttribute(L"multiline", L"true");
  EXPECT_TRUE(label.IsMultiLine());
  EXPECT_NE(label.GetTextStyle() & kTextWordBreak, 0u);
  label.SetAttribute(L"multiline", L"false");
  EXPECT_FALSE(label.IsMultiLine());
}

TEST(LabelAttributes, TextPaddingAndColoursStopAtTheEndOfTheText) {
  CLabelUI label;
  label.SetAttribute(L"textpadding", L"1,2");
  EXPECT_EQ(label.GetTextPadding(), (RECT{1, 2, 0, 0}));
  label.SetAttribute(L"textpadding", L"");
  EXPECT_EQ(label.GetTextPadding(), (RECT{0, 0, 0, 0}));
  label.SetAttribute(L"textpadding", L"3,");
  EXPECT_EQ(label.GetTextPadding(), (RECT{3, 0, 0, 0}));
  label.SetAttribute(L"textpadding", L"x,4,,5");
  EXPECT_EQ(label.GetTextPadding(), (RECT{0, 4, 0, 5}));
  label.SetAttribute(L"textpadding", L"99999999999999,-99999999999999,7,8");
  const RECT huge = label.GetTextPadding();
  EXPECT_EQ(huge.left, kMaxCoordinate);
  EXPECT_EQ(huge.top, -kMaxCoordinate);
  EXPECT_EQ(huge.right, 7);
  label.SetAttribute(L"disabledtextcolor", L"#");
  EXPECT_EQ(label.GetDisabledTextColor(), 0u);
  label.SetAttribute(L"disabledbkcolor", L"##FFFFFFFFFFFFFFFFFFFF");
  EXPECT_EQ(label.GetDisabledBkColor(), 0xFFFFFFFFu);
}

TEST(LabelAttributes, EffectSettings) {
  CLabelUI label;
  label.SetAttribute(L"enabledeffect", L"true");
  label.SetAttribute(L"enabledluminous", L"true");
  label.SetAttribute(L"enabledstroke", L"true");
  label.SetAttribute(L"enabledshadow", L"true");
  label.SetAttribute(L"rhaa", L"3");
  label.SetAttribute(L"luminousfuzzy", L"2.5");
  label.SetAttribute(L"luminousfuzzy", L"0.00001");  // ignored
  label.SetAttribute(L"luminousfuzzy", L"nan");      // ignored
  label.SetAttribute(L"gradientangle", L"30");
  label.SetAttribute(L"gradientlength", L"12");
  label.SetAttribute(L"textcolor1", L"FF00FF00");
  label.SetAttribute(L"textshadowcolora", L"FF111111");
  label.SetAttribute(L"textshadowcolorb", L"FF222222");
  label.SetAttribute(L"strokecolor", L"FF333333");
  const TextEffects& e = label.GetTextEffects();
  EXPECT_TRUE(label.IsEffectEnabled());
  EXPECT_TRUE(e.glow);
  EXPECT_TRUE(e.stroke);
  EXPECT_TRUE(e.shadow);
  EXPECT_EQ(e.renderingHint, 3);
  EXPECT_FLOAT_EQ(e.fuzziness, 2.5f);
  EXPECT_EQ(e.gradientAngle, 30);
  EXPECT_EQ(e.gradientLength, 12);
  EXPECT_EQ(e.textColor2, 0xFF00FF00u);
  EXPECT_EQ(e.shadowColorA, 0xFF111111u);
  EXPECT_EQ(e.shadowColorB, 0xFF222222u);
  EXPECT_EQ(e.strokeColor, 0xFF333333u);
}

TEST(LabelAttributes, ShadowOffsetFollowsTheAngle) {
  CLabelUI label;
  label.SetAttribute(L"shadowoffset", L"3,45");
  EXPECT_FLOAT_EQ(label.GetTextEffects().shadowOffsetX, -3);
  EXPECT_FLOAT_EQ(label.GetTextEffects().shadowOffsetY, -3);
  label.SetAttribute(L"shadowoffset", L"3,-135");
  EXPECT_FLOAT_EQ(label.GetTextEffects().shadowOffsetX, 3);
  EXPECT_FLOAT_EQ(label.GetTextEffects().shadowOffsetY, 3);
  label.SetAttribute(L"shadowoffset", L"9,181");  // ignored
  EXPECT_FLOAT_EQ(label.GetTextEffects().shadowOffsetX, 3);
}

TEST_F(LabelTest, SingleLineLabelMeasuresItsTextAndFontHeight) {
  Build(L"<Window><VerticalLayout><Label name=\"l\" text=\"Brisgol\"/>"
        L"<Label name=\"p\" text=\"Brisgol\" textpadding=\"4,1,6,2\"/>"
        L"<Label name=\"e\" text=\"Brisgol\" enabledeffect=\"true\"/><Control/></VerticalLayout></Window>");
  auto* label = Find<CLabelUI>(L"l");
  const SIZE size = label->DesiredSize(SIZE{400, 200});
  const int fontHeight = window.pm.GetFontInfo(-1)->metrics.height;
  EXPECT_GT(fontHeight, 0);
  EXPECT_EQ(size.cy, fontHeight + 8);
  EXPECT_GT(size.cx, 20);
  EXPECT_LT(size.cx, 200);
  EXPECT_EQ(label->GetHeight(), fontHeight + 8);  // the vertical layout used it
  const SIZE padded = Find<CLabelUI>(L"p")->DesiredSize(SIZE{400, 200});
  EXPECT_EQ(padded.cx, size.cx + 10);
  EXPECT_EQ(padded.cy, size.cy + 3);
  EXPECT_EQ(Find<CLabelUI>(L"e")->DesiredSize(SIZE{400, 200}).cx, static_cast<int>(size.cx * 1.03));
  // A fixed size is returned as it is.
  label->SetFixedWidth(33);
  label->SetFixedHeight(11);
  EXPECT_EQ(label->DesiredSize(SIZE{400, 200}), (SIZE{33, 11}));
}

TEST_F(LabelTest, MultiLineLabelWrapsWithinTheAvailableWidth) {
  Build(L"<Window><VerticalLayout><Label name=\"l\" multiline=\"true\" "
        L"text=\"one two three four five six seven eight nine ten eleven twelve\"/></VerticalLayout></Window>");
  auto* label = Find<CLabelUI>(L"l");
  const SIZE wide = label->DesiredSize(SIZE{1000, 200});
  const SIZE narrow = label->DesiredSize(SIZE{60, 200});
  EXPECT_EQ(wide.cx, 1000);
  EXPECT_EQ(narrow.cx, 60);
  EXPECT_GT(narrow.cy, 2 * wide.cy);
}

TEST_F(LabelTest, DrawsItsTextInTheTextColourAndDisabledColours) {
  Build(L"<Window><VerticalLayout><Label name=\"l\" height=\"40\" text=\"MMMMMMMM\" align=\"center\" "
        L"textcolor=\"#FFFF0000\" disabledtextcolor=\"#FF00FF00\" disabledbkcolor=\"#FF0000FF\"/>"
        L"<Control/></VerticalLayout></Window>");
  auto countInk = [&](auto match) {
    int n = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 400; ++x)
        if (match(PixelAt(x, y))) ++n;
    return n;
  };
  const auto red = [](DWORD p) { return ((p >> 16) & 0xFF) > 0x80 && (p & 0xFFFF) < 0x4040; };
  const auto green = [](DWORD p) { return ((p >> 8) & 0xFF) > 0x80 && ((p >> 16) & 0xFF) < 0x40; };
  EXPECT_GT(countInk(red), 20);
  EXPECT_EQ(PixelAt(2, 2), 0u);
  Find<CLabelUI>(L"l")->SetEnabled(false);
  Pump();
  EXPECT_EQ(countInk(red), 0);
  EXPECT_GT(countInk(green), 20);
  EXPECT_EQ(PixelAt(2, 2), 0xFF0000FFu);
}

TEST_F(LabelTest, EffectsDrawGradientStrokeAndShadow) {
  // One row per label, 40 pixels each: the same colours without effects,
  // then a gradient fill, a stroke and a shadow.
  Build(L"<Window><VerticalLayout>"
        L"<Label height=\"40\" text=\"MMMMMMMM\" textcolor=\"#FFFF0000\" textcolor1=\"#FF0000FF\" enabledstroke=\"true\" "
        L"strokecolor=\"#FF00FF00\" enabledshadow=\"true\" textshadowcolora=\"#FF00FF00\" textshadowcolorb=\"#FF00FF00\" "
        L"shadowoffset=\"3,-45\"/>"
        L"<Label height=\"40\" text=\"MMMMMMMM\" enabledeffect=\"true\" textcolor=\"#FFFF0000\" textcolor1=\"#FF0000FF\"/>"
        L"<Label height=\"40\" text=\"MMMMMMMM\" enabledeffect=\"true\" textcolor=\"#FFFF0000\" enabledstroke=\"true\" "
        L"strokecolor=\"#FF00FF00\"/>"
        L"<Label name=\"shadow\" height=\"40\" text=\"MMMMMMMM\" enabledeffect=\"true\" textcolor=\"#FFFF0000\" "
        L"enabledshadow=\"true\" textshadowcolora=\"#FF00FF00\" textshadowcolorb=\"#FF00FF00\" shadowoffset=\"3,-45\"/>"
        L"<Control/></VerticalLayout></Window>");
  auto countInRow = [&](int row, auto match) {
    int n = 0;
    for (int y = row * 40; y < row * 40 + 40; ++y)
      for (int x = 0; x < 400; ++x)
        if (match(PixelAt(x, y))) ++n;
    return n;
  };
  const auto red = [](DWORD p) { return ((p >> 16) & 0xFF) > 0x60; };
  const auto green = [](DWORD p) { return ((p >> 8) & 0xFF) > 0x80; };
  const auto blue = [](DWORD p) { return (p & 0xFF) > 0x40; };
  // Without "enabledeffect" the effect settings draw nothing.
  EXPECT_GT(countInRow(0, red), 20);
  EXPECT_EQ(countInRow(0, green), 0);
  EXPECT_EQ(countInRow(0, blue), 0);
  // The fill runs from the text colour to the second one.
  EXPECT_GT(countInRow(1, red), 10);
  EXPECT_GT(countInRow(1, blue), 10);
  EXPECT_EQ(countInRow(1, green), 0);
  // The outline and the shadow show in their own colour beside the text.
  EXPECT_GT(countInRow(2, green), 20);
  EXPECT_GT(countInRow(2, red), 10);
  EXPECT_GT(countInRow(3, green), 20);
  EXPECT_GT(countInRow(3, red), 10);
  // Disabled, the drawn effects keep the text colour.
  Find<CLabelUI>(L"shadow")->SetEnabled(false);
  Pump();
  EXPECT_GT(countInRow(3, red), 10);
}

TEST_F(LabelTest, DefaultColoursComeFromTheWindow) {
  Build(L"<Window defaultfontcolor=\"#FF123456\"><VerticalLayout><Label name=\"l\" text=\"x\"/>"
        L"</VerticalLayout></Window>");
  EXPECT_EQ(Find<CLabelUI>(L"l")->GetTextColor(), 0xFF123456u);
  EXPECT_EQ(Find<CLabelUI>(L"l")->GetDisabledTextColor(), window.pm.GetDefaultDisabledColor());
}

TEST_F(LabelTest, HugeTextsAreMeasuredAndDrawnWithoutTrouble) {
  Build(L"<Window><VerticalLayout><Label name=\"l\" showhtml=\"true\"/><Label name=\"m\" multiline=\"true\"/>"
        L"</VerticalLayout></Window>");
  std::wstring huge;
  for (int i = 0; i < 20000; ++i) huge += L"word<b>bold</b> ";
  Find<CLabelUI>(L"l")->SetText(huge.c_str());
  Find<CLabelUI>(L"m")->SetText(std::wstring(300000, L'w').c_str());
  window.pm.GetRoot()->RequestLayout();
  Pump();
  EXPECT_GT(Find<CLabelUI>(L"m")->GetHeight(), 0);
}

}  // namespace
}  // namespace skintest
