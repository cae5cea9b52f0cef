// A skinned window on a real X display: the tree's colours reach the
// screen and X mouse input reaches the controls as hover, press and
// release, ending in a notification.
#include <gtest/gtest.h>

#include "platform/window/gtk/DisplayBackend.h"
#include "uiframework/markup/DialogBuilder.h"
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

// Makes the markup's "Click" elements.
class ClickControls : public IDialogBuilderCallback {
 public:
  explicit ClickControls(EventLog* log) : log_(log) {}
  CControlUI* CreateControl(LPCWSTR className) override {
    return std::wstring(className) == L"Click" ? new ClickControl(L"", log_) : nullptr;
  }

 private:
  EventLog* log_;
};

TEST(GtkSkinWindowTest, AMarkupTreeFollowsItsMovedWindowAndTakesAClick) {
  ASSERT_TRUE(InstallDisplayBackendIfAvailable()) << "no X display (run under Xvfb)";
  EventLog log;
  SkinTestWindow window;
  ASSERT_NE(window.Open(100, 100, 200, 60), nullptr);
  ClickControls callback(&log);
  CDialogBuilder builder;
  CControlUI* root = builder.Create(
      L"<Window size=\"200,60\"><HorizontalLayout name=\"root\">"
      L"<Control name=\"left\" width=\"80\" bkcolor=\"#FF00FF00\" />"
      L"<Click name=\"right\" bkcolor=\"#FFFF00FF\" />"
      L"</HorizontalLayout></Window>",
      nullptr, &callback, &window.pm);
  ASSERT_NE(root, nullptr);
  window.pm.AttachRoot(root);
  ASSERT_TRUE(RunLoopUntil([&] { return !window.notes.empty(); }, 5000));

  ::MoveWindow(window.GetHWND(), 400, 300, 200, 60, TRUE);
  RunLoopUntil([] { return false; }, 200);  // let the move repaint
  WaitForDrawing();
  const Screenshot shot = TakeScreenshot(RECT{390, 290, 610, 370});
  ASSERT_FALSE(shot.pixels.empty()) << "screenshot failed";
  EXPECT_EQ(shot.At(405, 330), 0x00FF00u);
  EXPECT_EQ(shot.At(590, 330), 0xFF00FFu);

  ASSERT_TRUE(Xdotool("mousemove 550 330 click 1"));
  ASSERT_TRUE(RunLoopUntil([&] { return window.notes.back() == "click:right"; }, 5000));
  auto* right = static_cast<ClickControl*>(window.pm.FindControl(L"right"));
  ASSERT_NE(right, nullptr);
  EXPECT_EQ(right->last.mouse.x, 150);
  EXPECT_EQ(right->last.mouse.y, 30);
  ::DestroyWindow(window.GetHWND());
}

}  // namespace
}  // namespace skintest
