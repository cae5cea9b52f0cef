// Focus and tab order, and control timers: their window ids, firing,
// killing and restarting, and their end with the control.
#include <gtest/gtest.h>

#include "tests/uiframework_window/ManualClockWindow.h"

namespace skintest {
namespace {

class WindowFixture : public ManualClockWindow {
 protected:
  WindowFixture() : ManualClockWindow(400) {}

  EventLog log;
};

using FocusTest = WindowFixture;

TEST_F(FocusTest, TabWrapsBothWaysOverTabStopsOnly) {
  auto* first = new RecordingControl(L"first", &log, UIFLAG_TABSTOP);
  auto* plain = new RecordingControl(L"plain", &log);
  auto* second = new RecordingControl(L"second", &log, UIFLAG_TABSTOP);
  auto* last = new RecordingControl(L"last", &log, UIFLAG_TABSTOP);
  window.AttachRow({first, plain, second, last}, {100, 100, 100});
  Pump();

  // The first paint moved the focus to the first tab stop.
  EXPECT_EQ(window.pm.GetFocus(), first);
  window.pm.FocusNextTabStop(true);
  EXPECT_EQ(window.pm.GetFocus(), second);
  window.pm.FocusNextTabStop(true);
  window.pm.FocusNextTabStop(true);
  EXPECT_EQ(window.pm.GetFocus(), first);  // wrapped
  window.pm.FocusNextTabStop(false);
  EXPECT_EQ(window.pm.GetFocus(), last);  // wrapped back

  // Tab arrives through the message pre-translation; Shift reverses it.
  MSG tab{window.GetHWND(), WM_KEYDOWN, VK_TAB, 0, 0, POINT{}};
  EXPECT_TRUE(CWindowManagerUI::PreTranslate(&tab));
  EXPECT_EQ(window.pm.GetFocus(), first);
  Headless::KeyDown(VK_SHIFT);
  Pump();
  EXPECT_TRUE(CWindowManagerUI::PreTranslate(&tab));
  EXPECT_EQ(window.pm.GetFocus(), last);
  Headless::KeyUp(VK_SHIFT);
  Pump();
}

TEST_F(FocusTest, FocusChangesSendKillThenSetWithNotifications) {
  auto* a = new RecordingControl(L"a", &log);
  auto* b = new RecordingControl(L"b", &log);
  window.AttachRow({a, b}, {100});
  Pump();
  window.notes.clear();
  window.pm.SetFocus(a);
  log.clear();
  window.pm.SetFocus(b);
  EXPECT_EQ(log, (EventLog{"a:20", "b:21"}));
  EXPECT_EQ(a->last.sender, b);  // the control that takes the focus
  EXPECT_EQ(window.notes, (std::vector<std::string>{"setfocus:a", "killfocus:a", "setfocus:b"}));
  EXPECT_EQ(::GetFocus(), window.GetHWND());

  // A hidden or disabled control is not focused; the old focus is dropped.
  b->SetEnabled(false);
  window.pm.SetFocus(a);
  window.pm.SetFocus(b);
  EXPECT_EQ(window.pm.GetFocus(), nullptr);
}

TEST_F(FocusTest, DeferredFocusLandsOnTheControlAtTheNextPaint) {
  auto* a = new RecordingControl(L"a", &log, UIFLAG_TABSTOP);
  auto* b = new RecordingControl(L"b", &log, UIFLAG_TABSTOP);
  auto* c = new RecordingControl(L"c", &log, UIFLAG_TABSTOP);
  window.AttachRow({a, b, c}, {100, 100});
  Pump();
  window.pm.SetFocusDeferred(c);
  EXPECT_TRUE(window.pm.IsFocusNeeded());
  Pump();
  EXPECT_EQ(window.pm.GetFocus(), c);
}

TEST_F(FocusTest, TabInAChildWindowReachesTheChildWindowsOwnManager) {
  SkinTestWindow child;
  ASSERT_NE(child.Create(window.GetHWND(), L"child", WS_CHILD | WS_VISIBLE, 0, 0, 0, 200, 50), nullptr);
  auto* a = new RecordingControl(L"a", &log, UIFLAG_TABSTOP);
  auto* b = new RecordingControl(L"b", &log, UIFLAG_TABSTOP);
  child.AttachRow({a, b}, {100});
  Pump();
  child.pm.SetFocus(a, false);
  MSG tab{child.GetHWND(), WM_KEYDOWN, VK_TAB, 0, 0, POINT{}};
  CWindowManagerUI::PreTranslate(&tab);
  EXPECT_EQ(child.pm.GetFocus(), b);
  ::DestroyWindow(child.GetHWND());
}

using TimerTest = WindowFixture;

TEST_F(TimerTest, TimersFireWithTheControlsIdAndStopWhenKilled) {
  auto* a = new RecordingControl(L"a", &log);
  window.AttachRow({a}, {});
  Pump();
  TimerIdRecorder ids;
  window.pm.AddMessageFilter(&ids);
  ASSERT_TRUE(window.pm.SetTimer(a, 7, 50));
  EXPECT_FALSE(window.pm.SetTimer(a, 7, 50));  // already live
  ASSERT_TRUE(window.pm.SetTimer(a, 8, 80));
  log.clear();
  Tick(50);
  ASSERT_EQ(log, (EventLog{"a:24"}));
  EXPECT_EQ(a->last.wParam, 7u);
  // Unconsumed timer events become "timer" notifications.
  EXPECT_EQ(window.notes.back(), "timer:a");
  EXPECT_EQ(ids.ids, (std::vector<WPARAM>{17}));  // (4096 + 1) mod 255

  EXPECT_TRUE(window.pm.KillTimer(a, 7));
  EXPECT_FALSE(window.pm.KillTimer(a, 7));
  log.clear();
  ids.ids.clear();
  Tick(40);
  EXPECT_EQ(log, (EventLog{"a:24"}));  // only timer 8
  EXPECT_EQ(a->last.wParam, 8u);
  EXPECT_EQ(ids.ids, (std::vector<WPARAM>{18}));

  // A killed timer restarts under its old window id.
  ASSERT_TRUE(window.pm.SetTimer(a, 7, 10));
  ids.ids.clear();
  Tick(10);
  EXPECT_EQ(ids.ids, (std::vector<WPARAM>{17}));
  window.pm.RemoveMessageFilter(&ids);
}

TEST_F(TimerTest, DeletingAControlEndsItsTimers) {
  auto* a = new RecordingControl(L"a", &log);
  auto* b = new RecordingControl(L"b", &log);
  auto* row = window.AttachRow({a, b}, {100});
  Pump();
  ASSERT_TRUE(window.pm.SetTimer(a, 1, 20));
  ASSERT_TRUE(window.pm.SetTimer(b, 1, 20));
  row->Remove(a);  // deleted at once
  log.clear();
  Tick(20);
  EXPECT_EQ(log, (EventLog{"b:24"}));
}

TEST_F(TimerTest, WindowIdsSkipIdsStillHeldInsteadOfColliding) {
  EventLog quiet;
  std::vector<RecordingControl*> controls;
  for (int i = 0; i < 254; ++i) controls.push_back(new RecordingControl(L"t", nullptr));
  auto* row = new CHorizontalLayoutUI;
  for (auto* control : controls) row->Add(control);
  window.pm.AttachRoot(row);
  // Ids 1 to 254 are all there is: 254 timers take them all.
  for (auto* control : controls) ASSERT_TRUE(window.pm.SetTimer(control, 1, 1000));
  auto* extra = new RecordingControl(L"x", &quiet);
  row->Add(extra);
  EXPECT_FALSE(window.pm.SetTimer(extra, 1, 10));
  // A killed timer still holds its id for its restart.
  window.pm.KillTimer(controls[3], 1);
  EXPECT_FALSE(window.pm.SetTimer(extra, 1, 10));
  // Removing a control's timers frees its id for the next one.
  window.pm.KillTimer(controls[3]);
  TimerIdRecorder ids;
  window.pm.AddMessageFilter(&ids);
  ASSERT_TRUE(window.pm.SetTimer(extra, 1, 10));
  Tick(10);
  EXPECT_EQ(ids.ids, (std::vector<WPARAM>{20}));  // the fourth id handed out
  EXPECT_EQ(quiet, (EventLog{"x:24"}));
  window.pm.RemoveMessageFilter(&ids);
}

}  // namespace
}  // namespace skintest
