// Notifications: the record delivered to INotifyUI receivers ("click",
// "windowinit", "scroll", ...).
#pragma once

#include "platform/Types.h"
#include "uiframework/core/UIGeometry.h"
#include "uiframework/core/UIString.h"

namespace SkinUI {

class CControlUI;

struct UINotifyMsg {
  CUIString type;
  CUIString virtualWindow;
  CControlUI* sender = nullptr;
  DWORD timestamp = 0;
  POINT mouse;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

class INotifyUI {
 public:
  virtual ~INotifyUI() = default;
  virtual void Notify(UINotifyMsg& msg) = 0;
};

}  // namespace SkinUI
