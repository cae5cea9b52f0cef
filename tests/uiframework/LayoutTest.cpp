// Containers and layouts: exact geometry for given inputs, and invariants
// over generated trees.
#include "uiframework/layout/HorizontalLayoutUI.h"
#include "uiframework/layout/ScrollBarUI.h"
#include "uiframework/layout/VerticalLayoutUI.h"
#include "uiframework/manager/WindowManagerUI.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace SkinUI;

namespace {

std::string Str(const RECT& rc) {
  return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
         std::to_string(rc.bottom);
}

// Builds a container from an attribute list per child, lays it out over
// rect, and returns the children's rectangles.
template <class Layout>
std::vector<std::string> Place(CWindowManagerUI& manager, LPCWSTR layoutAttributes,
                               const std::vector<const wchar_t*>& children, RECT rect, Layout** out = nullptr) {
  auto* layout = new Layout;
  layout->ApplyAttributes(layoutAttributes);
  for (const wchar_t* attributes : children) {
    auto* child = new CControlUI;
    child->ApplyAttributes(attributes);
    layout->Add(child);
  }
  manager.AttachRoot(layout);
  layout->SetPos(rect);
  std::vector<std::string> rects;
  for (int i = 0; i < layout->GetCount(); ++i) rects.push_back(Str(layout->GetItemAt(i)->GetPos()));
  if (out != nullptr) *out = layout;
  return rects;
}

using Rects = std::vector<std::string>;

}  // namespace

TEST(HorizontalLayout, SharesFreeWidthAmongFlexibleChildren) {
  struct Case {
    const wchar_t* layout;
    std::vector<const wchar_t*> children;
    Rects expected;
  } cases[] = {
      // Fixed A; B and C split the rest; C takes the remainder.
      {L"childpadding=\"10\"", {L"width=\"100\"", L"", L""}, {"0,0,100,50", "110,0,200,50", "210,0,300,50"}},
      {L"childpadding=\"10\"",
       {L"width=\"100\" padding=\"5,0,0,0\"", L"", L""},
       {"5,0,105,50", "115,0,202,50", "212,0,300,50"}},
      // Padding and insets shrink the room; vertical padding moves down.
      {L"inset=\"10,5,20,5\"", {L"padding=\"3,2,4,0\"", L"width=\"50\""}, {"13,7,226,45", "230,5,280,45"}},
      // Maximum width caps a flexible child; the last flexible takes the rest.
      {L"", {L"maxwidth=\"40\"", L"", L"width=\"60\""}, {"0,0,40,50", "40,0,240,50", "240,0,300,50"}},
      // A minimum wider than the slot wins and overflows.
      {L"", {L"width=\"280\"", L"minwidth=\"50\""}, {"0,0,280,50", "280,0,330,50"}},
      // Fixed heights and vertical alignment.
      {L"childvalign=\"vcenter\"", {L"height=\"20\" width=\"10\""}, {"0,15,10,35"}},
      {L"childvalign=\"bottom\"", {L"height=\"20\" width=\"10\" padding=\"0,0,0,5\""}, {"0,25,10,45"}},
      // Invisible children take no room; floating ones are placed apart.
      {L"", {L"visible=\"false\"", L"", L"float=\"true\" pos=\"5,5,15,15\""}, {"0,0,0,0", "0,0,300,50", "5,5,15,15"}},
  };
  for (const Case& c : cases) {
    CWindowManagerUI manager;
    EXPECT_EQ(Place<CHorizontalLayoutUI>(manager, c.layout, c.children, RECT{0, 0, 300, 50}), c.expected)
        << std::wstring(c.layout).size();
  }
}

TEST(HorizontalLayout, CentresATwentyPixelChildInAHundredPixelRow) {
  CWindowManagerUI manager;
  EXPECT_EQ(Place<CHorizontalLayoutUI>(manager, L"childvalign=\"vcenter\"", {L"height=\"20\""}, RECT{0, 0, 100, 100}),
            Rects{"0,40,100,60"});
}

