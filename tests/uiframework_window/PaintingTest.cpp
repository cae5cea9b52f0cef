// What the manager paints: the tree's pixels read back from the window,
// partial repaints, and per-pixel layered windows with their alpha and
// shadow.
#include <gtest/gtest.h>

#include "tests/support/TempMachineRoot.h"
#include "tests/uiframework_window/SkinTestWindow.h"
#include "uiframework/render/RenderEngine.h"
#include "uiframework/render/Renderer.h"

namespace skintest {
namespace {

constexpr DWORD kRed = 0xFFFF0000;
constexpr DWORD kGreen = 0xFF00FF00;
constexpr DWORD kBlue = 0xFF0000FF;

DWORD Alpha(DWORD pixel) { return pixel >> 24; }

class PaintingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Headless::ResetInput();
    Headless::UseManualClock(true);
    ASSERT_NE(window.Open(10, 10, 200, 60), nullptr);
    left = new RecordingControl(L"left", nullptr);
    right = new RecordingControl(L"right", nullptr);
    left->SetBkColor(kRed);
    right->SetBkColor(kGreen);
    row = window.AttachRow({left, right}, {50});
  }
  void TearDown() override {
    if (::IsWindow(window.GetHWND())) ::DestroyWindow(window.GetHWND());
    Headless::UseManualClock(false);
  }
  DWORD At(int x, int y) const { return Headless::ReadPixel(window.GetHWND(), x, y); }
  void Tick() {
    Headless::AdvanceClock(10);
    Pump();
  }

  TempMachineRoot root;
  SkinTestWindow window;
  RecordingControl* left = nullptr;
  RecordingControl* right = nullptr;
  CHorizontalLayoutUI* row = nullptr;
};

TEST_F(PaintingTest, TheTreeIsPaintedIntoTheWindow) {
  Pump();
  EXPECT_EQ(At(0, 0), kRed);
  EXPECT_EQ(At(49, 59), kRed);
  EXPECT_EQ(At(50, 0), kGreen);
  EXPECT_EQ(At(199, 59), kGreen);
  EXPECT_FALSE(window.pm.IsPainting());
}

TEST_F(PaintingTest, OnlyTheInvalidRectangleIsRepainted) {
  Pump();
  left->paints = right->paints = 0;
  window.pm.Invalidate(RECT{100, 0, 150, 30});
  Pump();
  EXPECT_EQ(left->paints, 0);
  EXPECT_EQ(right->paints, 1);
  EXPECT_EQ(right->lastPaint, (RECT{100, 0, 150, 30}));
  EXPECT_EQ(At(120, 10), kGreen);
}

TEST_F(PaintingTest, ALayeredWindowKeepsPerPixelAlpha) {
  row->SetBkColor(0);
  left->SetBkColor(0x80FF0000);
  window.pm.SetLayeredImage(L"");
  window.pm.SetLayeredOpacity(200);
  EXPECT_TRUE(window.pm.IsLayered());
  Pump();
  Tick();
  Tick();
  EXPECT_TRUE(Headless::IsPerPixelLayered(window.GetHWND()));
  EXPECT_EQ(Headless::ConstantAlpha(window.GetHWND()), 200);
  EXPECT_EQ(Alpha(At(10, 10)), 0x80u);
  EXPECT_EQ(At(100, 10), kGreen);

  // Later changes show at the next refresh tick.
  right->SetBkColor(kBlue);
  Pump();
  Tick();
  EXPECT_EQ(At(100, 10), kBlue);
}

TEST_F(PaintingTest, ALayeredShadowFadesTowardsTheWindowEdge) {
  window.pm.SetWindowAttribute(L"shadowsize", L"8");
  window.pm.SetWindowAttribute(L"shadowcolor", L"#FF000000");
  window.pm.SetLayeredImage(L"");
  Pump();
  Tick();
  Tick();
  // The tree is laid out inside the shadow band.
  EXPECT_EQ(left->GetPos().left, 8);
  EXPECT_EQ(At(8, 30), kRed);
  EXPECT_EQ(At(191, 30), kGreen);
  // The band: transparent at the very corner, darker further in.
  EXPECT_EQ(At(0, 0), 0u);
  const DWORD outer = Alpha(At(0, 30));
  const DWORD inner = Alpha(At(7, 30));
  EXPECT_GT(inner, outer);
  EXPECT_GT(inner, 0u);
  EXPECT_EQ(At(0, 30) & 0x00FFFFFF, 0u);  // black, premultiplied
}

