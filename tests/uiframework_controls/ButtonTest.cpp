// Buttons: a click only when a press that started on the button is
// released over it, keyboard activation, the cross-fade on timer 11, the
// state images, five-strip images, the colours per state and the cursor.
#include "tests/uiframework_controls/ControlsWindow.h"
#include "tests/uiframework_render/PngWriter.h"
#include "uiframework/controls/ButtonUI.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace skintest {
namespace {

// One button at 0..100 × 0..40 and empty room to its right.
constexpr const wchar_t* kOneButton =
    L"<Window><HorizontalLayout>"
    L"<Button name=\"b\" width=\"100\" height=\"40\" text=\"OK\" "
    L"normalimage=\"color='#FF0000FF'\" hotimage=\"color='#FF00FF00'\" pushedimage=\"color='#FFFF0000'\" "
    L"disabledimage=\"color='#FF808080'\"/>"
    L"<Control/></HorizontalLayout></Window>";

using ButtonTest = ControlsWindow;

TEST_F(ButtonTest, ReleasingOutsideSendsNoClickAndClearsThePress) {
  Build(kOneButton);
  auto* button = Find<CButtonUI>(L"b");
  MoveTo(50, 20);
  Press();
  EXPECT_EQ(button->GetState() & (UISTATE_PUSHED | UISTATE_CAPTURED), UISTATE_PUSHED | UISTATE_CAPTURED);
  MoveTo(300, 20);
  EXPECT_EQ(button->GetState() & UISTATE_PUSHED, 0u);
  Release();
  EXPECT_EQ(button->GetState() & (UISTATE_PUSHED | UISTATE_CAPTURED), 0u);
  for (const std::string& note : TakeNotes()) EXPECT_NE(note, "click:b");
}

TEST_F(ButtonTest, DraggingOutAndBackInThenReleasingClicks) {
  Build(kOneButton);
  MoveTo(50, 20);
  Press();
  MoveTo(300, 20);
  MoveTo(60, 20);
  TakeNotes();
  Release();
  EXPECT_EQ(TakeNotes(), (Notes{"click:b"}));
}

TEST_F(ButtonTest, SpaceAndReturnOnTheFocusedButtonClick) {
  Build(kOneButton);
  auto* button = Find<CButtonUI>(L"b");
  button->SetFocus();
  TakeNotes();
  Headless::KeyDown(0x20);
  Headless::KeyUp(0x20);
  Pump();
  Headless::KeyDown(0x0D);
  Headless::KeyUp(0x0D);
  Pump();
  EXPECT_EQ(TakeNotes(), (Notes{"click:b", "click:b"}));
}

TEST_F(ButtonTest, ActivateFromCodeClicksOnlyWhileEnabledAndVisible) {
  Build(kOneButton);
  auto* button = Find<CButtonUI>(L"b");
  TakeNotes();
  EXPECT_TRUE(button->Activate());
  button->SetEnabled(false);
  EXPECT_FALSE(button->Activate());
  button->SetEnabled(true);
  button->SetVisible(false);
  EXPECT_FALSE(button->Activate());
  EXPECT_EQ(TakeNotes(), (Notes{"click:b"}));
}

TEST_F(ButtonTest, HoverAndLeaveAreNotifiedAndDrawTheHotImage) {
  Build(kOneButton);
  auto* button = Find<CButtonUI>(L"b");
  EXPECT_EQ(PixelAt(5, 5), 0xFF0000FFu);
  TakeNotes();
  MoveTo(50, 20);
  EXPECT_NE(button->GetState() & UISTATE_HOT, 0u);
  EXPECT_EQ(PixelAt(5, 5), 0xFF00FF00u);
  Press();
  EXPECT_EQ(PixelAt(5, 5), 0xFFFF0000u);
  Release();
  MoveTo(300, 20);
  EXPECT_EQ(button->GetState() & UISTATE_HOT, 0u);
  EXPECT_EQ(PixelAt(5, 5), 0xFF0000FFu);
  EXPECT_EQ(TakeNotes(), (Notes{"mouseenter:b", "click:b", "mouseleave:b"}));
}

TEST_F(ButtonTest, DisablingClearsTheStateAndDrawsTheDisabledImage) {
  Build(kOneButton);
  auto* button = Find<CButtonUI>(L"b");
  MoveTo(50, 20);
  Press();
  button->SetEnabled(false);
  EXPECT_EQ(button->GetState() & (UISTATE_HOT | UISTATE_PUSHED | UISTATE_CAPTURED), 0u);
  Pump();
  EXPECT_EQ(PixelAt(5, 5), 0xFF808080u);
  TakeNotes();
  Release();
  EXPECT_TRUE(TakeNotes().empty());
}

TEST_F(ButtonTest, FadeDelta51CrossFadesInFiveTicksOfTimer11) {
  Build(L"<Window><HorizontalLayout>"
        L"<Button name=\"b\" width=\"100\" fadedelta=\"51\" normalimage=\"color='#FF0000FF'\" "
        L"hotimage=\"color='#FF00FF00'\"/><Control/></HorizontalLayout></Window>");
  auto* button = Find<CButtonUI>(L"b");
  EXPECT_EQ(button->GetFadeAlpha(), 255);
  MoveTo(50, 20);
  const BYTE expected[] = {204, 153, 102, 51, 0};
  for (BYTE alpha : expected) {
    Tick(CButtonUI::kFadeElapse);
    EXPECT_EQ(button->GetFadeAlpha(), alpha);
  }
  // The timer stopped itself: more time changes nothing, and the hot
  // image is fully shown.
  Tick(CButtonUI::kFadeElapse * 3);
  EXPECT_EQ(button->GetFadeAlpha(), 0);
  EXPECT_EQ(PixelAt(5, 5), 0xFF00FF00u);
  // Half-way back, both images blend.
  MoveTo(300, 20);
  Tick(CButtonUI::kFadeElapse);
  Tick(CButtonUI::kFadeElapse);
  EXPECT_EQ(button->GetFadeAlpha(), 102);
  const DWORD mid = PixelAt(5, 5);
  EXPECT_GT(mid & 0xFF, 0x40u);
  EXPECT_GT((mid >> 8) & 0xFF, 0x40u);
  for (int i = 0; i < 3; ++i) Tick(CButtonUI::kFadeElapse);
  EXPECT_EQ(button->GetFadeAlpha(), 255);
  EXPECT_EQ(PixelAt(5, 5), 0xFF0000FFu);
}

TEST_F(ButtonTest, FiveStatusImageIsCutIntoFiveStrips) {
  // 250 × 30: strips of 50 pixels, each its own colour.
  const unsigned char colors[5][3] = {{0, 0, 255}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0}, {128, 128, 128}};
  std::vector<unsigned char> rgba;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 250; ++x) {
      const unsigned char* c = colors[x / 50];
      rgba.insert(rgba.end(), {c[0], c[1], c[2], 255});
    }
  const std::filesystem::path file = std::filesystem::temp_directory_path() / "brisgol_five_status.png";
  std::ofstream(file, std::ios::binary) << EncodePng(250, 30, rgba);
  const std::wstring path = file.wstring();

  const std::wstring markup = L"<Window><HorizontalLayout><Button name=\"b\" width=\"100\" fivestatusimage=\"file='" +
                              path + L"'\"/><Button name=\"f\" float=\"true\" fivestatusimage=\"" + path +
                              L"\"/><Control/></HorizontalLayout></Window>";
  Build(markup.c_str());
  auto* button = Find<CButtonUI>(L"b");
  EXPECT_EQ(button->GetNormalImageSpec().source.left, 0);
  EXPECT_EQ(button->GetNormalImageSpec().source.right, 50);
  EXPECT_EQ(button->GetPushedImageSpec().source.left, 50);
  EXPECT_EQ(button->GetHotImageSpec().source.left, 100);
  EXPECT_EQ(button->GetFocusedImageSpec().source.left, 150);
  EXPECT_EQ(button->GetDisabledImageSpec().source.left, 200);
  EXPECT_EQ(button->GetDisabledImageSpec().source.right, 250);
  // A floating button without a size takes one strip's size.
  auto* floating = Find<CButtonUI>(L"f");
  EXPECT_EQ(floating->GetFixedWidth(), 50);
  EXPECT_EQ(floating->GetFixedHeight(), 30);

  // The first paint focused the first tab stop: the focused strip.
  EXPECT_TRUE(button->IsFocused());
  EXPECT_EQ(PixelAt(75, 50), 0xFFFFFF00u);
  EXPECT_EQ(PixelAt(10, 100), 0xFFFFFF00u);
  window.pm.SetFocus(nullptr);
  Pump();
  EXPECT_EQ(PixelAt(75, 50), 0xFF0000FFu);  // the normal strip stretched
  MoveTo(75, 50);
  EXPECT_EQ(PixelAt(75, 50), 0xFF00FF00u);  // hot
  button->SetEnabled(false);
  Pump();
  EXPECT_EQ(PixelAt(75, 50), 0xFF808080u);  // disabled
  std::filesystem::remove(file);
}

