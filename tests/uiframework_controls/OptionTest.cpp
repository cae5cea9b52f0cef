// Options: exclusive groups kept in the window's option groups, silent
// selection from code, clicks on the selected member, toggling without a
// group, and the selected images and colours.
#include "tests/uiframework_controls/ControlsWindow.h"
#include "uiframework/controls/CheckBoxUI.h"
#include "uiframework/controls/OptionUI.h"

namespace skintest {
namespace {

// Three options of group "line" at x 0..100, 100..200, 200..300.
constexpr const wchar_t* kLineOptions =
    L"<Window><HorizontalLayout>"
    L"<Option name=\"one\" width=\"100\" group=\"line\" selected=\"true\" normalimage=\"color='#FF0000FF'\" "
    L"selectedimage=\"color='#FFFF0000'\"/>"
    L"<Option name=\"two\" width=\"100\" group=\"line\" normalimage=\"color='#FF0000FF'\" "
    L"selectedimage=\"color='#FFFF0000'\"/>"
    L"<Option name=\"three\" width=\"100\" group=\"line\" normalimage=\"color='#FF0000FF'\" "
    L"selectedimage=\"color='#FFFF0000'\"/>"
    L"<Control/></HorizontalLayout></Window>";

using OptionTest = ControlsWindow;

TEST_F(OptionTest, SelectingOneMemberDeselectsTheOthersSilently) {
  Build(kLineOptions);
  auto* one = Find<COptionUI>(L"one");
  auto* two = Find<COptionUI>(L"two");
  auto* three = Find<COptionUI>(L"three");
  ASSERT_NE(window.pm.GetOptionGroup(L"line"), nullptr);
  EXPECT_EQ(window.pm.GetOptionGroup(L"line")->GetSize(), 3);
  EXPECT_TRUE(one->IsSelected());
  EXPECT_EQ(PixelAt(50, 50), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(150, 50), 0xFF0000FFu);

  TakeNotes();
  ClickAt(150, 50);
  EXPECT_FALSE(one->IsSelected());
  EXPECT_TRUE(two->IsSelected());
  EXPECT_FALSE(three->IsSelected());
  EXPECT_EQ(TakeNotes(), (Notes{"mouseenter:two", "click:two", "selectchanged:two"}));
  EXPECT_EQ(PixelAt(50, 50), 0xFF0000FFu);
  EXPECT_EQ(PixelAt(150, 50), 0xFFFF0000u);
  EXPECT_NE(two->GetState() & UISTATE_SELECTED, 0u);
  EXPECT_EQ(one->GetState() & UISTATE_SELECTED, 0u);

  // Clicking the selected member again only clicks.
  ClickAt(160, 50);
  EXPECT_TRUE(two->IsSelected());
  EXPECT_EQ(TakeNotes(), (Notes{"click:two"}));
}

TEST_F(OptionTest, SelectingFromCodeWithoutNotifySendsNothing) {
  Build(kLineOptions);
  auto* one = Find<COptionUI>(L"one");
  auto* three = Find<COptionUI>(L"three");
  TakeNotes();
  three->Selected(true, false);
  EXPECT_TRUE(three->IsSelected());
  EXPECT_FALSE(one->IsSelected());
  // Deselecting a grouped option never notifies.
  three->Selected(false);
  EXPECT_FALSE(three->IsSelected());
  EXPECT_TRUE(TakeNotes().empty());
  one->Selected(true);
  EXPECT_EQ(TakeNotes(), (Notes{"selectchanged:one"}));
}

TEST_F(OptionTest, UngroupedOptionAndCheckBoxToggleOnEachClick) {
  Build(L"<Window><HorizontalLayout><Option name=\"o\" width=\"100\"/><CheckBox name=\"c\" width=\"100\"/>"
        L"<Control/></HorizontalLayout></Window>");
  auto* option = Find<COptionUI>(L"o");
  auto* check = Find<CCheckBoxUI>(L"c");
  EXPECT_STREQ(check->GetClass(), L"CheckBox");
  EXPECT_EQ(check->FindInterface(L"Option"), static_cast<COptionUI*>(check));
  TakeNotes();
  ClickAt(50, 50);
  EXPECT_TRUE(option->IsSelected());
  ClickAt(51, 50);
  EXPECT_FALSE(option->IsSelected());
  ClickAt(150, 50);
  EXPECT_TRUE(check->IsSelected());
  EXPECT_EQ(TakeNotes(), (Notes{"mouseenter:o", "click:o", "selectchanged:o", "click:o", "selectchanged:o",
                                "mouseleave:o", "mouseenter:c", "click:c", "selectchanged:c"}));
}

TEST_F(OptionTest, RegroupingAndDeletionLeaveTheGroup) {
  Build(kLineOptions);
  auto* one = Find<COptionUI>(L"one");
  auto* two = Find<COptionUI>(L"two");
  two->SetGroup(L"other");
  EXPECT_EQ(window.pm.GetOptionGroup(L"line")->GetSize(), 2);
  EXPECT_EQ(window.pm.GetOptionGroup(L"other")->GetSize(), 1);
  // The selection of the others is not touched by regrouping.
  EXPECT_TRUE(one->IsSelected());
  two->Selected(true);
  EXPECT_TRUE(one->IsSelected());
  // Removing the last member deletes the group.
  auto* row = static_cast<CContainerUI*>(window.pm.GetRoot());
  row->Remove(two);
  EXPECT_EQ(window.pm.GetOptionGroup(L"other"), nullptr);
  two = nullptr;
  // An empty name only leaves.
  one->SetGroup(L"");
  EXPECT_EQ(window.pm.GetOptionGroup(L"line")->GetSize(), 1);
}

TEST_F(OptionTest, DisablingKeepsOnlyTheSelectedBit) {
  Build(kLineOptions);
  auto* one = Find<COptionUI>(L"one");
  MoveTo(50, 50);
  EXPECT_NE(one->GetState() & UISTATE_HOT, 0u);
  one->SetEnabled(false);
  EXPECT_EQ(one->GetState(), UISTATE_SELECTED);
}

TEST_F(OptionTest, SelectedOptionUsesItsColoursAndNeverThePushedImage) {
  Build(L"<Window><HorizontalLayout>"
        L"<Option name=\"o\" width=\"100\" normalimage=\"color='#FF0000FF'\" pushedimage=\"color='#FFFF00FF'\" "
        L"selectedbkcolor=\"#FF00FF00\" foreimage=\"color='#FFFFFFFF' dest='0,0,10,10'\"/>"
        L"<Control/></HorizontalLayout></Window>");
  auto* option = Find<COptionUI>(L"o");
  MoveTo(50, 50);
  Press();
  EXPECT_NE(option->GetState() & UISTATE_PUSHED, 0u);
  EXPECT_EQ(PixelAt(50, 50), 0xFF0000FFu);  // not the pushed image
  EXPECT_EQ(PixelAt(5, 5), 0xFFFFFFFFu);    // the option's own foreground image
  Release();
  EXPECT_TRUE(option->IsSelected());
  // No selected image: the selected background colour, then the normal
  // image over it, then the foreground image.
  EXPECT_EQ(PixelAt(5, 5), 0xFFFFFFFFu);
}

}  // namespace
}  // namespace skintest
