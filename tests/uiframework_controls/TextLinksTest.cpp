// Text controls: links found by painting, tracked under the mouse, drawn
// in the hover colour, clicked with "link", the hand cursor over them,
// and at most eight of them however many the text holds.
#include "tests/uiframework_controls/ControlsWindow.h"
#include "uiframework/controls/TextUI.h"

namespace skintest {
namespace {

class TextLinksTest : public ControlsWindow {
 protected:
  CTextUI* BuildText(const wchar_t* text) {
    Build(L"<Window linkfontcolor=\"#FF0000FF\" linkhoverfontcolor=\"#FFFF0000\"><VerticalLayout>"
          L"<Text name=\"t\" height=\"120\" showhtml=\"true\"/><Control/></VerticalLayout></Window>");
    auto* control = Find<CTextUI>(L"t");
    control->SetText(text);
    Pump();
    return control;
  }
  POINT Centre(const RECT& rc) { return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2}; }
  // Presses and releases where the mouse is; the wParam of the one "link"
  // notification that must come of it.
  WPARAM ClickHere() {
    TakeNotes();
    UINotifyMsg last;
    window.onNotify = [&](UINotifyMsg& msg) { last = msg; };
    Press();
    Release();
    window.onNotify = nullptr;
    EXPECT_EQ(TakeNotes(), (Notes{"link:t"}));
    return last.wParam;
  }
  // Whether the link's rectangle holds ink of the colour test.
  template <class Match>
  bool LinkInk(const RECT& rc, Match match) {
    for (LONG y = rc.top; y < rc.bottom; ++y)
      for (LONG x = rc.left; x < rc.right; ++x)
        if (match(PixelAt(x, y))) return true;
    return false;
  }
};

bool Blue(DWORD p) { return (p & 0xFF) > 0x80 && ((p >> 16) & 0xFF) < 0x40; }
bool Red(DWORD p) { return ((p >> 16) & 0xFF) > 0x80 && (p & 0xFF) < 0x40; }

TEST_F(TextLinksTest, LinksAreTrackedClickedAndShowTheHand) {
  CTextUI* text = BuildText(L"Go <a first>there</a> or <a second>elsewhere</a> now.");
  ASSERT_EQ(text->GetLinkCount(), 2);
  EXPECT_EQ(text->GetLinkContent(0), CUIString(L"first"));
  EXPECT_EQ(text->GetLinkContent(1), CUIString(L"second"));
  EXPECT_EQ(text->GetLinkContent(2), CUIString());
  EXPECT_NE(text->GetFlags() & UIFLAG_SETCURSOR, 0u);

  const RECT second = text->GetLinkRect(1);
  EXPECT_TRUE(LinkInk(second, Blue));
  EXPECT_FALSE(LinkInk(second, Red));
  const POINT over = Centre(second);
  EXPECT_EQ(CursorAt(over.x, over.y), kHand);
  EXPECT_EQ(text->GetHotLink(), 1);
  EXPECT_TRUE(LinkInk(second, Red));  // the hover colour

  EXPECT_EQ(ClickHere(), 1u);

  // Off the links: no hand, no link, nothing tracked.
  EXPECT_NE(CursorAt(2, 110), kHand);
  EXPECT_EQ(text->GetHotLink(), -1);
  Press();
  Release();
  EXPECT_TRUE(TakeNotes().empty());
}

TEST_F(TextLinksTest, ADisabledTextNeitherTracksNorClicksItsLinks) {
  CTextUI* text = BuildText(L"<a only>link</a>");
  ASSERT_EQ(text->GetLinkCount(), 1);
  text->SetEnabled(false);
  Pump();
  EXPECT_EQ(text->GetFlags() & UIFLAG_SETCURSOR, 0u);
  const POINT over = Centre(text->GetLinkRect(0));
  MoveTo(over.x, over.y);
  EXPECT_EQ(text->GetHotLink(), -1);
  TakeNotes();
  Press();
  Release();
  EXPECT_TRUE(TakeNotes().empty());
}

TEST_F(TextLinksTest, TenThousandLinksKeepEightAndDrawWhatFits) {
  std::wstring many;
  for (int i = 0; i < 10000; ++i) many += L"<a " + std::to_wstring(i) + L">l</a> ";
  CTextUI* text = BuildText(many.c_str());
  EXPECT_EQ(text->GetLinkCount(), CTextUI::kMaxLinks);
  EXPECT_EQ(text->GetLinkContent(7), CUIString(L"7"));
  const POINT over = Centre(text->GetLinkRect(3));
  MoveTo(over.x, over.y);
  EXPECT_EQ(ClickHere(), 3u);
}

TEST_F(TextLinksTest, PlainTextHasNoLinksAndEmptyTextClearsThem) {
  CTextUI* text = BuildText(L"<a x>link</a>");
  EXPECT_EQ(text->GetLinkCount(), 1);
  text->SetShowHtml(false);
  Pump();
  EXPECT_EQ(text->GetLinkCount(), 0);
  text->SetShowHtml(true);
  text->SetText(L"");
  Pump();
  EXPECT_EQ(text->GetLinkCount(), 0);
  EXPECT_EQ(text->GetFlags(), 0u);
}

}  // namespace
}  // namespace skintest
