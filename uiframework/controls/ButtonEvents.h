// The mouse and keyboard handling that every button-like control shares
// (the button and the GIF button): Space or Return activates; a press
// inside captures and pushes; moving while captured pushes only inside;
// the release activates only inside; the context menu notifies "menu";
// entering makes the control hot with "mouseenter"; leaving clears it
// with "mouseleave" unless the mouse is still over the control (it moved
// onto a child or an overlapping control, and the real leave comes
// later); the cursor is the one the control asks for.
#pragma once

#include "uiframework/controls/ControlState.h"
#include "uiframework/controls/ControlUI.h"
#include "uiframework/manager/WindowSide.h"

namespace SkinUI {

enum class ButtonEventOutcome {
  Handled,  // the event is used up
  Entered,  // the mouse entered: the control's own handling may follow
  Left,     // the mouse really left: likewise
  NotMine,  // not a button event: the control's own handling takes it
};

// Handles the event for control, whose UISTATE_* bits are state.
ButtonEventOutcome HandleButtonEvent(CControlUI& control, UINT& state, UIEvent& event, UICursor cursor);

}  // namespace SkinUI
