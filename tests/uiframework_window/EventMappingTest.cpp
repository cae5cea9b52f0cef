// Mouse and keyboard messages turned into control events: hover
// sequences, capture while dragging, and the stops when nothing of the
// window is under the point.
#include <gtest/gtest.h>

#include "tests/support/TempMachineRoot.h"
#include "platform/window/Tooltips.h"
#include "tests/uiframework_window/SkinTestWindow.h"
#include "uiframework/resources/ResourceSettings.h"

namespace skintest {
namespace {

std::string Ev(const char* control, int type) { return std::string(control) + ":" + std::to_string(type); }

class EventMappingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Headless::ResetInput();
    ASSERT_NE(window.Open(100, 100, 300, 100), nullptr);
    a = new RecordingControl(L"a", &log);
    b = new RecordingControl(L"b", &log);
    c = new RecordingControl(L"c", &log);
    window.AttachRow({a, b, c}, {100, 100});
    Pump();
    log.clear();
  }
  void TearDown() override {
    if (::IsWindow(window.GetHWND())) ::DestroyWindow(window.GetHWND());
    Headless::ResetInput();
  }
  void MoveTo(int clientX, int clientY) {
    Headless::MouseMove(100 + clientX, 100 + clientY);
    Pump();
  }

  TempMachineRoot root;
  EventLog log;
  SkinTestWindow window;
  RecordingControl* a = nullptr;
  RecordingControl* b = nullptr;
  RecordingControl* c = nullptr;
};

TEST_F(EventMappingTest, HoverMovesThroughLeaveListenersThenLeaveEnterAndMove) {
  MoveTo(50, 50);
  EXPECT_EQ(log, (EventLog{Ev("a", UIEVENT_MOUSEENTER), Ev("a", UIEVENT_MOUSEMOVE)}));
  EXPECT_EQ(window.pm.GetHoverControl(), a);

  window.pm.AddMouseLeaveListener(c);
  log.clear();
  MoveTo(150, 50);
  EXPECT_EQ(log, (EventLog{Ev("c", UIEVENT_MOUSELEAVE), Ev("a", UIEVENT_MOUSELEAVE), Ev("b", UIEVENT_MOUSEENTER),
                           Ev("b", UIEVENT_MOUSEMOVE)}));
  EXPECT_EQ(b->last.mouse.x, 150);
  EXPECT_EQ(b->last.mouse.y, 50);

  // Leaving the window clears the hover through the same path.
  log.clear();
  ::SendMessageW(window.GetHWND(), WM_MOUSEMOVE, 0, static_cast<LPARAM>(-1));
  EXPECT_EQ(log, (EventLog{Ev("c", UIEVENT_MOUSELEAVE), Ev("b", UIEVENT_MOUSELEAVE)}));
  EXPECT_EQ(window.pm.GetHoverControl(), nullptr);
}

TEST_F(EventMappingTest, DraggingKeepsEventsOnThePressedControlEvenOutsideTheWindow) {
  MoveTo(50, 50);
  Headless::MouseDown();
  Pump();
  EXPECT_TRUE(window.pm.IsCaptured());
  EXPECT_EQ(::GetCapture(), window.GetHWND());
  EXPECT_EQ(a->last.type, UIEVENT_BUTTONDOWN);
  EXPECT_EQ(window.pm.GetFocus(), a);

  log.clear();
  MoveTo(150, 50);
  MoveTo(500, 300);  // outside the window
  EXPECT_EQ(log, (EventLog{Ev("a", UIEVENT_MOUSEMOVE), Ev("a", UIEVENT_MOUSEMOVE)}));
  EXPECT_EQ(a->last.mouse.x, 500);

  log.clear();
  Headless::MouseUp();
  Pump();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), Ev("a", UIEVENT_BUTTONUP));
  EXPECT_FALSE(window.pm.IsCaptured());
  EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(EventMappingTest, PressesWithNothingUnderThePointReachNoControl) {
  // A point outside every control: the root row has no mouse target there
  // once the children are hidden.
  a->SetVisible(false);
  b->SetVisible(false);
  c->SetVisible(false);
  window.pm.GetRoot()->SetMouseEnabled(false);
  Pump();
  ::SetFocus(window.GetHWND());
  log.clear();
  const LPARAM at = MAKELPARAM(50, 50);
  LRESULT result = 0;
  window.pm.HandleWindowMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, at, result);
  window.pm.HandleWindowMessage(WM_RBUTTONDOWN, MK_RBUTTON, at, result);
  window.pm.HandleWindowMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, -120), MAKELPARAM(150, 150), result);
  EXPECT_TRUE(log.empty());
  EXPECT_FALSE(window.pm.IsCaptured());
  EXPECT_EQ(::GetCapture(), nullptr);
  // A later button-up finds no stale click target.
  window.pm.HandleWindowMessage(WM_LBUTTONUP, 0, at, result);
  EXPECT_TRUE(log.empty());
}

