// A headless skinned window on the manual clock for the animated controls'
// tests: time moves only through Tick.
#pragma once

#include "tests/support/TempMachineRoot.h"
#include "tests/uiframework_window/SkinTestWindow.h"

#include <gtest/gtest.h>

namespace animtest {

class AnimatedWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    Headless::ResetInput();
    Headless::UseManualClock(true);
    ASSERT_NE(window.Open(0, 0, 300, 100), nullptr);
  }
  void TearDown() override {
    if (::IsWindow(window.GetHWND())) ::DestroyWindow(window.GetHWND());
    Headless::UseManualClock(false);
  }
  void Tick(DWORD ms) {
    Headless::AdvanceClock(ms);
    skintest::Pump();
  }

  TempMachineRoot root;
  skintest::SkinTestWindow window;
};

}  // namespace animtest
