// Notifications (direct, queued and coalesced), "windowinit", deferred
// deletion, and the modal loop of the window base.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/TempMachineRoot.h"
#include "tests/uiframework_window/SkinTestWindow.h"

namespace skintest {
namespace {

class SecondNotifier : public INotifyUI {
 public:
  explicit SecondNotifier(std::vector<std::string>* out) : m_out(out) {}
  void Notify(UINotifyMsg& msg) override {
    std::wstring type(msg.type.GetData());
    m_out->push_back("second:" + std::string(type.begin(), type.end()));
  }

 private:
  std::vector<std::string>* m_out;
};

// A notify delegate that runs a test's function.
struct DelegateHook {
  std::function<void()> run;
  bool Call(void*) {
    run();
    return true;
  }
};

class NotificationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Headless::ResetInput();
    ASSERT_NE(window.Open(0, 0, 300, 100), nullptr);
    a = new RecordingControl(L"a", &log);
    b = new RecordingControl(L"b", &log);
    row = window.AttachRow({a, b}, {100});
  }
  void TearDown() override {
    if (::IsWindow(window.GetHWND())) ::DestroyWindow(window.GetHWND());
  }

  TempMachineRoot root;
  EventLog log;
  SkinTestWindow window;
  RecordingControl* a = nullptr;
  RecordingControl* b = nullptr;
  CHorizontalLayoutUI* row = nullptr;
};

TEST_F(NotificationTest, WindowInitComesOnceAfterTheFirstLayout) {
  RECT laidOut{};
  window.onNotify = [&](UINotifyMsg& msg) {
    if (msg.type == L"windowinit") laidOut = b->GetPos();
  };
  Pump();
  window.pm.Invalidate();
  Pump();
  int inits = 0;
  for (const auto& note : window.notes) inits += note == "windowinit:root" ? 1 : 0;
  EXPECT_EQ(inits, 1);
  EXPECT_EQ(laidOut.left, 100);
  EXPECT_EQ(laidOut.right, 300);

  // A new root gets its own "windowinit".
  window.onNotify = nullptr;
  window.notes.clear();
  window.pm.AttachRoot(new RecordingControl(L"other", nullptr));
  Pump();
  EXPECT_EQ(window.notes, (std::vector<std::string>{"windowinit:other"}));
}

TEST_F(NotificationTest, DirectNotificationsRunDelegatesThenNotifiersInOrder) {
  Pump();
  std::vector<std::string> order;
  window.onNotify = [&](UINotifyMsg&) { order.push_back("first"); };
  SecondNotifier second(&order);
  window.pm.AddNotifier(&second);
  DelegateHook hook{[&] { order.push_back("delegate"); }};
  a->OnNotify += MakeDelegate<&DelegateHook::Call>(&hook);
  window.pm.SendNotify(a, L"click");
  EXPECT_EQ(order, (std::vector<std::string>{"delegate", "first", "second:click"}));
  window.pm.RemoveNotifier(&second);
}

TEST_F(NotificationTest, QueuedNotificationsArriveThroughThePostedWakeUpAndCoalesce) {
  Pump();
  window.notes.clear();
  std::vector<WPARAM> params;
  window.onNotify = [&](UINotifyMsg& msg) { params.push_back(msg.wParam); };
  window.pm.SendNotify(a, L"scroll", 1, 0, true, false);
  window.pm.SendNotify(b, L"scroll", 2, 0, true, false);
  window.pm.SendNotify(a, L"scroll", 3, 0, true, false);  // replaces the first
  window.pm.SendNotify(a, L"click", 4, 0, true, true);
  window.pm.SendNotify(a, L"click", 5, 0, true, true);  // repeats allowed
  EXPECT_TRUE(window.notes.empty());
  Pump();
  EXPECT_EQ(window.notes,
            (std::vector<std::string>{"scroll:a", "scroll:b", "click:a", "click:a"}));
  EXPECT_EQ(params, (std::vector<WPARAM>{3, 2, 4, 5}));
}

class ModalDialog : public SkinTestWindow {};