TEST_F(PaintingTest, WindowAttributesSizeAndFadeTheWindow) {
  SkinTestWindow bare;
  ASSERT_NE(bare.Open(0, 0, 10, 10), nullptr);
  bare.pm.SetWindowAttribute(L"size", L"120,80");
  RECT rc;
  ::GetWindowRect(bare.GetHWND(), &rc);
  EXPECT_EQ(rc.right - rc.left, 120);
  EXPECT_EQ(rc.bottom - rc.top, 80);
  // Once a tree is attached the size is only remembered.
  bare.pm.AttachRoot(new RecordingControl(L"r", nullptr));
  bare.pm.SetWindowAttribute(L"size", L"50,50");
  ::GetWindowRect(bare.GetHWND(), &rc);
  EXPECT_EQ(rc.right - rc.left, 120);
  EXPECT_EQ(bare.pm.GetInitSize().cx, 50);

  bare.pm.SetWindowAttribute(L"opacity", L"128");
  EXPECT_EQ(Headless::ConstantAlpha(bare.GetHWND()), 128);
  EXPECT_FALSE(Headless::IsPerPixelLayered(bare.GetHWND()));
  EXPECT_FALSE(bare.pm.IsLayered());
  ::DestroyWindow(bare.GetHWND());
}

TEST_F(PaintingTest, ACaptionDownToMinusOneSpansTheWholeClientHeight) {
  window.pm.SetWindowAttribute(L"caption", L"2,0,3,-1");
  const RECT caption = window.pm.GetCaptionRect();
  EXPECT_EQ(caption.left, 2);
  EXPECT_EQ(caption.right, 3);
  EXPECT_EQ(caption.bottom, 60);
  EXPECT_EQ(window.pm.GetWindowAttributes().caption.bottom, -1);  // as the markup says
  window.pm.SetWindowAttribute(L"caption", L"0,0,0,30");
  EXPECT_EQ(window.pm.GetCaptionRect().bottom, 30);
  // Unbound, the initial size stands in for the window.
  CWindowManagerUI unbound;
  unbound.SetWindowAttribute(L"size", L"900,600");
  unbound.SetWindowAttribute(L"caption", L"0,0,0,-1");
  EXPECT_EQ(unbound.GetCaptionRect().bottom, 600);
}

TEST_F(PaintingTest, ChildWindowsCannotBeLayered) {
  SkinTestWindow child;
  ASSERT_NE(child.Create(window.GetHWND(), L"child", WS_CHILD | WS_VISIBLE, 0, 0, 0, 20, 20), nullptr);
  EXPECT_FALSE(child.pm.SetLayered(true));
  EXPECT_FALSE(child.pm.IsLayered());
  ::DestroyWindow(child.GetHWND());
}

TEST_F(PaintingTest, TheLayeredBackgroundImageFollowsTheWindowSize) {
  CRenderEngineUI engine;
  CScopedRenderServicesUI installed(engine.Services());
  row->SetBkColor(0);
  left->SetBkColor(0);
  window.pm.SetLayeredImage(L"color='#FF0000FF'");
  Pump();
  Tick();
  Tick();
  EXPECT_EQ(At(10, 10), kBlue);
  EXPECT_EQ(At(100, 10), kGreen);
  ::SetWindowPos(window.GetHWND(), nullptr, 0, 0, 300, 90, SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  Tick();
  Tick();
  EXPECT_EQ(At(20, 80), kBlue);
  EXPECT_EQ(At(299, 89), kGreen);
}

}  // namespace
}  // namespace skintest
