// The event record handed to a control's event handler, with the fixed
// numeric values of the event types (controls test ranges of them).
#pragma once

#include "platform/Types.h"
#include "uiframework/core/UIGeometry.h"

namespace SkinUI {

class CControlUI;

enum UIEventType : std::int32_t {
  UIEVENT_KEYDOWN = 3,
  UIEVENT_KEYUP = 4,
  UIEVENT_CHAR = 5,
  UIEVENT_SYSKEY = 6,
  UIEVENT_MOUSEMOVE = 9,
  UIEVENT_MOUSELEAVE = 10,
  UIEVENT_MOUSEENTER = 11,
  UIEVENT_MOUSEHOVER = 12,
  UIEVENT_BUTTONDOWN = 13,
  UIEVENT_BUTTONUP = 14,
  UIEVENT_RBUTTONDOWN = 15,
  UIEVENT_DBLCLICK = 16,
  UIEVENT_CONTEXTMENU = 17,
  UIEVENT_SCROLLWHEEL = 18,
  UIEVENT_KILLFOCUS = 20,
  UIEVENT_SETFOCUS = 21,
  UIEVENT_WINDOWSIZE = 22,
  UIEVENT_SETCURSOR = 23,
  UIEVENT_TIMER = 24,
};

inline bool IsMouseEvent(std::int32_t type) { return type > 8 && type < 19; }

// Key state bits.
constexpr WORD MK_LBUTTON_STATE = 0x01;
constexpr WORD MK_RBUTTON_STATE = 0x02;
constexpr WORD MK_SHIFT_STATE = 0x04;
constexpr WORD MK_CONTROL_STATE = 0x08;
constexpr WORD MK_ALT_STATE = 0x20;

struct UIEvent {
  std::int32_t type = 0;
  CControlUI* sender = nullptr;
  DWORD timestamp = 0;
  POINT mouse;
  wchar_t key = 0;
  WORD keyState = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

}  // namespace SkinUI