TEST_F(NotificationTest, QueuedWorkIsDeliveredByANestedModalLoop) {
  Pump();
  window.notes.clear();
  UINT modalResult = 0;
  std::vector<std::string> seenInsideModal;
  ModalDialog dialog;
  b->onEvent = [&](UIEvent& event) {
    if (event.type != UIEVENT_BUTTONDOWN) return;
    window.pm.SendNotify(b, L"itemclick", 0, 0, true);
    dialog.Open(20, 20, 50, 50, window.GetHWND());
    dialog.pm.AttachRoot(new RecordingControl(L"dialog", nullptr));
    dialog.onNotify = [&](UINotifyMsg& msg) {
      if (msg.type == L"windowinit") {
        seenInsideModal = window.notes;
        dialog.Close(42);
      }
    };
    modalResult = dialog.RunModal();
  };
  Headless::Click(150, 50);
  Pump();
  EXPECT_EQ(modalResult, 42u);
  EXPECT_TRUE(dialog.destroyed || ::IsWindow(dialog.GetHWND()) == FALSE);
  // Delivered once, by the nested loop, before the dialog's first paint.
  EXPECT_EQ(std::count(window.notes.begin(), window.notes.end(), "itemclick:b"), 1);
  ASSERT_FALSE(seenInsideModal.empty());
  EXPECT_EQ(seenInsideModal.back(), "itemclick:b");
  EXPECT_TRUE(::IsWindowEnabled(window.GetHWND()));
}

TEST_F(NotificationTest, AControlRemovingItselfDuringItsEventIsDeletedAfterwards) {
  Pump();
  row->SetDelayedDestroy(true);
  bool deleted = false;
  bool aliveAfterRemove = false;
  b->WatchDeletion(&deleted);
  b->onEvent = [&](UIEvent& event) {
    if (event.type != UIEVENT_BUTTONDOWN) return;
    row->Remove(b);
    aliveAfterRemove = !deleted;
    // Still usable for the rest of its own event.
    window.pm.SendNotify(b, L"click");
  };
  Headless::MouseMove(150, 50);
  Headless::MouseDown();
  Headless::PumpMessages();
  EXPECT_TRUE(aliveAfterRemove);
  Headless::MouseUp();
  Pump();
  EXPECT_TRUE(deleted);
  EXPECT_EQ(window.pm.FindControl(L"b"), nullptr);
  EXPECT_EQ(window.pm.GetFocus(), nullptr);
  EXPECT_FALSE(window.pm.IsCaptured());
}

TEST_F(NotificationTest, NotificationsQueuedBeforeTheSendersDeletionReachOnlyNotifiers) {
  Pump();
  window.notes.clear();
  int delegateRuns = 0;
  DelegateHook hook{[&] { ++delegateRuns; }};
  a->OnNotify += MakeDelegate<&DelegateHook::Call>(&hook);
  window.pm.SendNotify(a, L"itemselect", 0, 0, true);
  row->Remove(a);  // deleted at once
  Pump();
  EXPECT_EQ(delegateRuns, 0);
  EXPECT_EQ(window.notes, (std::vector<std::string>{"itemselect:-"}));
}

TEST(WindowWndTest, QuitInsideAModalLoopEndsItAndIsPostedAgain) {
  TempMachineRoot root;
  SkinTestWindow dialog;
  ASSERT_NE(dialog.Open(0, 0, 40, 40), nullptr);
  ::PostQuitMessage(7);
  EXPECT_EQ(dialog.RunModal(), 0u);
  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_TRUE(::IsWindow(dialog.GetHWND()));
  ::DestroyWindow(dialog.GetHWND());
  EXPECT_TRUE(dialog.destroyed);
  EXPECT_EQ(dialog.GetHWND(), nullptr);
}

TEST(WindowWndTest, CenterOnOwnerStaysInsideTheWorkArea) {
  TempMachineRoot root;
  Headless::SetWorkArea(RECT{0, 0, 1280, 760});
  SkinTestWindow owner;
  SkinTestWindow dialog;
  owner.Open(100, 100, 400, 300);
  dialog.Open(0, 0, 200, 100, owner.GetHWND());
  dialog.CenterOnOwner();
  RECT rc;
  ::GetWindowRect(dialog.GetHWND(), &rc);
  EXPECT_EQ(rc.left, 200);
  EXPECT_EQ(rc.top, 200);
  EXPECT_EQ(rc.right - rc.left, 200);
  ::MoveWindow(owner.GetHWND(), 1200, 700, 400, 300, FALSE);
  dialog.CenterOnOwner();
  ::GetWindowRect(dialog.GetHWND(), &rc);
  EXPECT_EQ(rc.right, 1280);
  EXPECT_EQ(rc.bottom, 760);
  EXPECT_FALSE(dialog.SetIcon(101));
  ::DestroyWindow(dialog.GetHWND());
  ::DestroyWindow(owner.GetHWND());
}

}  // namespace
}  // namespace skintest