TEST(VerticalLayout, SharesFreeHeightAndAlignsAcross) {
  struct Case {
    const wchar_t* layout;
    std::vector<const wchar_t*> children;
    Rects expected;
  } cases[] = {
      {L"childpadding=\"10\"", {L"height=\"100\"", L"", L""}, {"0,0,200,100", "0,110,200,200", "0,210,200,300"}},
      {L"", {L"height=\"50\"", L"maxheight=\"40\"", L""}, {"0,0,200,50", "0,50,200,90", "0,90,200,300"}},
      {L"childalign=\"center\"", {L"width=\"50\" height=\"10\""}, {"75,0,125,10"}},
      {L"childalign=\"right\"", {L"width=\"50\" height=\"10\" padding=\"0,0,7,0\""}, {"143,0,193,10"}},
      {L"inset=\"1,2,3,4\"", {L"padding=\"5,6,7,8\""}, {"6,8,190,288"}},
      // Unknown alignment words leave the alignment as it was.
      {L"childalign=\"middle\"", {L"width=\"50\" height=\"10\""}, {"0,0,50,10"}},
  };
  for (const Case& c : cases) {
    CWindowManagerUI manager;
    EXPECT_EQ(Place<CVerticalLayoutUI>(manager, c.layout, c.children, RECT{0, 0, 200, 300}), c.expected);
  }
}

TEST(Container, PlacesFloatingChildrenByPositionAndPercentages) {
  CWindowManagerUI manager;
  EXPECT_EQ(Place<CContainerUI>(manager, L"",
                                {L"float=\"true\" pos=\"10,10,60,30\"", L"float=\"0.5,0,0.5,0\" pos=\"-10,0,10,20\"",
                                 L"inset=\"0,0,0,0\""},
                                RECT{100, 100, 300, 200}),
            (Rects{"110,110,160,130", "190,100,210,120", "100,100,300,200"}));
  CWindowManagerUI insetManager;
  EXPECT_EQ(Place<CContainerUI>(insetManager, L"inset=\"10,20,30,40\"", {L"", L"maxwidth=\"50\""}, RECT{0, 0, 200, 100}),
            (Rects{"10,20,170,60", "10,20,60,60"}));
}

TEST(VerticalLayout, ShowsAScrollBarForContentThatDoesNotFit) {
  CWindowManagerUI manager;
  CVerticalLayoutUI* layout = nullptr;
  Place<CVerticalLayoutUI>(manager, L"vscrollbar=\"true\"", {L"height=\"200\"", L"height=\"300\""},
                           RECT{0, 0, 100, 300}, &layout);
  CScrollBarUI* bar = layout->GetVerticalScrollBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_TRUE(bar->IsVisible());
  EXPECT_EQ(bar->GetScrollRange(), 200);
  EXPECT_EQ(Str(bar->GetPos()), "84,0,100,300");
  EXPECT_EQ(Str(layout->GetItemAt(1)->GetPos()), "0,200,84,500");
  const int line = manager.GetDefaultFontInfo()->metrics.height + 8;
  layout->LineDown();
  EXPECT_EQ(layout->GetScrollPos().cy, line);
  EXPECT_EQ(layout->GetItemAt(0)->GetPos().top, -line);
  layout->PageDown();
  EXPECT_EQ(layout->GetScrollPos().cy, 200);
  // Laying out again keeps the scrolled position.
  layout->SetPos(RECT{0, 0, 100, 300});
  EXPECT_EQ(layout->GetItemAt(0)->GetPos().top, -200);
  layout->HomeUp();
  EXPECT_EQ(layout->GetItemAt(0)->GetPos().top, 0);
  // Content that fits again hides the bar.
  layout->GetItemAt(1)->SetFixedHeight(50);
  layout->SetPos(RECT{0, 0, 100, 300});
  EXPECT_FALSE(bar->IsVisible());
  EXPECT_EQ(Str(layout->GetItemAt(1)->GetPos()), "0,200,100,250");
  // The bar reports its moves as queued "scroll" notifications.
  EXPECT_TRUE(manager.HasQueuedWork());
}

