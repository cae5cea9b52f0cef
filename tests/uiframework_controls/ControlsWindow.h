// A headless skinned window for the control tests: builds markup into
// its paint manager (with the program's builder callback), drives the
// mouse and keyboard at client coordinates and the timer clock, and reads
// back pixels and the cursor shown.
#pragma once

#include "MainWnd/ProgramControls.h"
#include "tests/support/TempMachineRoot.h"
#include "tests/uiframework_window/SkinTestWindow.h"
#include "uiframework/markup/DialogBuilder.h"
#include "uiframework/render/RenderEngine.h"
#include "uiframework/resources/RenderServices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace skintest {

class ControlsWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    Headless::ResetInput();
    Headless::UseManualClock(true);
    ASSERT_NE(window.Open(0, 0, 400, 200), nullptr);
  }
  void TearDown() override {
    if (::IsWindow(window.GetHWND())) ::DestroyWindow(window.GetHWND());
    Headless::UseManualClock(false);
    Headless::ResetInput();
  }
  // Builds the markup as the window's tree and paints it once.
  CControlUI* Build(const wchar_t* markup) {
    CDialogBuilder builder;
    CControlUI* root = builder.Create(markup, nullptr, &callback, &window.pm);
    EXPECT_NE(root, nullptr) << "markup did not build";
    if (root != nullptr) window.pm.AttachRoot(root);
    Pump();
    return root;
  }
  template <class T>
  T* Find(const wchar_t* name) {
    auto* control = static_cast<T*>(window.pm.FindControl(name));
    EXPECT_NE(control, nullptr) << "no control named " << std::string(name, name + std::wcslen(name));
    return control;
  }
  void MoveTo(int x, int y) {
    Headless::MouseMove(x, y);
    Pump();
  }
  void Press() {
    Headless::MouseDown();
    Pump();
  }
  void Release() {
    Headless::MouseUp();
    Pump();
  }
  void ClickAt(int x, int y) {
    Headless::Click(x, y);
    Pump();
  }
  void Tick(DWORD ms) {
    Headless::AdvanceClock(ms);
    Pump();
  }
  DWORD PixelAt(int x, int y) { return Headless::ReadPixel(window.GetHWND(), x, y); }
  std::uintptr_t CursorAt(int x, int y) {
    ::SetCursor(nullptr);
    MoveTo(x, y);
    return CursorId(::GetCursor());
  }
  // The notes received since the last call, without the focus moves a
  // click makes.
  std::vector<std::string> TakeNotes() {
    std::vector<std::string> notes;
    for (const std::string& note : window.notes)
      if (note.rfind("setfocus:", 0) != 0 && note.rfind("killfocus:", 0) != 0) notes.push_back(note);
    window.notes.clear();
    return notes;
  }

  static constexpr std::uintptr_t kArrow = 32512;
  static constexpr std::uintptr_t kHand = 32649;

  TempMachineRoot root;
  CRenderEngineUI engine;
  CScopedRenderServicesUI services{engine.Services()};
  CProgramControlsCallback callback;
  SkinTestWindow window;
};

using Notes = std::vector<std::string>;

}  // namespace skintest
