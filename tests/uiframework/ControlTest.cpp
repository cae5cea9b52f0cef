// The control base: attributes, geometry, states, events and the order of
// its painting steps; the manager's name map and notifications.
#include "uiframework/layout/VerticalLayoutUI.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/resources/RenderServices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace SkinUI;

namespace {

std::string Str(const RECT& rc) {
  return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
         std::to_string(rc.bottom);
}

// Records the drawing calls it receives.
class RecordingSurface : public IPaintSurfaceUI {
 public:
  std::vector<std::string> calls;
  void DrawColor(const RECT& rc, DWORD) override { calls.push_back("color " + Str(rc)); }
  void DrawGradient(const RECT& rc, DWORD, DWORD, bool, int steps) override {
    calls.push_back("gradient " + Str(rc) + " " + std::to_string(steps));
  }
  void DrawLine(const RECT& rc, int width, DWORD, int) override {
    calls.push_back("line " + Str(rc) + " w" + std::to_string(width));
  }
  void DrawRect(const RECT& rc, int width, DWORD, int) override {
    calls.push_back("rect " + Str(rc) + " w" + std::to_string(width));
  }
  void DrawRoundRect(const RECT& rc, int, int, int, DWORD, int) override { calls.push_back("roundrect " + Str(rc)); }
  bool DrawImage(CWindowManagerUI*, const RECT&, const RECT&, ImageDrawSpec& drawSpec) override {
    calls.push_back("image " + std::string(drawSpec.description.GetData(), drawSpec.description.GetData() + drawSpec.description.GetLength()));
    return true;
  }
  void PushClip(const RECT& rc) override { calls.push_back("clip " + Str(rc)); }
  void PushRoundClip(const RECT&, const RECT&, int, int) override { calls.push_back("roundclip"); }
  void PopClip() override { calls.push_back("pop"); }
  void DrawText(CWindowManagerUI*, RECT& rc, LPCWSTR, DWORD, int, UINT) override {
    calls.push_back("text " + Str(rc));
  }
  void DrawHtmlText(CWindowManagerUI*, RECT& rc, LPCWSTR, DWORD, RECT*, CUIString*, int& linkCount, int, UINT,
                    POINT) override {
    linkCount = 0;
    calls.push_back("htmltext " + Str(rc));
  }
  void DrawTextEffects(CWindowManagerUI*, const RECT& rc, LPCWSTR, int, UINT, const TextEffects&) override {
    calls.push_back("effecttext " + Str(rc));
  }
  void DrawSmoothLine(double, double, double, double, double, DWORD) override { calls.push_back("smoothline"); }
  void DrawImageEntry(const ImageEntry&, const RECT& rc, const ImageTurn&) override {
    calls.push_back("imageentry " + Str(rc));
  }
};

class CountingControl : public CControlUI {
 public:
  int handled = 0;
  void HandleEvent(UIEvent& event) override {
    ++handled;
    CControlUI::HandleEvent(event);
  }
};

bool Refuse(void*) { return false; }

}  // namespace

TEST(ControlAttributes, GeometryFlagsAndCustomValues) {
  CControlUI control;
  control.SetAttribute(L"pos", L"10,20,110,50");
  EXPECT_EQ(control.GetFixedXY(), (SIZE{10, 20}));
  EXPECT_EQ(control.GetFixedWidth(), 100);
  EXPECT_EQ(control.GetFixedHeight(), 30);
  control.SetAttribute(L"pos", L"5,x");
  EXPECT_EQ(control.GetFixedXY(), (SIZE{5, 0}));
  EXPECT_EQ(control.GetFixedWidth(), 0);
  control.SetAttribute(L"width", L"12");
  control.SetAttribute(L"width", L"-4");  // negative sizes are ignored
  EXPECT_EQ(control.GetFixedWidth(), 12);
  control.SetAttribute(L"minwidth", L"30");
  control.SetAttribute(L"maxwidth", L"20");
  EXPECT_EQ(control.GetMaxWidth(), 30);
  control.SetAttribute(L"float", L"0.5,0,0.5,0");
  EXPECT_TRUE(control.IsFloat());
  EXPECT_DOUBLE_EQ(control.GetFloatRatio().left, 0.5);
  EXPECT_DOUBLE_EQ(control.GetFloatRatio().right, 0.5);
  control.SetAttribute(L"float", L"false");
  EXPECT_FALSE(control.IsFloat());
  control.SetAttribute(L"tooltip", L"a<n>b");
  EXPECT_EQ(control.GetToolTip(), L"a\r\nb");
  control.SetAttribute(L"bkcolor", L"#FF102030");
  EXPECT_EQ(control.GetBkColor(), 0xFF102030u);
  control.SetAttribute(L"visible", L"TRUE");
  EXPECT_FALSE(control.IsVisible());
  control.SetAttribute(L"shortcut", L"xyz");
  EXPECT_EQ(control.GetShortcut(), L'x');
  control.SetAttribute(L"tag", L"42");
  EXPECT_EQ(control.GetTag(), 42u);
  control.SetAttribute(L"mystery", L"first");
  control.SetAttribute(L"mystery", L"second");
  EXPECT_STREQ(control.GetCustomAttribute(L"mystery"), L"first");
  EXPECT_TRUE(control.RemoveCustomAttribute(L"mystery"));
  EXPECT_EQ(control.GetCustomAttribute(L"mystery"), nullptr);
  control.SetAttribute(L"bordersize", L"2");
  EXPECT_EQ(Str(control.GetBorderSize()), "2,2,2,2");
  control.SetAttribute(L"bordersize", L"1,0,1,0");
  EXPECT_EQ(Str(control.GetBorderSize()), "1,0,1,0");
}

