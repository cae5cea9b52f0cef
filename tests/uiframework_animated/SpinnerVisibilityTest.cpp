// The spinner's animation timer runs only while the spinner can be seen:
// hidden itself, under a hidden container, in a hidden or minimised
// window, no timer fires; shown again, it animates again. Timers are
// observed as the WM_TIMER messages the window receives on a manual clock.
#include "tests/uiframework_window/ManualClockWindow.h"
#include "uiframework/controls/ChrysanthemumLoadingUI.h"
#include "uiframework/layout/VerticalLayoutUI.h"

#include <gtest/gtest.h>

namespace animtest {

using AnimatedWindow = skintest::ManualClockWindow;
namespace {

using namespace SkinUI;
using skintest::Pump;
using skintest::TimerIdRecorder;

class SpinnerVisibility : public AnimatedWindow {
 protected:
  // Attaches the spinner inside a container and starts recording timers.
  void Attach(bool spinnerVisible) {
    spinner = new CChrysanthemumLoadingUI;
    spinner->SetVisible(spinnerVisible);
    panel = new CVerticalLayoutUI;
    panel->Add(spinner);
    window.AttachRow({panel}, {});
    window.pm.AddMessageFilter(&timers);
    Pump();
  }
  // Whether the spinner's timer fires within a second (and moves it on).
  bool Animates() {
    timers.ids.clear();
    const int phase = spinner->GetPhase();
    Tick(1000);
    const bool fired = !timers.ids.empty();
    EXPECT_EQ(fired, spinner->GetPhase() != phase);
    return fired;
  }

  TimerIdRecorder timers;
  CChrysanthemumLoadingUI* spinner = nullptr;
  CVerticalLayoutUI* panel = nullptr;
};

TEST_F(SpinnerVisibility, AHiddenSpinnerHasNoTimerUntilShown) {
  Attach(false);
  EXPECT_FALSE(Animates());
  EXPECT_FALSE(Animates());
  spinner->SetVisible(true);
  EXPECT_TRUE(Animates());
  spinner->SetVisible(false);
  EXPECT_FALSE(Animates());
}

TEST_F(SpinnerVisibility, AHiddenContainerStopsItAndShowingItStartsIt) {
  Attach(true);
  EXPECT_TRUE(Animates());
  panel->SetVisible(false);
  EXPECT_FALSE(Animates());
  // Its own visibility alone does not start it under a hidden container.
  spinner->SetVisible(false);
  spinner->SetVisible(true);
  EXPECT_FALSE(Animates());
  panel->SetVisible(true);
  EXPECT_TRUE(Animates());
}

TEST_F(SpinnerVisibility, AHiddenOrMinimisedWindowStopsIt) {
  Attach(true);
  EXPECT_TRUE(Animates());
  ::ShowWindow(window.GetHWND(), SW_HIDE);
  EXPECT_FALSE(Animates());
  ::ShowWindow(window.GetHWND(), SW_SHOWNOACTIVATE);
  EXPECT_TRUE(Animates());
  ::ShowWindow(window.GetHWND(), SW_MINIMIZE);
  EXPECT_FALSE(Animates());
  ::ShowWindow(window.GetHWND(), SW_RESTORE);
  EXPECT_TRUE(Animates());
}

TEST_F(SpinnerVisibility, AWindowCreatedHiddenStartsItOnlyWhenShown) {
  ::DestroyWindow(window.GetHWND());
  ASSERT_NE(window.Create(nullptr, L"skin test", WS_POPUP, 0, 0, 0, 300, 100), nullptr);
  Attach(true);
  EXPECT_FALSE(Animates());
  ::ShowWindow(window.GetHWND(), SW_SHOWNOACTIVATE);
  EXPECT_TRUE(Animates());
}

}  // namespace
}  // namespace animtest
