// ContainerEx: a panel that becomes hot while the mouse is over it
// (children included), paints its state images and colours, and reveals
// its children only while hot unless told otherwise.
#include "MainWnd/ContainerExUI.h"
#include "tests/uiframework_controls/ControlsWindow.h"
#include "uiframework/controls/ButtonUI.h"

namespace skintest {
namespace {

// A panel at 0..200 × 0..100 (green normal image, yellow hot image) with
// two buttons (red) at 20..60 and 80..120, 20..60 high; room to its right.
std::wstring PanelMarkup(const wchar_t* extra) {
  return std::wstring(L"<Window><HorizontalLayout><ContainerEx name=\"panel\" width=\"200\" height=\"100\" "
                      L"normalimage=\"color='#FF00FF00'\" hotimage=\"color='#FFFFFF00'\" "
                      L"disabledimage=\"color='#FF808080'\" ") +
         extra +
         L"><Button name=\"a\" float=\"true\" pos=\"20,20,60,60\" normalimage=\"color='#FFFF0000'\"/>"
         L"<Button name=\"b\" float=\"true\" pos=\"80,20,120,60\" normalimage=\"color='#FFFF0000'\"/>"
         L"</ContainerEx><Control/></HorizontalLayout></Window>";
}

constexpr DWORD kGreen = 0xFF00FF00;
constexpr DWORD kYellow = 0xFFFFFF00;
constexpr DWORD kRed = 0xFFFF0000;

using ContainerExTest = ControlsWindow;

TEST_F(ContainerExTest, ChildrenAppearWhileThePanelIsHovered) {
  Build(PanelMarkup(L"").c_str());
  auto* panel = Find<CContainerExUI>(L"panel");
  EXPECT_EQ(PixelAt(40, 40), kGreen);  // the buttons are hidden
  EXPECT_EQ(PixelAt(10, 10), kGreen);

  TakeNotes();
  MoveTo(10, 10);  // the panel's own area
  EXPECT_NE(panel->GetState() & UISTATE_HOT, 0u);
  EXPECT_EQ(PixelAt(10, 10), kYellow);
  EXPECT_EQ(PixelAt(40, 40), kRed);
  EXPECT_EQ(PixelAt(100, 40), kRed);

  MoveTo(40, 40);  // onto a child: the panel stays hot
  MoveTo(100, 40);
  MoveTo(150, 80);
  EXPECT_NE(panel->GetState() & UISTATE_HOT, 0u);
  EXPECT_EQ(PixelAt(40, 40), kRed);

  MoveTo(300, 40);  // out
  EXPECT_EQ(panel->GetState() & UISTATE_HOT, 0u);
  EXPECT_EQ(PixelAt(40, 40), kGreen);
  int panelLeaves = 0, panelEnters = 0;
  for (const std::string& note : TakeNotes()) {
    panelLeaves += note == "mouseleave:panel";
    panelEnters += note == "mouseenter:panel";
  }
  EXPECT_EQ(panelEnters, 1);
  EXPECT_EQ(panelLeaves, 1);
}

TEST_F(ContainerExTest, EnteringThroughAChildDoesNotRevealTheChildren) {
  Build(PanelMarkup(L"").c_str());
  auto* panel = Find<CContainerExUI>(L"panel");
  MoveTo(40, 40);
  EXPECT_EQ(panel->GetState() & UISTATE_HOT, 0u);
  EXPECT_NE(Find<CButtonUI>(L"a")->GetState() & UISTATE_HOT, 0u);
  EXPECT_EQ(PixelAt(40, 40), kGreen);
}

TEST_F(ContainerExTest, ChildVisibilityFlags) {
  Build(PanelMarkup(L"musthotchildvisible=\"false\"").c_str());
  EXPECT_EQ(PixelAt(40, 40), kRed);  // always shown

  Build(PanelMarkup(L"childvisible=\"false\"").c_str());
  MoveTo(10, 10);
  EXPECT_EQ(PixelAt(40, 40), kYellow);  // never shown...
  TakeNotes();
  ClickAt(40, 40);  // ...but still clickable
  bool clicked = false;
  for (const std::string& note : TakeNotes()) clicked |= note == "click:a";
  EXPECT_TRUE(clicked);
}

TEST_F(ContainerExTest, DisabledPanelPaintsItsDisabledStateAndNeverTurnsHot) {
  Build(PanelMarkup(L"enabled=\"false\" disabledbkcolor=\"#FF0000FF\"").c_str());
  auto* panel = Find<CContainerExUI>(L"panel");
  EXPECT_EQ(PixelAt(10, 10), 0xFF808080u);
  MoveTo(10, 10);
  EXPECT_EQ(panel->GetState() & UISTATE_HOT, 0u);
  // Without a disabled image the background colour shows.
  panel->SetDisabledImage(L"");
  panel->SetNormalImage(L"");
  Pump();
  EXPECT_EQ(PixelAt(10, 10), 0xFF0000FFu);
}

TEST_F(ContainerExTest, OpaqueHotColourCoversTheHotImageAndTheForegroundImage) {
  Build(PanelMarkup(L"hotbkcolor=\"#FF00FFFF\" foreimage=\"color='#FFFFFFFF' dest='0,0,5,5'\"").c_str());
  EXPECT_EQ(PixelAt(2, 2), 0xFFFFFFFFu);
  MoveTo(10, 10);
  EXPECT_EQ(PixelAt(10, 10), 0xFF00FFFFu);
  EXPECT_EQ(PixelAt(2, 2), 0xFF00FFFFu);
}

TEST(ProgramControls, CallbackCreatesContainerExForItsExactNameOnly) {
  CProgramControlsCallback callback;
  CControlUI* control = callback.CreateControl(L"ContainerEx");
  ASSERT_NE(control, nullptr);
  EXPECT_STREQ(control->GetClass(), L"ContainerEx");
  EXPECT_EQ(control->FindInterface(L"ContainerEx"), control);
  EXPECT_NE(control->FindInterface(L"IContainer"), nullptr);
  control->Delete();
  EXPECT_EQ(callback.CreateControl(L"containerex"), nullptr);
  EXPECT_EQ(callback.CreateControl(L"Label"), nullptr);
}

}  // namespace
}  // namespace skintest