TEST(ControlAttributes, HugeOrNonFiniteValuesStayWithinTheCoordinateRange) {
  CControlUI control;
  control.ApplyAttributes(L"width=\"2147483647\" pos=\"-2147483648,0,0,0\" float=\"nan,inf,1e300,0\"");
  EXPECT_EQ(control.GetFixedWidth(), kMaxCoordinate);
  EXPECT_EQ(control.GetFixedXY().cx, -kMaxCoordinate);
  EXPECT_DOUBLE_EQ(control.GetFloatRatio().left, 0.0);
  EXPECT_DOUBLE_EQ(control.GetFloatRatio().top, 0.0);
  EXPECT_DOUBLE_EQ(control.GetFloatRatio().right, 1e300);
  control.SetFloat(false);
  control.SetPos(RECT{-2147483647, 0, 2147483647, 10});
  EXPECT_EQ(Str(control.GetPos()), "-16777216,0,16777216,10");
}

TEST(ControlAttributes, AttributeListsStopAtTheFirstMalformedPair) {
  CControlUI control;
  control.ApplyAttributes(L"a=\"1\"b=\"2\"");
  EXPECT_STREQ(control.GetCustomAttribute(L"a"), L"1");
  EXPECT_EQ(control.GetCustomAttribute(L"b"), nullptr);
  control.ApplyAttributes(L"c=\"3\" d=4 e=\"5\"");
  EXPECT_STREQ(control.GetCustomAttribute(L"c"), L"3");
  EXPECT_EQ(control.GetCustomAttribute(L"e"), nullptr);
  control.ApplyAttributes(L"f=\"unterminated");
  EXPECT_EQ(control.GetCustomAttribute(L"f"), nullptr);
  control.ApplyAttributes(L"width=\"12\" height=\"7\"");
  EXPECT_EQ(control.GetFixedWidth(), 12);
  EXPECT_EQ(control.GetFixedHeight(), 7);
}

TEST(ControlGeometry, FloatingControlRecomputesItsFixedPlacement) {
  CWindowManagerUI manager;
  auto* parent = new CContainerUI;
  auto* child = new CControlUI;
  child->SetAttribute(L"float", L"0.5,0,0.5,0");
  parent->Add(child);
  manager.AttachRoot(parent);
  parent->SetPos(RECT{100, 100, 300, 200});
  child->SetPos(RECT{90, 10, 130, 30});
  EXPECT_EQ(Str(child->GetPos()), "190,110,230,130");
  EXPECT_EQ(child->GetFixedXY(), (SIZE{-10, 10}));
  EXPECT_EQ(child->GetFixedWidth(), 40);
  EXPECT_EQ(Str(child->GetRelativePos()), "90,10,130,30");
  // Normalised: right and bottom never before left and top.
  auto* plain = new CControlUI;
  parent->Add(plain);
  plain->SetPos(RECT{50, 50, 40, 10});
  EXPECT_EQ(Str(plain->GetPos()), "50,50,50,50");
}

