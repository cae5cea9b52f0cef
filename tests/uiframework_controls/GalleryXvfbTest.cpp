// The gallery in a real window on an X display (Xvfb) through the GTK
// backend: the screen shows the committed picture; the animated controls
// move; the mouse makes a button hot and pushed and reveals a
// ContainerEx's children.
#include <gtest/gtest.h>

#include "MainWnd/ProgramControls.h"
#include "platform/window/gtk/DisplayBackend.h"
#include "tests/platform_gtk/DisplayProbe.h"
#include "tests/uiframework_controls/GalleryImage.h"
#include "tests/uiframework_window/SkinTestWindow.h"
#include "uiframework/markup/DialogBuilder.h"
#include "uiframework/render/RenderEngine.h"
#include "uiframework/resources/RenderServices.h"

#include <algorithm>

namespace skintest {
namespace {

constexpr int kLeft = 100;
constexpr int kTop = 100;

gallery::Picture Shoot() {
  WaitForDrawing();
  const Screenshot shot = TakeScreenshot(RECT{kLeft, kTop, kLeft + gallery::kWidth, kTop + gallery::kHeight});
  gallery::Picture picture;
  picture.width = shot.width;
  picture.height = shot.height;
  picture.pixels = shot.pixels;
  return picture;
}

std::string Move(int x, int y) { return "mousemove " + std::to_string(kLeft + x) + " " + std::to_string(kTop + y); }

TEST(GalleryXvfbTest, ScreenShowsTheGalleryAndItsControlsFollowTheMouse) {
  ASSERT_TRUE(InstallDisplayBackendIfAvailable()) << "no X display (run under Xvfb)";
  CRenderEngineUI engine;
  CScopedRenderServicesUI services{engine.Services()};
  SkinTestWindow window;
  ASSERT_NE(window.Open(kLeft, kTop, gallery::kWidth, gallery::kHeight), nullptr);
  CProgramControlsCallback callback;
  CDialogBuilder builder;
  gallery::ScopedGalleryFolder folder;
  CControlUI* root = builder.Create(gallery::kMarkupName, nullptr, &callback, &window.pm);
  ASSERT_NE(root, nullptr);
  window.pm.AttachRoot(root);
  ASSERT_TRUE(RunLoopUntil([&] { return !window.notes.empty(); }, 5000));

  const gallery::Picture still = Shoot();
  ASSERT_FALSE(still.pixels.empty()) << "screenshot failed";
  EXPECT_EQ(gallery::CheckAgainstExpected(still, "gallery-xvfb"), "");

  // The GIF player and the spinner move on by themselves: moments later
  // their rectangles show other pixels (a shot may meet the same frame
  // again, so a few are taken), the rest of the window the same.
  auto changedIn = [&](const gallery::Picture& later, const wchar_t* name) {
    const RECT rc = window.pm.FindControl(name)->GetPos();
    int changed = 0;
    for (LONG y = rc.top; y < rc.bottom; ++y)
      for (LONG x = rc.left; x < rc.right; ++x)
        if (later.pixels[y * gallery::kWidth + x] != still.pixels[y * gallery::kWidth + x]) ++changed;
    return changed;
  };
  int gifChanged = 0, spinnerChanged = 0;
  for (int shot = 0; shot < 6 && (gifChanged == 0 || spinnerChanged == 0); ++shot) {
    RunLoopUntil([] { return false; }, 130);
    const gallery::Picture later = Shoot();
    ASSERT_FALSE(later.pixels.empty()) << "screenshot failed";
    gifChanged = std::max(gifChanged, changedIn(later, L"gif"));
    spinnerChanged = std::max(spinnerChanged, changedIn(later, L"spinner"));
    EXPECT_EQ(changedIn(later, L"rotate"), 0);
    EXPECT_EQ(changedIn(later, L"title"), 0);
  }
  EXPECT_GT(gifChanged, 100);
  EXPECT_GT(spinnerChanged, 20);

  // The second button turns hot, then pushed; the screen shows each
  // state's colour.
  const RECT normal = window.pm.FindControl(L"normal")->GetPos();
  ASSERT_TRUE(Xdotool(Move(normal.left + 50, normal.top + 10)));
  ASSERT_TRUE(RunLoopUntil([&] { return window.pm.GetHoverControl() == window.pm.FindControl(L"normal"); }, 5000));
  gallery::Picture hot = Shoot();
  gallery::SavePicture("gallery-xvfb-hot.png", hot);
  EXPECT_EQ(hot.pixels[(normal.top + 5) * gallery::kWidth + normal.left + 8], 0x4C8BE8u);
  ASSERT_TRUE(Xdotool("mousedown 1"));
  ASSERT_TRUE(RunLoopUntil([&] { return window.pm.IsCaptured(); }, 5000));
  gallery::Picture pushed = Shoot();
  gallery::SavePicture("gallery-xvfb-pushed.png", pushed);
  EXPECT_EQ(pushed.pixels[(normal.top + 5) * gallery::kWidth + normal.left + 8], 0x1B4F9Fu);
  ASSERT_TRUE(Xdotool("mouseup 1"));
  ASSERT_TRUE(RunLoopUntil([&] {
    for (const std::string& note : window.notes)
      if (note == "click:normal") return true;
    return false;
  }, 5000));

  // The hover-reveal panel shows its button (10..90 × 40..70 inside it)
  // only while the mouse is over it.
  const RECT panel = window.pm.FindControl(L"reveal")->GetPos();
  const int buttonPixel = (panel.top + 44) * gallery::kWidth + panel.left + 14;
  EXPECT_NE(still.pixels[buttonPixel], 0x2F6FD0u);
  ASSERT_TRUE(Xdotool(Move(panel.left + 150, panel.bottom - 10)));
  ASSERT_TRUE(RunLoopUntil([&] { return window.pm.GetHoverControl() == window.pm.FindControl(L"reveal"); }, 5000));
  gallery::Picture revealed = Shoot();
  gallery::SavePicture("gallery-xvfb-revealed.png", revealed);
  EXPECT_EQ(revealed.pixels[buttonPixel], 0x2F6FD0u);
  ::DestroyWindow(window.GetHWND());
}

}  // namespace
}  // namespace skintest
