// The GIF player and the GIF button: frames decoded from skin files, each
// shown for its own delay on a manual clock, still images and broken files
// that never start a timer, and the button's click rules.
#include "system/WriteLogFile.h"
#include "tests/support/TempMachineRoot.h"
#include "tests/uiframework_animated/RecordingSurface.h"
#include "tests/uiframework_render/GifWriter.h"
#include "tests/uiframework_window/SkinTestWindow.h"
#include "uiframework/controls/ControlState.h"
#include "uiframework/controls/GifAnimUI.h"
#include "uiframework/controls/GifButtonUI.h"
#include "uiframework/controls/RotateImageUI.h"
#include "uiframework/render/RenderEngine.h"
#include "uiframework/resources/ResourceSettings.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace animtest {
namespace {

using skintest::Pump;
using skintest::SkinTestWindow;

class GifWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    Headless::ResetInput();
    Headless::UseManualClock(true);
    const std::filesystem::path skin = root.Dir("skin");
    CResourceSettingsUI::SetResourcePath((skin.wstring() + L"/").c_str());
    // Delays 50 ms, none (100 ms), 120 ms.
    WriteTestFile(skin / "three.gif", EncodeGif(4, 4, {SolidGifFrame(4, 4, 0, 5), SolidGifFrame(4, 4, 1, 0),
                                                        SolidGifFrame(4, 4, 2, 12)}));
    WriteTestFile(skin / "still.gif", EncodeGif(4, 4, {SolidGifFrame(4, 4, 0, 5)}));
    WriteTestFile(skin / "broken.gif", "GIF89a garbage");
    ASSERT_NE(window.Open(0, 0, 300, 100), nullptr);
  }
  void TearDown() override {
    if (::IsWindow(window.GetHWND())) ::DestroyWindow(window.GetHWND());
    Headless::UseManualClock(false);
    CResourceSettingsUI::SetResourcePath(L"");
  }
  void Tick(DWORD ms) {
    Headless::AdvanceClock(ms);
    Pump();
  }
  CGifAnimUI* AttachGif(const wchar_t* image, CGifAnimUI* gif = new CGifAnimUI) {
    gif->SetName(L"gif");
    gif->SetAttribute(L"bkimage", image);
    window.AttachRow({gif}, {100});
    Pump();
    return gif;
  }

  TempMachineRoot root;
  CRenderEngineUI engine;
  CScopedRenderServicesUI installed{engine.Services()};
  SkinTestWindow window;
};

TEST_F(GifWindow, EachFrameShowsForItsOwnDelay) {
  CGifAnimUI* gif = AttachGif(L"three.gif");
  ASSERT_EQ(gif->GetFrameCount(), 3);
  EXPECT_TRUE(gif->IsPlaying());
  EXPECT_EQ(gif->GetCurrentFrame(), 0);
  Tick(49);
  EXPECT_EQ(gif->GetCurrentFrame(), 0);
  Tick(1);  // 50 ms
  EXPECT_EQ(gif->GetCurrentFrame(), 1);
  Tick(99);
  EXPECT_EQ(gif->GetCurrentFrame(), 1);
  Tick(1);  // no delay given: 100 ms
  EXPECT_EQ(gif->GetCurrentFrame(), 2);
  Tick(119);
  EXPECT_EQ(gif->GetCurrentFrame(), 2);
  Tick(1);  // 120 ms, then round again
  EXPECT_EQ(gif->GetCurrentFrame(), 0);

  // The frame drawn is the current one, stretched over the control.
  RecordingSurface surface;
  Tick(50);
  gif->PaintContent(&surface, gif->GetPos(), nullptr);
  ASSERT_EQ(surface.images.size(), 1u);
  EXPECT_EQ(surface.images[0].image->Pixels()[0], 0xFF00FF00u);  // frame 1 is green
  EXPECT_EQ(surface.images[0].dest, gif->GetPos());
}

TEST_F(GifWindow, HidingRewindsAndShowingPlaysEvenWithoutAutoPlay) {
  auto* gif = new CGifAnimUI;
  gif->SetAttribute(L"autoplay", L"false");
  AttachGif(L"three.gif", gif);
  EXPECT_FALSE(gif->IsPlaying());
  Tick(500);
  EXPECT_EQ(gif->GetCurrentFrame(), 0);
  gif->SetVisible(true);  // already visible: nothing changes
  gif->SetVisible(false);
  gif->SetVisible(true);
  EXPECT_TRUE(gif->IsPlaying());
  Tick(50);
  EXPECT_EQ(gif->GetCurrentFrame(), 1);
  gif->SetVisible(false);
  EXPECT_FALSE(gif->IsPlaying());
  EXPECT_EQ(gif->GetCurrentFrame(), 0);
  // A new image stops and unloads; it loads at the next paint.
  gif->SetVisible(true);
  gif->SetAttribute(L"bkimage", L"still.gif");
  EXPECT_FALSE(gif->IsPlaying());
  EXPECT_EQ(gif->GetFrameCount(), 0);
  window.pm.Invalidate();
  Pump();
  EXPECT_EQ(gif->GetFrameCount(), 1);
}

