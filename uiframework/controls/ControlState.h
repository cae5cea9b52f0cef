// The state bits of the controls that react to the mouse and the keyboard
// like a button (buttons, options, ContainerEx, the GIF button). One set
// per control; each control uses the bits it needs.
#pragma once

#include "platform/Types.h"

namespace SkinUI {

constexpr UINT UISTATE_FOCUSED = 0x01;
constexpr UINT UISTATE_SELECTED = 0x02;
constexpr UINT UISTATE_DISABLED = 0x04;
constexpr UINT UISTATE_HOT = 0x08;
constexpr UINT UISTATE_PUSHED = 0x10;
// A press started on the control and its release has not come yet.
constexpr UINT UISTATE_CAPTURED = 0x40;

}  // namespace SkinUI
