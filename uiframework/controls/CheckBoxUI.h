// CCheckBoxUI: an option under its own class name ("CheckBox"); without a
// group it toggles on each click.
#pragma once

#include "uiframework/controls/OptionUI.h"

namespace SkinUI {

class CCheckBoxUI : public COptionUI {
 public:
  LPCWSTR GetClass() const override;
  void* FindInterface(LPCWSTR name) override;
};

}  // namespace SkinUI