TEST(ControlGeometry, FloatingControlTakesItsSizeFromTheBackgroundImage) {
  // A decoder that gives every description one 32 × 16 image.
  class FixedImageDecoder : public IImageDecoderUI {
   public:
    std::unique_ptr<ImageEntry> LoadImage(LPCWSTR, LPCWSTR, DWORD) override { return nullptr; }
    bool LoadImageSpec(CWindowManagerUI*, ImageDrawSpec& drawSpec) override {
      drawSpec.image = &image;
      return true;
    }
    AnimationStatus LoadAnimation(LPCWSTR, size_t, AnimatedImage&) override { return AnimationStatus::Unreadable; }
    ImageEntry image;
  } decoder;
  decoder.image.width = 32;
  decoder.image.height = 16;
  CScopedRenderServicesUI installed(RenderServicesUI{&decoder, nullptr});
  CControlUI floating, fixed;
  floating.SetFloat(true);
  floating.SetBkImage(L"bk.png");
  EXPECT_EQ(floating.GetFixedWidth(), 32);
  EXPECT_EQ(floating.GetFixedHeight(), 16);
  fixed.SetBkImage(L"bk.png");
  EXPECT_EQ(fixed.GetFixedWidth(), 0);
}

TEST(ControlStates, HidingTheFocusedControlClearsTheFocusForGood) {
  CWindowManagerUI manager;
  auto* root = new CVerticalLayoutUI;
  auto* child = new CControlUI;
  root->Add(child);
  manager.AttachRoot(root);
  child->SetFocus();
  EXPECT_EQ(manager.GetFocus(), child);
  EXPECT_TRUE(child->IsFocused());
  child->SetVisible(false);
  EXPECT_EQ(manager.GetFocus(), nullptr);
  EXPECT_FALSE(child->IsFocused());
  child->SetVisible(true);
  EXPECT_EQ(manager.GetFocus(), nullptr);
  // Hiding the parent hides the child too.
  root->SetVisible(false);
  EXPECT_FALSE(child->IsVisible());
  root->SetVisible(true);
  EXPECT_TRUE(child->IsVisible());
  child->SetEnabled(false);
  EXPECT_FALSE(child->IsKeyboardEnabled());
}

TEST(ControlEvents, AnEventDelegateReturningFalseSuppressesHandling) {
  CountingControl control;
  UIEvent event;
  event.type = UIEVENT_BUTTONUP;
  control.DispatchEvent(event);
  EXPECT_EQ(control.handled, 1);
  control.OnEvent += MakeDelegate(Refuse);
  control.OnEvent += MakeDelegate(Refuse);  // equal delegates are added once
  control.DispatchEvent(event);
  EXPECT_EQ(control.handled, 1);
  control.OnEvent -= MakeDelegate(Refuse);
  control.DispatchEvent(event);
  EXPECT_EQ(control.handled, 2);
}

TEST(ControlEvents, UnhandledEventsBubbleAndContextMenusNotify) {
  CWindowManagerUI manager;
  struct Receiver : INotifyUI {
    std::vector<std::wstring> types;
    void Notify(UINotifyMsg& msg) override { types.emplace_back(msg.type.GetData()); }
  } receiver;
  manager.AddNotifier(&receiver);
  auto* parent = new CContainerUI;
  auto* child = new CControlUI;
  parent->Add(child);
  manager.AttachRoot(parent);
  UIEvent menu;
  menu.type = UIEVENT_CONTEXTMENU;
  child->DispatchEvent(menu);
  EXPECT_TRUE(receiver.types.empty());
  child->SetContextMenuUsed(true);
  child->DispatchEvent(menu);
  UIEvent timer;
  timer.type = UIEVENT_TIMER;
  timer.wParam = 7;
  child->DispatchEvent(timer);
  EXPECT_EQ(receiver.types, (std::vector<std::wstring>{L"menu", L"timer"}));
}

TEST(ControlPainting, RunsTheStepsInOrderAndDrawsOnlyPositiveBorders) {
  CControlUI control;
  control.SetPos(RECT{0, 0, 100, 50});
  control.SetBkColor(0xFF112233);
  control.SetBkImage(L"bk.png");
  control.SetBorderColor(0xFF000000);
  control.SetBorderSize(RECT{1, 0, 1, 0});
  RecordingSurface surface;
  EXPECT_TRUE(control.Paint(&surface, RECT{0, 0, 40, 50}, nullptr));
  EXPECT_EQ(surface.calls, (std::vector<std::string>{"color 0,0,40,50", "image bk.png", "line 0,0,0,50 w1",
                                                     "line 100,0,100,50 w1"}));
  surface.calls.clear();
  control.SetBorderSize(2);
  control.SetBkColor(0x80112233);  // translucent: over the whole item
  control.SetBkImage(L"");
  control.Paint(&surface, RECT{0, 0, 40, 50}, nullptr);
  EXPECT_EQ(surface.calls, (std::vector<std::string>{"color 0,0,100,50", "rect 0,0,100,50 w2"}));
  surface.calls.clear();
  control.SetBkColor2(0xFF445566);
  control.SetBkColor3(0xFF778899);
  control.SetBorderRound(SIZE{4, 4});
  control.Paint(&surface, RECT{0, 0, 100, 50}, nullptr);
  EXPECT_EQ(surface.calls, (std::vector<std::string>{"roundclip", "gradient 0,0,100,25 8", "gradient 0,25,100,50 8",
                                                     "roundrect 0,0,100,50", "pop"}));
  surface.calls.clear();
  EXPECT_TRUE(control.Paint(&surface, RECT{200, 200, 300, 300}, nullptr));
  EXPECT_TRUE(surface.calls.empty());
  EXPECT_FALSE(control.Paint(&surface, RECT{0, 0, 10, 10}, &control));
}