TEST_F(GifWindow, StillAndBrokenImagesNeverStartATimer) {
  const std::filesystem::path log = root.path() / "log2.log";
  g_logFile.SetLogFile(log.wstring(), 1024);
  CGifAnimUI* still = AttachGif(L"still.gif");
  EXPECT_EQ(still->GetFrameCount(), 1);
  EXPECT_FALSE(still->IsPlaying());
  still->SetVisible(false);
  still->SetVisible(true);
  EXPECT_FALSE(still->IsPlaying());

  auto* broken = new CGifAnimUI;
  AttachGif(L"broken.gif", broken);
  EXPECT_EQ(broken->GetFrameCount(), 0);
  EXPECT_FALSE(broken->IsPlaying());
  RecordingSurface surface;
  broken->PaintContent(&surface, broken->GetPos(), nullptr);
  broken->PaintContent(&surface, broken->GetPos(), nullptr);
  EXPECT_TRUE(surface.images.empty());
  // One record for the broken file, however often it is painted.
  const std::string text = ReadTestFile(log);
  std::u16string records(reinterpret_cast<const char16_t*>(text.data()), text.size() / 2);
  const std::u16string name = u"broken.gif";
  size_t count = 0;
  for (size_t at = records.find(name); at != std::u16string::npos; at = records.find(name, at + 1)) ++count;
  EXPECT_EQ(count, 1u);
  g_logFile.SetLogFile(L"", 1024);
}

TEST_F(GifWindow, AutoSizeTakesTheImagesSize) {
  auto* gif = new CGifAnimUI;
  gif->SetAttribute(L"autosize", L"true");
  AttachGif(L"three.gif", gif);
  EXPECT_EQ(gif->GetFixedWidth(), 4);
  EXPECT_EQ(gif->GetFixedHeight(), 4);
}

TEST_F(GifWindow, TheGifButtonClicksOnlyWhenReleasedInside) {
  auto* button = new CGifButtonUI;
  AttachGif(L"three.gif", button);
  window.notes.clear();
  // Pressed inside, released outside: no click, neither pushed nor captured.
  Headless::MouseMove(50, 50);
  Headless::MouseDown();
  Pump();
  EXPECT_NE(button->GetButtonState() & UISTATE_PUSHED, 0u);
  Headless::MouseMove(250, 50);
  Pump();
  EXPECT_EQ(button->GetButtonState() & UISTATE_PUSHED, 0u);
  Headless::MouseUp();
  Pump();
  EXPECT_EQ(std::count(window.notes.begin(), window.notes.end(), "click:gif"), 0);
  EXPECT_EQ(button->GetButtonState() & (UISTATE_PUSHED | UISTATE_CAPTURED), 0u);
  // Pressed and released inside: one click.
  Headless::Click(40, 40);
  Pump();
  EXPECT_EQ(std::count(window.notes.begin(), window.notes.end(), "click:gif"), 1);
  EXPECT_NE(std::find(window.notes.begin(), window.notes.end(), "mouseenter:gif"), window.notes.end());
  // Disabled: no click, and the state is cleared.
  button->SetEnabled(false);
  EXPECT_EQ(button->GetButtonState(), 0u);
  EXPECT_FALSE(button->Activate());
  Headless::Click(40, 40);
  Pump();
  EXPECT_EQ(std::count(window.notes.begin(), window.notes.end(), "click:gif"), 1);
}

TEST_F(GifWindow, TheRotatingImageTurnsItsOwnImageAboutTheCentre) {
  WriteTestFile(root.Dir("skin") / "bar.gif", EncodeGif(20, 4, {SolidGifFrame(20, 4, 0, 0)}));
  auto* rotate = new CRotateImageUI;
  rotate->SetAttribute(L"bkimage", L"bar.gif");
  rotate->SetAttribute(L"eachtimeangle", L"90");
  window.AttachRow({rotate}, {100});
  Pump();
  ASSERT_TRUE(rotate->HasImage());
  Tick(40);
  RecordingSurface surface;
  rotate->PaintBackImage(&surface);
  ASSERT_EQ(surface.images.size(), 1u);
  const RECT pos = rotate->GetPos();
  const double cx = pos.left + (pos.right - pos.left) / 2, cy = pos.top + (pos.bottom - pos.top) / 2;
  EXPECT_EQ(surface.images[0].turn.degrees, 90);
  EXPECT_EQ(surface.images[0].turn.centreX, cx);
  EXPECT_EQ(surface.images[0].turn.centreY, cy);
  // Natural size, centred.
  EXPECT_EQ(surface.images[0].dest, (RECT{static_cast<LONG>(cx) - 10, static_cast<LONG>(cy) - 2,
                                          static_cast<LONG>(cx) + 10, static_cast<LONG>(cy) + 2}));
  rotate->SetAttribute(L"stretch", L"true");
  RecordingSurface stretched;
  rotate->PaintBackImage(&stretched);
  EXPECT_EQ(stretched.images[0].dest, pos);
}

}  // namespace
}  // namespace animtest
