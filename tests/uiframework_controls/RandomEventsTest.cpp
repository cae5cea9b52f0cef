// Random mouse, keyboard and timer sequences over every control class,
// while controls are removed, added, hidden and disabled: the hover, the
// focus and the option groups only ever name controls of the live tree,
// and a press whose control is gone is released without touching it (run
// under the address sanitizer, any access to a deleted control fails).
#include "tests/uiframework_controls/ControlsWindow.h"
#include "uiframework/controls/ButtonUI.h"
#include "uiframework/controls/OptionUI.h"
#include "uiframework/layout/ContainerUI.h"

#include <random>
#include <set>

namespace skintest {
namespace {

constexpr const wchar_t* kMarkup =
    L"<Window><VerticalLayout name=\"root\">"
    L"<HorizontalLayout name=\"buttons\" height=\"50\">"
    L"<Button name=\"b1\" text=\"one\" fadedelta=\"51\" normalimage=\"color='#FF2F6FD0'\" hotimage=\"color='#FF4C8BE8'\"/>"
    L"<Button name=\"b2\" text=\"two\" menu=\"true\"/>"
    L"<Option name=\"o1\" group=\"g\" text=\"a\"/><Option name=\"o2\" group=\"g\" text=\"b\" selected=\"true\"/>"
    L"<Option name=\"o3\" group=\"h\" text=\"c\"/><CheckBox name=\"c1\" text=\"d\"/>"
    L"</HorizontalLayout>"
    L"<HorizontalLayout name=\"texts\" height=\"50\">"
    L"<Label name=\"l1\" text=\"label\"/>"
    L"<Text name=\"t1\" showhtml=\"true\" text=\"&lt;a x&gt;link&lt;/a&gt; and &lt;a y&gt;more&lt;/a&gt;\"/>"
    L"<GifButton name=\"g1\" text=\"gif\"/>"
    L"<ChrysanthemumLoading name=\"s1\" outradius=\"16\" innerradius=\"8\"/>"
    L"<RotateImage name=\"r1\" eachtimeangle=\"30\"/>"
    L"</HorizontalLayout>"
    L"<Container name=\"panel\"><Option name=\"o4\" group=\"g\" float=\"true\" pos=\"10,10,90,40\"/></Container>"
    L"</VerticalLayout></Window>";

CControlUI* Collect(CControlUI* control, void* data) {
  static_cast<std::vector<CControlUI*>*>(data)->push_back(control);
  return nullptr;
}

class RandomEventsTest : public ControlsWindow {
 protected:
  std::vector<CControlUI*> Live() {
    std::vector<CControlUI*> live;
    if (window.pm.GetRoot() != nullptr) window.pm.GetRoot()->FindControl(Collect, &live, UIFIND_ALL);
    return live;
  }
  void CheckInvariants(int step) {
    const std::vector<CControlUI*> live = Live();
    const std::set<CControlUI*> known(live.begin(), live.end());
    CControlUI* hover = window.pm.GetHoverControl();
    EXPECT_TRUE(hover == nullptr || known.count(hover) == 1) << "hover names a dead control at step " << step;
    CControlUI* focus = window.pm.GetFocus();
    EXPECT_TRUE(focus == nullptr || known.count(focus) == 1) << "focus names a dead control at step " << step;
    for (const wchar_t* group : {L"g", L"h", L"added"}) {
      const CPointerArray* members = window.pm.GetOptionGroup(group);
      for (int i = 0; members != nullptr && i < members->GetSize(); ++i)
        EXPECT_EQ(known.count(static_cast<CControlUI*>(members->GetAt(i))), 1u)
            << "option group names a dead option at step " << step;
    }
  }
  // A control of the tree other than the root, or null.
  CControlUI* Pick(std::mt19937& random) {
    std::vector<CControlUI*> children;
    for (CControlUI* control : Live())
      if (control->GetParent() != nullptr) children.push_back(control);
    return children.empty() ? nullptr : children[random() % children.size()];
  }
  CContainerUI* PickContainer(std::mt19937& random) {
    std::vector<CContainerUI*> containers;
    for (CControlUI* control : Live())
      if (auto* container = static_cast<CContainerUI*>(control->FindInterface(L"Container")))
        containers.push_back(container);
    return containers[random() % containers.size()];
  }
  CControlUI* MakeControl(std::mt19937& random) {
    switch (random() % 3) {
      case 0: {
        auto* option = new COptionUI;
        option->SetAttribute(L"group", random() % 2 == 0 ? L"g" : L"added");
        return option;
      }
      case 1:
        return new CButtonUI;
      default:
        return new CContainerUI;
    }
  }
};

TEST_F(RandomEventsTest, HoverFocusCaptureAndGroupsNeverNameADeadControl) {
  ASSERT_NE(Build(kMarkup), nullptr);
  std::mt19937 random(20261209);
  bool pressed = false;
  for (int step = 0; step < 3000; ++step) {
    const unsigned what = random() % 12;
    if (what <= 2) {
      MoveTo(static_cast<int>(random() % 400), static_cast<int>(random() % 200));
    } else if (what == 3) {
      if (!pressed) Press();
      else Release();
      pressed = !pressed;
    } else if (what == 4) {
      const int keys[] = {0x09, 0x20, 0x0D};
      Headless::KeyDown(keys[random() % 3]);
      Headless::KeyUp(0x20);
      Pump();
    } else if (what == 5) {
      Tick(30 + random() % 100);
    } else if (what == 6) {
      // A control goes, at once or through the deletion queue (while the
      // tree is not yet thin).
      CControlUI* control = Live().size() > 10 ? Pick(random) : nullptr;
      if (control != nullptr) {
        if (auto* parent = static_cast<CContainerUI*>(control->GetParent()->FindInterface(L"Container"))) {
          parent->SetDelayedDestroy(random() % 2 == 0);
          parent->Remove(control);
        }
      }
      Pump();
    } else if (what == 7) {
      CContainerUI* container = PickContainer(random);
      if (container->GetCount() < 12) container->Add(MakeControl(random));
      Pump();
    } else if (what == 8) {
      if (CControlUI* control = Pick(random)) control->SetVisible(!control->IsVisible());
      Pump();
    } else if (what == 9) {
      if (CControlUI* control = Pick(random)) control->SetEnabled(!control->IsEnabled());
      Pump();
    } else if (what == 10) {
      if (CControlUI* control = Pick(random)) {
        if (auto* option = static_cast<COptionUI*>(control->FindInterface(L"Option")))
          option->Selected(!option->IsSelected(), random() % 2 == 0);
        else
          window.pm.SetFocus(control);
      }
      Pump();
    } else if (random() % 8 == 0) {
      // A new tree replaces the whole one, which waits in the deletion
      // queue while a press on it may still be held.
      Build(kMarkup);
    } else {
      window.notes.clear();
    }
    CheckInvariants(step);
    if (::testing::Test::HasFailure()) break;
  }
  if (pressed) Release();
  CheckInvariants(-1);
}

}  // namespace
}  // namespace skintest
