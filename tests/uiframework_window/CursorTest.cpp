// The cursor the window shows follows what the control under the mouse
// asks for: the arrow for plain controls, the resize cursor over a
// layout's separator strip.
#include <gtest/gtest.h>

#include "tests/support/TempMachineRoot.h"
#include "tests/uiframework_window/SkinTestWindow.h"
#include "uiframework/layout/VerticalLayoutUI.h"

namespace skintest {
namespace {

class CursorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Headless::ResetInput();
    ASSERT_NE(window.Open(100, 100, 300, 100), nullptr);
  }
  void TearDown() override {
    if (::IsWindow(window.GetHWND())) ::DestroyWindow(window.GetHWND());
    Headless::ResetInput();
  }
  std::uintptr_t CursorAt(int clientX, int clientY) {
    ::SetCursor(nullptr);
    Headless::MouseMove(100 + clientX, 100 + clientY);
    Pump();
    return CursorId(::GetCursor());
  }

  TempMachineRoot root;
  EventLog log;
  SkinTestWindow window;
};

constexpr std::uintptr_t kArrow = 32512;
constexpr std::uintptr_t kSizeWE = 32644;
constexpr std::uintptr_t kSizeNS = 32645;

TEST_F(CursorTest, SeparatorStripsAskForTheResizeCursorOfTheirAxis) {
  auto* left = new CHorizontalLayoutUI;
  left->SetAttribute(L"sepwidth", L"4");
  auto* right = new CVerticalLayoutUI;
  right->SetAttribute(L"sepheight", L"4");
  window.AttachRow({left, right}, {100});
  Pump();

  EXPECT_EQ(CursorAt(98, 50), kSizeWE);
  EXPECT_EQ(CursorAt(200, 98), kSizeNS);
  // Outside the strips no control asks; the window class's arrow stays.
  EXPECT_NE(CursorAt(50, 50), kSizeWE);
  EXPECT_NE(CursorAt(200, 50), kSizeNS);

  // A disabled layout no longer asks for a cursor.
  left->SetEnabled(false);
  EXPECT_NE(CursorAt(98, 50), kSizeWE);
}

TEST_F(CursorTest, PlainControlWantingCursorEventsShowsTheArrow) {
  auto* control = new RecordingControl(L"a", &log, UIFLAG_SETCURSOR);
  window.AttachRow({control}, {});
  Pump();
  EXPECT_EQ(CursorAt(50, 50), kArrow);
}

}  // namespace
}  // namespace skintest
