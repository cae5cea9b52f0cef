// Receivers that see window messages before a manager maps them to
// control events, and translators of accelerator keys.
#pragma once

#include "platform/window/User32.h"

namespace SkinUI {

class IMessageFilterUI {
 public:
  virtual ~IMessageFilterUI() = default;
  // Setting handled ends the processing of the message with the result.
  virtual LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) = 0;
};

class ITranslateAccelerator {
 public:
  virtual ~ITranslateAccelerator() = default;
  // 0 (S_OK) means the message was translated and is consumed.
  virtual LRESULT TranslateAccelerator(MSG* msg) = 0;
};

}  // namespace SkinUI
