// The skinned message box on the headless window system: its layouts by
// type, its results (1, 2, 0; Escape and the close command give 0), its
// window, and texts of any length.
#include "MainWnd/MainWnd.h"
#include "MainWnd/MessageBoxExWnd.h"
#include "platform/window/Headless.h"
#include "tests/support/TempMachineRoot.h"
#include "tests/uiframework_window/SkinTestWindow.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using SkinUI::CControlUI;

constexpr DWORD kBoxStyle = 0x16C00000;

void Pump() {
  for (int i = 0; i < 50 && Headless::PumpMessages() > 0; ++i) {
  }
}

class MessageBoxTest : public ::testing::Test {
 protected:
  // Creates a box of type with the usual texts and lets it lay out.
  CMessageBoxExWnd& Open(int type, LPCWSTR text = L"内容", HWND owner = nullptr) {
    box = std::make_unique<CMessageBoxExWnd>(L"标题", text, 1, type, L"确定", L"取消");
    hwnd = box->Create(owner, kProductTitle, kBoxStyle, 0, 0, 0, 315, 215);
    EXPECT_NE(hwnd, nullptr);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    // A layered window paints on its timer: the first tick paints (and
    // sends "windowinit", which picks the parts), the next lays the chosen
    // parts out. The manual clock makes both happen however fast the
    // pump runs.
    Headless::UseManualClock(true);
    for (int tick = 0; tick < 3; ++tick) {
      Pump();
      Headless::AdvanceClock(50);
    }
    Pump();
    Headless::UseManualClock(false);
    return *box;
  }
  CControlUI* Part(LPCWSTR name) { return box->PaintManager().FindControl(name); }
  bool Shown(LPCWSTR name) {
    CControlUI* part = Part(name);
    return part != nullptr && part->IsVisible();
  }
  // Clicks a part of the box at its centre (queued; RunModal delivers it).
  void ClickOn(LPCWSTR name) {
    RECT window{};
    GetWindowRect(hwnd, &window);
    const RECT& at = Part(name)->GetPos();
    Headless::Click(window.left + (at.left + at.right) / 2, window.top + (at.top + at.bottom) / 2);
  }
  void TearDown() override {
    if (hwnd != nullptr && IsWindow(hwnd)) DestroyWindow(hwnd);
    Headless::ResetInput();
  }

  TempMachineRoot root;
  std::unique_ptr<CMessageBoxExWnd> box;
  HWND hwnd = nullptr;
};

TEST_F(MessageBoxTest, TypeOneShowsTheFirstButtonAloneCentred) {
  Open(1);
  EXPECT_TRUE(Shown(L"ok_btn"));
  EXPECT_FALSE(Shown(L"cancel_btn"));
  EXPECT_FALSE(Shown(L"mid_ctr"));
  EXPECT_TRUE(Shown(L"close_btn"));
  EXPECT_TRUE(Shown(L"waring_ico_ver"));
  EXPECT_FALSE(Shown(L"title_lab")) << "the title passed in is not shown";
  const RECT& ok = Part(L"ok_btn")->GetPos();
  EXPECT_EQ(ok.right - ok.left, 100);
  EXPECT_NEAR(ok.left, 315 - ok.right, 1);
  EXPECT_EQ(Part(L"ok_btn")->GetText(), L"确定");
  EXPECT_EQ(Part(L"content_lab")->GetText(), L"内容");
}

TEST_F(MessageBoxTest, TypeTwoShowsBothButtonsTwentyPixelsApartCentredAsAGroup) {
  Open(2);
  ASSERT_TRUE(Shown(L"ok_btn"));
  ASSERT_TRUE(Shown(L"cancel_btn"));
  EXPECT_TRUE(Shown(L"mid_ctr"));
  const RECT& ok = Part(L"ok_btn")->GetPos();
  const RECT& cancel = Part(L"cancel_btn")->GetPos();
  EXPECT_EQ(cancel.left - ok.right, 20);
  EXPECT_NEAR(ok.left, 315 - cancel.right, 1);
  EXPECT_EQ(Part(L"cancel_btn")->GetText(), L"取消");
}

