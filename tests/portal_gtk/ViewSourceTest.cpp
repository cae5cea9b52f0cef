// The WebKit engine's source of views: when it keeps a spare view (and so
// a web process), and that the spare goes with the source.
#include "platform/window/gtk/WebKitViewSource.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <chrono>

#include "platform/window/gtk/DisplayBackend.h"
#include "tests/platform_gtk/DisplayProbe.h"

namespace {

class ViewSource : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(InstallDisplayBackendIfAvailable()) << "no X display (run under Xvfb)"; }
  void SetUp() override { context_ = webkit_web_context_new_ephemeral(); }
  void TearDown() override { g_object_unref(context_); }

  // Lets the loop run for ms.
  static void Settle(int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    RunLoopUntil([&] { return std::chrono::steady_clock::now() >= until; }, ms + 1000);
  }
  static void Release(WebKitWebView* view, CWebKitViewSource& views) {
    g_object_unref(view);
    views.ViewReturned();
  }
  static constexpr int kLongerThanTheDelay = 3 * CWebKitViewSource::kSpareDelayMs;
  static constexpr int kStartUp = 120000;  // a web process starting on a loaded machine

  WebKitWebContext* context_ = nullptr;
};

// Notes when an object is finalised.
void Finalised(gpointer flag, GObject*) { *static_cast<bool*>(flag) = true; }

TEST_F(ViewSource, StartsNoSpareUntilAControlIsKnownToCome) {
  CWebKitViewSource views(context_);
  Settle(kLongerThanTheDelay);
  EXPECT_EQ(views.Spare(), nullptr);

  // A view taken is a new one; while it is in use no spare is started.
  WebKitWebView* first = views.TakeView();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(gtk_widget_get_parent(GTK_WIDGET(first)), nullptr);
  EXPECT_EQ(webkit_web_view_get_context(first), context_);
  Settle(kLongerThanTheDelay);
  EXPECT_EQ(views.Spare(), nullptr);

  // Given back: the next control is likely, a spare follows.
  Release(first, views);
  ASSERT_TRUE(RunLoopUntil([&] { return views.SpareReady(); }, kStartUp));
}

TEST_F(ViewSource, AViewTakenBeforeTheDelayStopsTheSpare) {
  CWebKitViewSource views(context_);
  WebKitWebView* a = views.TakeView();
  WebKitWebView* b = views.TakeView();
  Release(a, views);
  Settle(kLongerThanTheDelay);
  EXPECT_EQ(views.Spare(), nullptr) << "one view is still in use";

  Release(b, views);
  WebKitWebView* c = views.TakeView();  // within the delay
  Settle(kLongerThanTheDelay);
  EXPECT_EQ(views.Spare(), nullptr);
  Release(c, views);
}

TEST_F(ViewSource, TheSpareIsHandedOutOnlyOnceItsPageIsLoaded) {
  CWebKitViewSource views(context_);
  views.Prepare();
  ASSERT_NE(views.Spare(), nullptr);
  ASSERT_FALSE(views.SpareReady());
  // Still starting: events of its blank page would reach the taker. It
  // goes: no second web process beside the view in use.
  bool dropped = false;
  g_object_weak_ref(G_OBJECT(views.Spare()), &Finalised, &dropped);
  WebKitWebView* other = views.TakeView();
  EXPECT_TRUE(dropped);
  EXPECT_EQ(views.Spare(), nullptr);

  views.Prepare();  // asked for beside the view in use
  WebKitWebView* spare = views.Spare();
  ASSERT_TRUE(RunLoopUntil([&] { return views.SpareReady(); }, kStartUp));
  WebKitWebView* adopted = views.TakeView();
  EXPECT_EQ(adopted, spare);
  EXPECT_EQ(views.Spare(), nullptr);
  // Out of its off-screen window, with the same settings as a new view.
  EXPECT_EQ(gtk_widget_get_parent(GTK_WIDGET(adopted)), nullptr);
  EXPECT_FALSE(webkit_web_view_is_loading(adopted));
  WebKitSettings* settings = webkit_web_view_get_settings(adopted);
  EXPECT_TRUE(webkit_settings_get_javascript_can_open_windows_automatically(settings));
  EXPECT_EQ(webkit_settings_get_hardware_acceleration_policy(settings), WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  Release(adopted, views);
  Release(other, views);
}

TEST_F(ViewSource, TheSpareGoesWithTheSource) {
  bool gone = false;
  {
    CWebKitViewSource views(context_);
    views.Prepare();
    ASSERT_TRUE(RunLoopUntil([&] { return views.SpareReady(); }, kStartUp));
    g_object_weak_ref(G_OBJECT(views.Spare()), &Finalised, &gone);
  }
  EXPECT_TRUE(gone);

  // Closed: the spare goes, none comes again, views can still be taken.
  CWebKitViewSource views(context_);
  views.Prepare();
  bool closedGone = false;
  g_object_weak_ref(G_OBJECT(views.Spare()), &Finalised, &closedGone);
  views.Close();
  EXPECT_TRUE(closedGone);
  views.Prepare();
  EXPECT_EQ(views.Spare(), nullptr);
  WebKitWebView* view = views.TakeView();
  ASSERT_NE(view, nullptr);
  Release(view, views);
  Settle(kLongerThanTheDelay);
  EXPECT_EQ(views.Spare(), nullptr);
}

}  // namespace
