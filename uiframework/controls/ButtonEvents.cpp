#include "uiframework/controls/ButtonEvents.h"

#include "uiframework/manager/WindowManagerUI.h"

namespace SkinUI {

namespace {

constexpr wchar_t kKeySpace = 0x20;
constexpr wchar_t kKeyReturn = 0x0D;

}  // namespace

ButtonEventOutcome HandleButtonEvent(CControlUI& control, UINT& state, UIEvent& event, UICursor cursor) {
  CWindowManagerUI* manager = control.GetManager();
  const bool inside = RectContains(control.GetPos(), event.mouse);
  switch (event.type) {
    case UIEVENT_KEYDOWN:
      if ((event.key == kKeySpace || event.key == kKeyReturn) && control.IsVisible() && control.IsKeyboardEnabled() &&
          control.IsEnabled()) {
        control.Activate();
        return ButtonEventOutcome::Handled;
      }
      return ButtonEventOutcome::NotMine;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
      if (inside && control.IsEnabled()) {
        state |= UISTATE_PUSHED | UISTATE_CAPTURED;
        control.Invalidate();
      }
      return ButtonEventOutcome::Handled;
    case UIEVENT_MOUSEMOVE:
      if ((state & UISTATE_CAPTURED) == 0) return ButtonEventOutcome::NotMine;
      if (inside) state |= UISTATE_PUSHED;
      else state &= ~UISTATE_PUSHED;
      control.Invalidate();
      return ButtonEventOutcome::Handled;
    case UIEVENT_BUTTONUP:
      if ((state & UISTATE_CAPTURED) != 0) {
        if (inside && control.IsEnabled()) control.Activate();
        state &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
        control.Invalidate();
      }
      return ButtonEventOutcome::Handled;
    case UIEVENT_CONTEXTMENU:
      if (control.IsContextMenuUsed() && control.IsEnabled() && manager != nullptr)
        manager->SendNotify(&control, L"menu", event.wParam, event.lParam);
      return ButtonEventOutcome::Handled;
    case UIEVENT_MOUSEENTER:
      if (!inside) return ButtonEventOutcome::NotMine;
      if (control.IsEnabled() && (state & UISTATE_HOT) == 0) {
        state |= UISTATE_HOT;
        control.Invalidate();
      }
      if (manager != nullptr) manager->SendNotify(&control, L"mouseenter");
      return ButtonEventOutcome::Entered;
    case UIEVENT_MOUSELEAVE:
      if (inside) {
        if (manager != nullptr) manager->AddMouseLeaveListener(&control);
        return ButtonEventOutcome::Handled;
      }
      if (control.IsEnabled()) {
        state &= ~UISTATE_HOT;
        control.Invalidate();
      }
      if (manager != nullptr) {
        manager->SendNotify(&control, L"mouseleave");
        manager->RemoveMouseLeaveListener(&control);
      }
      return ButtonEventOutcome::Left;
    case UIEVENT_SETCURSOR:
      if (manager != nullptr) manager->SetCursor(cursor);
      return ButtonEventOutcome::Handled;
    default:
      return ButtonEventOutcome::NotMine;
  }
}

}  // namespace SkinUI
