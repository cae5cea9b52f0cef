// A skinned window on a real X display: the tree's colours reach the
// screen and X mouse input reaches the controls as hover, press and
// release, ending in a notification.
#include <gtest/gtest.h>

#include "platform/window/gtk/DisplayBackend.h"
#include "tests/platform_gtk/DisplayProbe.h"
#include "tests/uiframework_window/SkinTestWindow.h"

namespace skintest {
namespace {

// Notifies "click" when released over itself after a press.
class ClickControl : public RecordingControl {
 public:
  using RecordingControl::RecordingControl;
  void HandleEvent(UIEvent& event) override {
    if (event.type == UIEVENT_BUTTONDOWN) m_pressed = true;
    if (event.type == UIEVENT_BUTTONUP && m_pressed) {
      m_pressed = false;
      if (RectContains(GetPos(), event.mouse)) GetManager()->SendNotify(this, L"click");
    }
  }

 private:
  bool m_pressed = false;
};

TEST(GtkSkinWindowTest, PaintsTheTreeAndTurnsXInputIntoAClick) {
  ASSERT_TRUE(InstallDisplayBackendIfAvailable()) << "no X display (run under Xvfb)";
  EventLog log;
  SkinTestWindow window;
  ASSERT_NE(window.Open(100, 100, 200, 60), nullptr);
  auto* left = new RecordingControl(L"left", &log);
  auto* right = new ClickControl(L"right", &log);
  left->SetBkColor(0xFFFF0000);
  right->SetBkColor(0xFF0000FF);
  window.AttachRow({left, right}, {100});
  ASSERT_TRUE(RunLoopUntil([&] { return !window.notes.empty(); }, 5000));
  EXPECT_EQ(window.notes.front(), "windowinit:root");
  WaitForDrawing();

  const Screenshot shot = TakeScreenshot(RECT{90, 90, 310, 170});
  ASSERT_FALSE(shot.pixels.empty()) << "screenshot failed";
  EXPECT_EQ(shot.At(100, 100), 0xFF0000u);
  EXPECT_EQ(shot.At(199, 159), 0xFF0000u);
  EXPECT_EQ(shot.At(200, 100), 0x0000FFu);
  EXPECT_EQ(shot.At(299, 159), 0x0000FFu);

  ASSERT_TRUE(Xdotool("mousemove 150 130"));
  ASSERT_TRUE(RunLoopUntil([&] { return window.pm.GetHoverControl() == left; }, 5000));
  ASSERT_TRUE(Xdotool("mousemove 250 130 click 1"));
  ASSERT_TRUE(RunLoopUntil([&] { return window.notes.back() == "click:right"; }, 5000));
  EXPECT_EQ(right->last.type, UIEVENT_BUTTONUP);
  EXPECT_EQ(right->last.mouse.x, 150);
  EXPECT_EQ(right->last.mouse.y, 30);
  ::DestroyWindow(window.GetHWND());
}

}  // namespace
}  // namespace skintest
