// CActiveXWnd: the child window a windowed hosted object lives in. It
// registers itself as a native child of the owner control (so that a
// layered skinned window captures it through WM_PRINT), activates the
// object when it gets the focus or a click, and swallows the mouse wheel.
#pragma once

#include "uiframework/window/WindowWnd.h"

namespace SkinUI {

class CActiveXCtrl;

class CActiveXWnd : public CWindowWnd {
 public:
  // Creates the window as a child of parent, at zero size.
  HWND Init(CActiveXCtrl* owner, HWND parent);

 protected:
  LPCWSTR WindowClassName() const override;
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void OnDestroyed(HWND window) override;

 private:
  bool LayeredParent() const;

  CActiveXCtrl* m_owner = nullptr;
};

}  // namespace SkinUI
