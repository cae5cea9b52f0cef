// A control tree painted through the cairo paint surface: background
// colours and images, borders and round corners end up as pixels.
#include "tests/uiframework_render/TestCanvas.h"
#include "uiframework/layout/VerticalLayoutUI.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/render/CairoPaintSurface.h"
#include "uiframework/render/RenderEngine.h"
#include "uiframework/render/Renderer.h"

#include <gtest/gtest.h>

using namespace SkinUI;

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFF;

TEST(RenderControlTreePaint, BackgroundsImagesAndBordersReachTheSurface) {
  CRenderEngineUI engine;
  CScopedRenderServicesUI installed(engine.Services());
  CWindowManagerUI manager;
  auto* root = new CVerticalLayoutUI;
  root->SetAttribute(L"bkcolor", L"#FF0000FF");
  auto* top = new CControlUI;
  top->SetAttribute(L"height", L"20");
  // Set before the control has a manager: the image loads when painted.
  top->SetAttribute(L"bkimage", L"color='#FFFF0000' dest='0,0,30,20'");
  top->SetAttribute(L"bordersize", L"1");
  top->SetAttribute(L"bordercolor", L"#FF00FF00");
  auto* rounded = new CControlUI;
  rounded->SetAttribute(L"bkcolor", L"#FFFFFF00");
  rounded->SetAttribute(L"borderround", L"20,20");
  root->Add(top);
  root->Add(rounded);
  manager.AttachRoot(root);
  root->SetPos(RECT{0, 0, 40, 60});

  TestCanvas canvas(40, 60, kWhite);
  {
    CCairoPaintSurfaceUI surface(canvas.dc());
    root->Paint(&surface, RECT{0, 0, 40, 60}, nullptr);
  }
  EXPECT_EQ(canvas.Pixel(0, 0), 0xFF00FF00u);    // border over the image
  EXPECT_EQ(canvas.Pixel(10, 10), 0xFFFF0000u);  // image
  EXPECT_EQ(canvas.Pixel(35, 10), 0xFF0000FFu);  // past the image's dest: the root's colour
  EXPECT_EQ(canvas.Pixel(39, 10), 0xFF00FF00u);  // right border
  EXPECT_EQ(canvas.Pixel(20, 40), 0xFFFFFF00u);  // rounded control's middle
  EXPECT_EQ(canvas.Pixel(0, 20), 0xFF0000FFu);   // its cut corner shows the root
  EXPECT_EQ(canvas.Pixel(39, 59), 0xFF0000FFu);

  // A partial repaint touches only its rectangle.
  TestCanvas partial(40, 60, kWhite);
  {
    CCairoPaintSurfaceUI surface(partial.dc());
    surface.PushClip(RECT{5, 5, 15, 15});
    root->Paint(&surface, RECT{5, 5, 15, 15}, nullptr);
    surface.PopClip();
  }
  EXPECT_EQ(partial.ChangedBox(kWhite), (RECT{5, 5, 15, 15}));
}

}  // namespace