TEST(HorizontalLayout, BothScrollBarsSettleWithoutEndlessRelayout) {
  CWindowManagerUI manager;
  CHorizontalLayoutUI* layout = nullptr;
  Place<CHorizontalLayoutUI>(manager, L"vscrollbar=\"true\" hscrollbar=\"true\"",
                             {L"width=\"400\" height=\"400\"", L"width=\"50\" height=\"10\""}, RECT{0, 0, 200, 200},
                             &layout);
  CScrollBarUI* v = layout->GetVerticalScrollBar();
  CScrollBarUI* h = layout->GetHorizontalScrollBar();
  EXPECT_TRUE(v->IsVisible());
  EXPECT_TRUE(h->IsVisible());
  EXPECT_EQ(h->GetScrollRange(), 450 - (200 - v->GetFixedWidth()));
  EXPECT_EQ(v->GetScrollRange(), 400 - (200 - h->GetFixedHeight()));
  layout->EndRight();
  EXPECT_EQ(layout->GetItemAt(0)->GetPos().left, -h->GetScrollRange());
}

TEST(LayoutInvariants, FlexibleChildrenTileTheClientAreaExactly) {
  std::mt19937 random(12345);
  for (int round = 0; round < 200; ++round) {
    const bool horizontal = round % 2 == 0;
    CWindowManagerUI manager;
    CContainerUI* layout = horizontal ? static_cast<CContainerUI*>(new CHorizontalLayoutUI)
                                      : static_cast<CContainerUI*>(new CVerticalLayoutUI);
    const int padding = static_cast<int>(random() % 6);
    layout->SetChildPadding(padding);
    layout->SetInset(RECT{static_cast<LONG>(random() % 5), static_cast<LONG>(random() % 5),
                          static_cast<LONG>(random() % 5), static_cast<LONG>(random() % 5)});
    const int count = 1 + static_cast<int>(random() % 6);
    const int flexible = static_cast<int>(random() % count);
    for (int i = 0; i < count; ++i) {
      auto* child = new CControlUI;
      if (i != flexible && random() % 2 == 0) {
        if (horizontal) child->SetFixedWidth(1 + static_cast<int>(random() % 60));
        else child->SetFixedHeight(1 + static_cast<int>(random() % 60));
      }
      child->SetPadding(RECT{static_cast<LONG>(random() % 3), static_cast<LONG>(random() % 3),
                             static_cast<LONG>(random() % 3), static_cast<LONG>(random() % 3)});
      layout->Add(child);
    }
    manager.AttachRoot(layout);
    const RECT area{7, 9, 7 + 600, 9 + 500};
    layout->SetPos(area);
    const RECT client = layout->GetClientPos();
    LONG cursor = horizontal ? client.left : client.top;
    for (int i = 0; i < count; ++i) {
      CControlUI* child = layout->GetItemAt(i);
      const RECT rc = child->GetPos();
      const RECT pad = child->GetPadding();
      if (horizontal) {
        EXPECT_EQ(rc.left, cursor + pad.left);
        EXPECT_GE(rc.top, client.top);
        EXPECT_LE(rc.bottom, client.bottom);
        cursor = rc.right + pad.right + padding;
      } else {
        EXPECT_EQ(rc.top, cursor + pad.top);
        EXPECT_GE(rc.left, client.left);
        EXPECT_LE(rc.right, client.right);
        cursor = rc.bottom + pad.bottom + padding;
      }
    }
    EXPECT_EQ(cursor - padding, horizontal ? client.right : client.bottom) << "round " << round;
  }
}

