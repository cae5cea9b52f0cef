// The builder callback of the program's windows: it creates the program's
// own controls for the element names the framework's class table does
// not know ("ContainerEx", compared case-sensitively).
#pragma once

#include "uiframework/markup/DialogBuilder.h"

class CProgramControlsCallback : public SkinUI::IDialogBuilderCallback {
 public:
  SkinUI::CControlUI* CreateControl(LPCWSTR className) override;
};