TEST_F(ButtonTest, TextColourFollowsTheState) {
  Build(L"<Window><HorizontalLayout>"
        L"<Button name=\"b\" width=\"100\" text=\"MMMM\" textcolor=\"#FF000000\" "
        L"hottextcolor=\"#FFFF0000\" pushedtextcolor=\"#FF00FF00\"/><Control/></HorizontalLayout></Window>");
  auto* button = Find<CButtonUI>(L"b");
  (void)button;
  // The text is drawn in the middle of the button; look for its colour.
  auto inkHas = [&](auto channel) {
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 100; ++x) {
        const DWORD p = PixelAt(x, y);
        if (p != 0 && channel(p)) return true;
      }
    return false;
  };
  const auto reddish = [](DWORD p) { return ((p >> 16) & 0xFF) > 0x80 && ((p >> 8) & 0xFF) < 0x40; };
  const auto greenish = [](DWORD p) { return ((p >> 8) & 0xFF) > 0x80 && ((p >> 16) & 0xFF) < 0x40; };
  EXPECT_FALSE(inkHas(reddish));
  MoveTo(50, 100);
  EXPECT_TRUE(inkHas(reddish));
  Press();
  EXPECT_TRUE(inkHas(greenish));
  Release();
}

TEST_F(ButtonTest, CursorIsTheHandUnlessArrowIsAsked) {
  Build(L"<Window><HorizontalLayout><Button name=\"b\" width=\"100\"/>"
        L"<Button name=\"a\" width=\"100\" cursor=\"arrow\"/><Control/></HorizontalLayout></Window>");
  EXPECT_EQ(CursorAt(50, 20), kHand);
  EXPECT_EQ(CursorAt(150, 20), kArrow);
  Find<CButtonUI>(L"a")->SetAttribute(L"cursor", L"hand");
  EXPECT_EQ(CursorAt(151, 20), kHand);
  // A disabled button asks for nothing.
  Find<CButtonUI>(L"b")->SetEnabled(false);
  EXPECT_NE(CursorAt(50, 21), kHand);
}

TEST_F(ButtonTest, MalformedAttributeValuesLeaveAWorkingButton) {
  Build(L"<Window><HorizontalLayout><Button name=\"b\" width=\"abc\" height=\"-40\" fadedelta=\"99999999999\" "
        L"hotbkcolor=\"#\" textpadding=\"1,\" pos=\"1,2\" normalimage=\"file='\" "
        L"fivestatusimage=\"no-such.png\"/><Control/></HorizontalLayout></Window>");
  auto* button = Find<CButtonUI>(L"b");
  EXPECT_EQ(button->GetFadeDelta(), 255);
  EXPECT_EQ(button->GetTextPadding().left, 1);
  EXPECT_EQ(button->GetTextPadding().top, 0);
  TakeNotes();
  ClickAt(10, 10);
  EXPECT_EQ(TakeNotes(), (Notes{"mouseenter:b", "click:b"}));
}

}  // namespace
}  // namespace skintest