TEST(ControlPainting, AFocusBorderColourAloneDrawsOnlyWhileFocused) {
  CWindowManagerUI manager;
  auto* control = new CControlUI;
  control->ApplyAttributes(L"bordersize=\"1\" focusbordercolor=\"#FF0000FF\"");
  manager.AttachRoot(control);
  control->SetPos(RECT{0, 0, 100, 50});
  RecordingSurface surface;
  control->Paint(&surface, RECT{0, 0, 100, 50}, nullptr);
  EXPECT_TRUE(surface.calls.empty());
  manager.SetFocus(control, false);
  ASSERT_TRUE(control->IsFocused());
  control->Paint(&surface, RECT{0, 0, 100, 50}, nullptr);
  EXPECT_EQ(surface.calls, (std::vector<std::string>{"rect 0,0,100,50 w1"}));
}

TEST(ControlGeometry, ACoverOfAFloatingControlLiesOverTheControl) {
  CWindowManagerUI manager;
  auto* box = new CVerticalLayoutUI;
  auto* floating = new CControlUI;
  floating->ApplyAttributes(L"float=\"true\" pos=\"10,10,60,40\"");
  box->Add(floating);
  auto* cover = new CContainerUI;
  floating->SetCover(cover);
  manager.AttachRoot(box);
  box->SetPos(RECT{100, 100, 300, 300});
  EXPECT_EQ(Str(floating->GetPos()), "110,110,160,140");
  EXPECT_EQ(Str(cover->GetPos()), "110,110,160,140");
}

TEST(ControlPainting, ContainersPaintVisibleChildrenInsideTheirClip) {
  CWindowManagerUI manager;
  auto* box = new CVerticalLayoutUI;
  box->SetInset(RECT{0, 10, 0, 0});
  auto* a = new CControlUI;
  a->SetFixedHeight(20);
  a->SetBkColor(0xFF000001);
  auto* hidden = new CControlUI;
  hidden->SetVisible(false);
  hidden->SetBkColor(0xFF000002);
  auto* floating = new CControlUI;
  floating->ApplyAttributes(L"float=\"true\" pos=\"0,0,5,5\" bkcolor=\"#FF000003\"");
  box->Add(a);
  box->Add(hidden);
  box->Add(floating);
  manager.AttachRoot(box);
  box->SetPos(RECT{0, 0, 50, 50});
  RecordingSurface surface;
  box->Paint(&surface, RECT{0, 0, 50, 50}, nullptr);
  EXPECT_EQ(surface.calls, (std::vector<std::string>{"clip 0,0,50,50", "clip 0,10,50,50", "color 0,10,50,30", "pop",
                                                     "color 0,0,5,5", "pop"}));
}

TEST(WindowManager, NameMapFollowsBindingRenamingAndDeletion) {
  CWindowManagerUI manager;
  auto* root = new CVerticalLayoutUI;
  auto* a = new CControlUI;
  auto* b = new CControlUI;
  a->SetName(L"a");
  b->SetName(L"b");
  root->Add(a);
  root->Add(b);
  manager.AttachRoot(root);
  EXPECT_EQ(manager.FindControl(L"a"), a);
  EXPECT_FALSE(manager.RenameControl(a, L"b"));
  EXPECT_TRUE(manager.RenameControl(a, L"c"));
  EXPECT_EQ(manager.FindControl(L"a"), nullptr);
  EXPECT_EQ(manager.FindControl(L"c"), a);
  EXPECT_EQ(a->GetName(), L"c");
  a->SetName(L"d");
  EXPECT_EQ(manager.FindControl(L"d"), a);
  root->Remove(b);
  EXPECT_EQ(manager.FindControl(L"b"), nullptr);
  // A new root replaces the old one, which goes with the queued work.
  auto* other = new CControlUI;
  manager.AttachRoot(other);
  EXPECT_EQ(manager.FindControl(L"d"), nullptr);
  EXPECT_TRUE(manager.HasQueuedWork());
  manager.RunQueuedWork();
}