TEST_F(MessageBoxTest, AnyOtherTypeLeavesOnlyTheCloseButton) {
  Open(0);
  EXPECT_FALSE(Shown(L"ok_btn"));
  EXPECT_FALSE(Shown(L"cancel_btn"));
  EXPECT_TRUE(Shown(L"close_btn"));
}

TEST_F(MessageBoxTest, TheWindowIsLayeredCaptionlessAndTitledAsTheProduct) {
  Open(1);
  EXPECT_TRUE(Headless::IsPerPixelLayered(hwnd));
  EXPECT_EQ(GetWindowLongW(hwnd, GWL_STYLE) & WS_CAPTION, 0);
  wchar_t title[64] = {};
  GetWindowTextW(hwnd, title, 64);
  EXPECT_STREQ(title, L"Brisgol加速器插件");
  RECT rc{};
  GetWindowRect(hwnd, &rc);
  EXPECT_EQ(rc.right - rc.left, 315);
  EXPECT_EQ(rc.bottom - rc.top, 215);
}

TEST_F(MessageBoxTest, TheButtonsAnswerOneAndTwoAndTheCloseButtonZero) {
  Open(2);
  ClickOn(L"ok_btn");
  EXPECT_EQ(box->RunModal(true, false), 1u);
  Open(2);
  ClickOn(L"cancel_btn");
  EXPECT_EQ(box->RunModal(true, false), 2u);
  Open(2);
  ClickOn(L"close_btn");
  EXPECT_EQ(box->RunModal(true, false), 0u);
}

TEST_F(MessageBoxTest, EscapeAndTheCloseCommandAnswerZero) {
  Open(2);
  PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(box->RunModal(true, false), 0u);
  Open(2);
  PostMessageW(hwnd, WM_KEYDOWN, VK_RETURN, 0);  // no other key means anything
  PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(box->RunModal(true, false), 0u);
}

TEST_F(MessageBoxTest, AnIdleBoxKeepsNoTimerAndAChangeIsPaintedOnce) {
  Open(1);
  skintest::TimerIdRecorder timers;
  box->PaintManager().AddMessageFilter(&timers);
  Headless::UseManualClock(true);
  for (int second = 0; second < 3; ++second) {
    Headless::AdvanceClock(1000);
    Pump();
  }
  EXPECT_EQ(timers.refreshes, 0) << "nothing changed: nothing to paint";
  EXPECT_TRUE(timers.ids.empty());
  // A change arms the refresh for one tick, which paints it.
  Part(L"content_lab")->SetText(L"新的内容");
  Headless::AdvanceClock(10);
  Pump();
  EXPECT_EQ(timers.refreshes, 1);
  EXPECT_TRUE(SkinUI::RectIsEmpty(box->PaintManager().GetInvalidRect()));
  Headless::AdvanceClock(1000);
  Pump();
  EXPECT_EQ(timers.refreshes, 1);
  Headless::UseManualClock(false);
  box->PaintManager().RemoveMessageFilter(&timers);
}

TEST_F(MessageBoxTest, TheCaptionDragsExceptOverTheCloseButton) {
  Open(1);
  RECT window{};
  GetWindowRect(hwnd, &window);
  EXPECT_EQ(SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(window.left + 50, window.top + 10)), HTCAPTION);
  const RECT& close = Part(L"close_btn")->GetPos();
  EXPECT_EQ(SendMessageW(hwnd, WM_NCHITTEST, 0,
                         MAKELPARAM(window.left + (close.left + close.right) / 2, window.top + 10)),
            HTCLIENT);
  EXPECT_EQ(SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(window.left + 50, window.top + 100)), HTCLIENT);
}

TEST_F(MessageBoxTest, EmptyAndVeryLongTextsAreShownWithoutHarm) {
  Open(1, L"");
  PostMessageW(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(box->RunModal(true, false), 0u);
  std::wstring longText(10000, L'长');
  Open(2, longText.c_str());
  EXPECT_EQ(Part(L"content_lab")->GetText().GetLength(), 10000);
  ClickOn(L"ok_btn");
  EXPECT_EQ(box->RunModal(true, false), 1u);
}

}  // namespace