TEST(Container, ChildListOperations) {
  CWindowManagerUI manager;
  auto* box = new CVerticalLayoutUI;
  manager.AttachRoot(box);
  CControlUI* items[5];
  for (int i = 0; i < 5; ++i) {
    items[i] = new CControlUI;
    ASSERT_TRUE(box->Add(items[i]));
    EXPECT_EQ(items[i]->GetParent(), box);
    EXPECT_EQ(items[i]->GetManager(), &manager);
  }
  EXPECT_FALSE(box->Add(nullptr));
  auto* extra = new CControlUI;
  EXPECT_FALSE(box->AddAt(extra, 7));
  EXPECT_FALSE(box->AddAt(extra, -1));
  EXPECT_TRUE(box->AddAt(extra, 0));
  EXPECT_EQ(box->GetItemIndex(extra), 0);
  EXPECT_TRUE(box->Remove(extra));
  EXPECT_FALSE(box->Remove(extra));
  // Block moves.
  EXPECT_TRUE(box->MoveItems(0, 2, 3));
  EXPECT_EQ(box->GetItemAt(3), items[0]);
  EXPECT_EQ(box->GetItemAt(4), items[1]);
  EXPECT_FALSE(box->MoveItems(3, 3, 0));
  EXPECT_FALSE(box->MoveItems(0, 2, 4));
  EXPECT_FALSE(box->MoveItems(-1, 1, 0));
  EXPECT_TRUE(box->SetItemIndex(items[0], 0));
  EXPECT_EQ(box->GetItemAt(0), items[0]);
  // Removing without destroying keeps the control alive.
  EXPECT_TRUE(box->Remove(items[2], true));
  items[2]->SetText(L"still alive");
  delete items[2];
  // Delayed destruction waits for the manager's queue.
  box->SetDelayedDestroy(true);
  bool destroyed = false;
  items[3]->OnDestroy += MakeDelegate([](void*) { return true; });
  struct Flag {
    bool* flag;
    bool Set(void*) {
      *flag = true;
      return true;
    }
  } flag{&destroyed};
  items[3]->OnDestroy += MakeDelegate<&Flag::Set>(&flag);
  EXPECT_TRUE(box->Remove(items[3]));
  EXPECT_FALSE(destroyed);
  manager.RunQueuedWork();
  EXPECT_TRUE(destroyed);
}

TEST(Container, AControlHasOneOwnerAtATime) {
  CWindowManagerUI manager;
  auto* box = new CVerticalLayoutUI;
  auto* other = new CVerticalLayoutUI;
  box->Add(other);
  manager.AttachRoot(box);
  auto* child = new CControlUI;
  ASSERT_TRUE(box->Add(child));
  // Already owned: neither this container again nor another one takes it.
  EXPECT_FALSE(box->AddAt(child, 0));
  EXPECT_FALSE(other->Add(child));
  EXPECT_FALSE(box->Add(box));
  EXPECT_EQ(box->GetCount(), 2);
  // Kept alive on removal, it belongs to nobody and can move on.
  EXPECT_TRUE(box->Remove(child, true));
  EXPECT_EQ(child->GetParent(), nullptr);
  EXPECT_TRUE(other->Add(child));
  EXPECT_EQ(child->GetParent(), other);
  // A container that does not destroy its children lets them go as well.
  other->SetAutoDestroy(false);
  EXPECT_TRUE(other->Remove(child));
  EXPECT_EQ(child->GetParent(), nullptr);
  EXPECT_TRUE(box->Add(child));
}

TEST(Container, AttachingTheLiveRootAgainKeepsIt) {
  CWindowManagerUI manager;
  auto* root = new CVerticalLayoutUI;
  auto* child = new CControlUI;
  child->SetName(L"child");
  root->Add(child);
  manager.AttachRoot(root);
  EXPECT_TRUE(manager.AttachRoot(manager.GetRoot()));
  EXPECT_FALSE(manager.HasQueuedWork());
  manager.RunQueuedWork();
  EXPECT_EQ(manager.GetRoot(), root);
  EXPECT_EQ(manager.FindControl(L"child"), child);
  EXPECT_EQ(root->GetItemAt(0), child);
}

