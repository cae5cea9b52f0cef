// A headless skinned window on the manual clock, one row high: time moves
// only through Tick. The fixture of the timer and animation tests.
#pragma once

#include "tests/support/TempMachineRoot.h"
#include "tests/uiframework_window/SkinTestWindow.h"

#include <gtest/gtest.h>

namespace skintest {

class ManualClockWindow : public ::testing::Test {
 protected:
  explicit ManualClockWindow(int width = 300) : width_(width) {}
  void SetUp() override {
    Headless::ResetInput();
    Headless::UseManualClock(true);
    ASSERT_NE(window.Open(0, 0, width_, 100), nullptr);
  }
  void TearDown() override {
    if (::IsWindow(window.GetHWND())) ::DestroyWindow(window.GetHWND());
    Headless::UseManualClock(false);
  }
  void Tick(DWORD ms) {
    Headless::AdvanceClock(ms);
    Pump();
  }

  TempMachineRoot root;
  SkinTestWindow window;

 private:
  int width_;
};

}  // namespace skintest