TEST_F(EventMappingTest, WheelReportsTheDirectionOnlyWhileTheWindowHasTheFocus) {
  MoveTo(150, 50);
  ::SetFocus(window.GetHWND());
  log.clear();
  UIEvent wheel;
  b->onEvent = [&](UIEvent& e) {
    if (e.type == UIEVENT_SCROLLWHEEL) wheel = e;
  };
  Headless::Wheel(-120);  // towards the user
  Pump();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), Ev("b", UIEVENT_SCROLLWHEEL));
  EXPECT_EQ(wheel.wParam, 1u);
  EXPECT_EQ(static_cast<short>(wheel.key), -120);
  EXPECT_EQ(b->last.type, UIEVENT_MOUSEMOVE);  // hover follows the content
  Headless::Wheel(120);
  Pump();
  EXPECT_EQ(wheel.wParam, 0u);
  log.clear();

  LRESULT result = 0;
  window.pm.HandleWindowMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(250, 150), result);
  EXPECT_EQ(log.front(), Ev("b", UIEVENT_SCROLLWHEEL));

  SkinTestWindow other;
  other.Open(600, 100, 50, 50);
  ::SetFocus(other.GetHWND());
  log.clear();
  window.pm.HandleWindowMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, -120), MAKELPARAM(250, 150), result);
  EXPECT_TRUE(log.empty());
  ::DestroyWindow(other.GetHWND());
}

TEST_F(EventMappingTest, KeysGoToTheFocusedControlAndKeyUpToTheOneThatGotKeyDown) {
  window.pm.SetFocus(b);
  ::SetFocus(window.GetHWND());
  log.clear();
  Headless::KeyDown('X');
  Pump();
  window.pm.SetFocus(c);
  log.clear();
  Headless::Char(L'x');
  Headless::KeyUp('X');
  Pump();
  EXPECT_EQ(log, (EventLog{Ev("c", UIEVENT_CHAR), Ev("b", UIEVENT_KEYUP)}));
  EXPECT_EQ(b->last.key, L'X');
}

TEST_F(EventMappingTest, CloseEndsHoverAndPressAndDropsTheFocus) {
  MoveTo(50, 50);
  Headless::MouseDown();
  Pump();
  log.clear();
  LRESULT result = 0;
  EXPECT_FALSE(window.pm.HandleWindowMessage(WM_CLOSE, 0, 0, result));
  EXPECT_EQ(log, (EventLog{Ev("a", UIEVENT_MOUSELEAVE), Ev("a", UIEVENT_BUTTONUP), Ev("a", UIEVENT_KILLFOCUS)}));
  EXPECT_EQ(window.pm.GetFocus(), nullptr);
  Headless::MouseUp();
}

class SwallowingFilter : public IMessageFilterUI {
 public:
  UINT swallow = 0;
  LRESULT FilterMessage(UINT message, WPARAM, LPARAM, bool& handled) override {
    handled = message == swallow;
    return handled ? 5 : 0;
  }
};

TEST_F(EventMappingTest, AFilterThatHandlesAMessageStopsItButTheMousePositionIsKept) {
  SwallowingFilter filter;
  filter.swallow = WM_LBUTTONDOWN;
  ASSERT_TRUE(window.pm.AddMessageFilter(&filter));
  LRESULT result = 0;
  EXPECT_TRUE(window.pm.HandleWindowMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 20), result));
  EXPECT_EQ(result, 5);
  EXPECT_TRUE(log.empty());
  EXPECT_FALSE(window.pm.IsCaptured());
  window.pm.SendNotify(a, L"click");
  EXPECT_EQ(window.notes.back(), "click:a");
  POINT seen{};
  window.onNotify = [&](UINotifyMsg& msg) { seen = msg.mouse; };
  window.pm.SendNotify(a, L"click");
  EXPECT_EQ(seen.x, 150);
  EXPECT_EQ(seen.y, 20);
  EXPECT_TRUE(window.pm.RemoveMessageFilter(&filter));
  window.pm.HandleWindowMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 20), result);
  EXPECT_EQ(b->last.type, UIEVENT_BUTTONDOWN);
  window.pm.HandleWindowMessage(WM_LBUTTONUP, 0, MAKELPARAM(150, 20), result);
}

TEST_F(EventMappingTest, RestingOverAControlShowsItsTooltipWithLanguageStrings) {
  Headless::UseManualClock(true);
  CResourceSettingsUI::AddLanguageString(12, L"fast");
  b->SetToolTip(L"line %{12} %{99}");
  MoveTo(150, 50);
  log.clear();
  Headless::AdvanceClock(1000);
  Pump();
  EXPECT_EQ(log, (EventLog{Ev("b", UIEVENT_MOUSEHOVER)}));
  HWND tip = ::FindWindowW(TOOLTIPS_CLASSW, nullptr);
  ASSERT_NE(tip, nullptr);
  EXPECT_TRUE(::IsWindowVisible(tip));
  wchar_t text[64] = {};
  ::GetWindowTextW(tip, text, 64);
  EXPECT_STREQ(text, L"line fast %{99}");
  // Below the pointer, not over it or the text it rests on.
  RECT at{};
  ::GetWindowRect(tip, &at);
  POINT pointer{150, 50};
  ::ClientToScreen(window.GetHWND(), &pointer);
  EXPECT_EQ(at.left, pointer.x);
  EXPECT_GE(at.top, pointer.y + 16);

  // Moving to another control hides it.
  MoveTo(50, 50);
  EXPECT_FALSE(::IsWindowVisible(tip));
  CResourceSettingsUI::RemoveAllLanguageStrings();
  Headless::UseManualClock(false);
}

}  // namespace
}  // namespace skintest