TEST(Container, HitTestingRespectsMouseChildAndScrolledOutChildren) {
  CWindowManagerUI manager;
  auto* box = new CVerticalLayoutUI;
  auto* child = new CControlUI;
  child->SetFixedHeight(40);
  box->Add(child);
  manager.AttachRoot(box);
  box->SetPos(RECT{0, 0, 100, 100});
  EXPECT_EQ(manager.FindControl(POINT{10, 10}), child);
  EXPECT_EQ(manager.FindControl(POINT{10, 60}), box);
  EXPECT_EQ(manager.FindControl(POINT{10, 160}), nullptr);
  box->SetMouseChildEnabled(false);
  EXPECT_EQ(manager.FindControl(POINT{10, 10}), box);
  box->SetMouseChildEnabled(true);
  child->SetMouseEnabled(false);
  EXPECT_EQ(manager.FindControl(POINT{10, 10}), box);
  // A child outside the client area (pushed out by the inset) is not hit.
  child->SetMouseEnabled(true);
  box->SetInset(RECT{0, 50, 0, 0});
  box->SetPos(RECT{0, 0, 100, 100});
  child->SetPos(RECT{0, 0, 100, 40}, false);
  EXPECT_EQ(manager.FindControl(POINT{10, 10}), box);
}

TEST(LayoutSeparator, DraggingTheStripResizesTheLayoutWithinItsLimits) {
  CWindowManagerUI manager;
  auto* row = new CHorizontalLayoutUI;
  auto* pane = new CHorizontalLayoutUI;
  pane->ApplyAttributes(L"width=\"100\" maxwidth=\"130\" sepwidth=\"4\"");
  row->Add(pane);
  row->Add(new CControlUI);
  manager.AttachRoot(row);
  manager.UpdateLayout(RECT{0, 0, 300, 50});
  EXPECT_EQ(pane->GetFlags(), UIFLAG_SETCURSOR);
  auto send = [&](std::int32_t type, LONG x) {
    UIEvent event;
    event.type = type;
    event.mouse = POINT{x, 10};
    pane->DispatchEvent(event);
  };
  send(UIEVENT_BUTTONDOWN, 50);  // not on the strip
  EXPECT_FALSE(pane->Separator().IsDragging());
  send(UIEVENT_BUTTONDOWN, 98);
  ASSERT_TRUE(pane->Separator().IsDragging());
  EXPECT_EQ(manager.GetPostPaintControls().Find(pane), 0);
  send(UIEVENT_MOUSEMOVE, 118);
  EXPECT_EQ(pane->GetFixedWidth(), 120);
  EXPECT_EQ(pane->GetPos().right, 100);  // moves only when released
  send(UIEVENT_MOUSEMOVE, 160);          // past the maximum: held at 130
  EXPECT_EQ(pane->GetFixedWidth(), 130);
  send(UIEVENT_MOUSEMOVE, 170);  // already at the limit
  EXPECT_EQ(pane->GetFixedWidth(), 130);
  send(UIEVENT_MOUSEMOVE, 165);  // moving left while right of the edge: ignored
  EXPECT_EQ(pane->GetFixedWidth(), 130);
  send(UIEVENT_BUTTONUP, 165);
  EXPECT_FALSE(pane->Separator().IsDragging());
  EXPECT_EQ(manager.GetPostPaintControls().Find(pane), -1);
  manager.UpdateLayout(RECT{0, 0, 300, 50});
  EXPECT_EQ(pane->GetPos().right, 130);
  EXPECT_EQ(row->GetItemAt(1)->GetPos().left, 130);
}
