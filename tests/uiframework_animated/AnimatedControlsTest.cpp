// The spinner and the rotating image: their frames and steps on control
// timer 100 of a headless window with a manual clock, and their class-table
// rows.
#include "tests/uiframework_window/ManualClockWindow.h"
#include "tests/uiframework_animated/RecordingSurface.h"
#include "uiframework/controls/ChrysanthemumLoadingUI.h"
#include "uiframework/controls/GifAnimUI.h"
#include "uiframework/controls/GifButtonUI.h"
#include "uiframework/controls/RotateImageUI.h"
#include "uiframework/markup/ControlClassTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace animtest {

using AnimatedWindow = skintest::ManualClockWindow;
namespace {

using skintest::Pump;

int Alpha(DWORD color) { return static_cast<int>(color >> 24); }

// The spinner's spokes as one paint draws them.
std::vector<RecordedLine> Spokes(CChrysanthemumLoadingUI& spinner) {
  RecordingSurface surface;
  spinner.PaintContent(&surface, spinner.GetPos(), nullptr);
  return surface.lines;
}

TEST(AnimatedClassTable, RowsForTheFourControlsWithAnExactGifAnim) {
  for (const wchar_t* name : {L"GifAnim", L"GifButton", L"gifbutton", L"RotateImage", L"ROTATEIMAGE",
                              L"ChrysanthemumLoading", L"chrysanthemumloading"}) {
    std::unique_ptr<CControlUI> control(CreateControlByClass(name));
    ASSERT_NE(control, nullptr) << static_cast<const void*>(name);
  }
  EXPECT_EQ(CreateControlByClass(L"gifanim"), nullptr);
  EXPECT_EQ(CreateControlByClass(L"GIFANIM"), nullptr);
  std::unique_ptr<CControlUI> gif(CreateControlByClass(L"GifAnim"));
  EXPECT_STREQ(gif->GetClass(), L"GifAnim");
  EXPECT_NE(gif->FindInterface(L"GifAnim"), nullptr);
  std::unique_ptr<CControlUI> button(CreateControlByClass(L"GifButton"));
  EXPECT_NE(button->FindInterface(L"GifAnim"), nullptr);
  EXPECT_NE(button->FindInterface(L"GifButton"), nullptr);
  std::unique_ptr<CControlUI> spinner(CreateControlByClass(L"ChrysanthemumLoading"));
  EXPECT_NE(spinner->FindInterface(L"ChrysanthemumLoading"), nullptr);
  EXPECT_NE(spinner->FindInterface(L"Control"), nullptr);
  std::unique_ptr<CControlUI> rotate(CreateControlByClass(L"RotateImage"));
  EXPECT_STREQ(rotate->GetClass(), L"RotateImage");
}

TEST(Spinner, TenSpokesFadeInTowardsTheOpaqueOne) {
  CChrysanthemumLoadingUI spinner;
  spinner.SetAttribute(L"outradius", L"20");
  spinner.SetAttribute(L"innerradius", L"10");
  spinner.SetAttribute(L"spokecolor", L" #FF336699");
  spinner.SetPos(RECT{0, 0, 60, 60});
  const std::vector<RecordedLine> lines = Spokes(spinner);
  ASSERT_EQ(lines.size(), 10u);
  // Drawn from the opaque spoke on: 255, then 25, 50, ..., 225.
  EXPECT_EQ(lines[0].color, 0xFF336699u);
  for (int j = 1; j < 10; ++j) {
    EXPECT_EQ(Alpha(lines[static_cast<size_t>(j)].color), 25 * j);
    EXPECT_EQ(lines[static_cast<size_t>(j)].color & 0xFFFFFF, 0x336699u);
  }
  for (const RecordedLine& line : lines) {
    EXPECT_NEAR(std::hypot(line.x0 - 30, line.y0 - 30), 10, 0.01);
    EXPECT_NEAR(std::hypot(line.x1 - 30, line.y1 - 30), 20, 0.01);
    EXPECT_EQ(line.width, 4);
  }
  // The opaque spoke sits at the phase's angle: (phase + 1) × 36 degrees.
  const double a = (spinner.GetPhase() + 1) * 36.0 * 3.14 / 180;
  EXPECT_NEAR(lines[0].x1, 30 + 20 * std::cos(a), 0.01);
  EXPECT_NEAR(lines[0].y1, 30 + 20 * std::sin(a), 0.01);
}

TEST(Spinner, ThreeSpokesAndTheDefaultDots) {
  CChrysanthemumLoadingUI spinner;
  spinner.SetAttribute(L"spokenum", L"3");
  spinner.SetAttribute(L"outradius", L"10");
  spinner.SetPos(RECT{0, 0, 40, 40});
  std::vector<RecordedLine> lines = Spokes(spinner);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(Alpha(lines[0].color), 255);
  EXPECT_EQ(Alpha(lines[1].color), 85);
  EXPECT_EQ(Alpha(lines[2].color), 170);
  // With radii 0 every spoke is a dot of the pen's width at the centre.
  CChrysanthemumLoadingUI dots;
  dots.SetPos(RECT{10, 10, 30, 30});
  for (const RecordedLine& line : Spokes(dots)) {
    EXPECT_EQ(line.x0, 20);
    EXPECT_EQ(line.x1, 20);
    EXPECT_EQ(line.y0, line.y1);
  }
}

TEST(Spinner, SpokeCountsBelowOneOrAbsurdlyHighAreRefused) {
  CChrysanthemumLoadingUI spinner;
  for (const wchar_t* value : {L"0", L"-4", L"", L"x", L"99999999999", L"100000"})
    spinner.SetAttribute(L"spokenum", value);
  EXPECT_EQ(spinner.GetSpokeCount(), 10);
  spinner.SetPos(RECT{0, 0, 20, 20});
  EXPECT_EQ(Spokes(spinner).size(), 10u);
  spinner.SetAttribute(L"spokenum", L"1");
  EXPECT_EQ(Spokes(spinner).size(), 1u);
}

TEST_F(AnimatedWindow, EveryTickMovesTheSpinnersOpaqueSpokeOnePlace) {
  auto* spinner = new CChrysanthemumLoadingUI;
  spinner->SetAttribute(L"outradius", L"20");
  window.AttachRow({spinner}, {});
  Pump();
  const int start = spinner->GetPhase();
  Tick(39);
  EXPECT_EQ(spinner->GetPhase(), start);
  Tick(1);
  EXPECT_EQ(spinner->GetPhase(), (start + 1) % 10);
  for (int i = 0; i < 9; ++i) Tick(40);
  EXPECT_EQ(spinner->GetPhase(), start);  // once round
  // Hidden, it stands still; shown again, it moves on.
  spinner->SetVisible(false);
  Tick(400);
  EXPECT_EQ(spinner->GetPhase(), start);
  // Shown again it is laid out again (which renders a frame) and moves on.
  spinner->SetVisible(true);
  Pump();
  const int shown = spinner->GetPhase();
  Tick(40);
  EXPECT_EQ(spinner->GetPhase(), (shown + 1) % 10);
  // A new interval applies at once.
  spinner->SetAttribute(L"timeinterval", L"100");
  Tick(99);
  EXPECT_EQ(spinner->GetPhase(), (shown + 1) % 10);
  Tick(1);
  EXPECT_EQ(spinner->GetPhase(), (shown + 2) % 10);
  // Other timers of the control become "timer" notifications.
  window.notes.clear();
  spinner->SetName(L"spin");
  window.pm.SetTimer(spinner, 7, 10);
  Tick(10);
  EXPECT_NE(std::find(window.notes.begin(), window.notes.end(), "timer:spin"), window.notes.end());
}

TEST_F(AnimatedWindow, TheRotatingImageStepsAndWraps) {
  WriteTestFile(root.Dir("skin") / "arrow.png", std::string());  // no decodable image: still turns
  auto* rotate = new CRotateImageUI;
  rotate->SetAttribute(L"eachtimeangle", L"30");
  rotate->SetAttribute(L"timeinterval", L"0");  // ignored
  rotate->SetAttribute(L"timeinterval", L"-5");  // ignored
  window.AttachRow({rotate}, {});
  Pump();
  EXPECT_TRUE(rotate->IsRunning());
  std::vector<int> angles;
  for (int i = 0; i < 13; ++i) {
    Tick(40);
    angles.push_back(rotate->GetAngle());
  }
  EXPECT_EQ(angles, (std::vector<int>{30, 60, 90, 120, 150, 180, 210, 240, 270, 300, 330, 0, 30}));
  rotate->SetVisible(false);
  EXPECT_FALSE(rotate->IsRunning());
  Tick(200);
  EXPECT_EQ(rotate->GetAngle(), 30);
  rotate->SetVisible(true);
  EXPECT_TRUE(rotate->IsRunning());
}

TEST_F(AnimatedWindow, AFixedAngleAndNoAutoStart) {
  auto* rotate = new CRotateImageUI;
  rotate->SetAttribute(L"autostart", L"false");
  rotate->SetAttribute(L"fixangle", L"45");
  rotate->SetAttribute(L"fixangle", L"-10");  // ignored
  window.AttachRow({rotate}, {});
  Pump();
  EXPECT_FALSE(rotate->IsRunning());
  EXPECT_EQ(rotate->GetAngle(), 45);
  Tick(400);
  EXPECT_EQ(rotate->GetAngle(), 45);
  rotate->StartAnimation();
  Tick(40);
  EXPECT_EQ(rotate->GetAngle(), 46);
}

}  // namespace
}  // namespace animtest