TEST(WindowManager, ControlsNamedAfterJoiningALiveTreeAreFound) {
  CWindowManagerUI manager;
  auto* root = new CVerticalLayoutUI;
  manager.AttachRoot(root);
  // As the builder does it: added first, named afterwards.
  auto* late = new CControlUI;
  root->Add(late);
  late->SetName(L"late");
  EXPECT_EQ(manager.FindControl(L"late"), late);
  EXPECT_EQ(late->GetName(), L"late");
  // A second control asking for a taken name leaves the map alone.
  auto* twin = new CControlUI;
  root->Add(twin);
  twin->SetName(L"late");
  EXPECT_EQ(manager.FindControl(L"late"), late);
  late->SetName(L"renamed");
  EXPECT_EQ(manager.FindControl(L"late"), nullptr);
  EXPECT_EQ(manager.FindControl(L"renamed"), late);
}

TEST(WindowManager, ANotifierRemovingItselfDoesNotHideTheMessageFromTheNext) {
  CWindowManagerUI manager;
  struct Receiver : INotifyUI {
    CWindowManagerUI* manager = nullptr;
    bool leaveOnNotify = false;
    int received = 0;
    void Notify(UINotifyMsg&) override {
      ++received;
      if (leaveOnNotify) manager->RemoveNotifier(this);
    }
  } first, second;
  first.manager = &manager;
  first.leaveOnNotify = true;
  manager.AddNotifier(&first);
  manager.AddNotifier(&second);
  auto* root = new CControlUI;
  manager.AttachRoot(root);
  manager.SendNotify(root, L"click");
  EXPECT_EQ(first.received, 1);
  EXPECT_EQ(second.received, 1);
  manager.AddNotifier(&first);
  manager.SendNotify(root, L"queued", 0, 0, true);
  manager.RunQueuedWork();
  EXPECT_EQ(first.received, 2);
  EXPECT_EQ(second.received, 2);
}

TEST(WindowManager, QueuedNotificationsMergeUnlessRepeatsAreAllowed) {
  CWindowManagerUI manager;
  struct Receiver : INotifyUI {
    std::vector<WPARAM> values;
    void Notify(UINotifyMsg& msg) override { values.push_back(msg.wParam); }
  } receiver;
  manager.AddNotifier(&receiver);
  auto* root = new CControlUI;
  manager.AttachRoot(root);
  manager.SendNotify(root, L"scroll", 1, 0, true, false);
  manager.SendNotify(root, L"scroll", 2, 0, true, false);
  manager.SendNotify(root, L"other", 3, 0, true, true);
  manager.SendNotify(root, L"other", 4, 0, true, true);
  EXPECT_TRUE(receiver.values.empty());
  manager.RunQueuedWork();
  EXPECT_EQ(receiver.values, (std::vector<WPARAM>{2, 3, 4}));
  // A queued notification whose sender is deleted no longer names it.
  auto* doomed = new CControlUI;
  root->SetCover(doomed);
  manager.SendNotify(doomed, L"late", 5, 0, true);
  root->SetCover(nullptr);
  manager.RunQueuedWork();
  EXPECT_EQ(receiver.values.back(), 5u);
}

TEST(WindowManager, LayoutPassesVisitOnlyControlsThatAskedForOne) {
  CWindowManagerUI manager;
  auto* root = new CVerticalLayoutUI;
  auto* inner = new CVerticalLayoutUI;
  inner->SetFixedHeight(100);
  auto* leaf = new CControlUI;
  inner->Add(leaf);
  root->Add(inner);
  manager.AttachRoot(root);
  manager.UpdateLayout(RECT{0, 0, 900, 600});
  EXPECT_EQ(Str(leaf->GetPos()), "0,0,900,100");
  EXPECT_FALSE(manager.IsUpdateNeeded());
  inner->SetInset(RECT{5, 5, 5, 5});
  EXPECT_TRUE(manager.IsUpdateNeeded());
  manager.UpdateLayout(RECT{0, 0, 900, 600});
  EXPECT_EQ(Str(leaf->GetPos()), "5,5,895,95");
  EXPECT_FALSE(inner->IsLayoutNeeded());
}
