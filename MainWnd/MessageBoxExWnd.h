// CMessageBoxExWnd: the program's skinned modal message box: a small
// borderless, per-pixel-alpha layered window whose control tree is built
// in code (it needs only three images of the skin archive). It offers one
// or two text buttons and a close button and returns which one was chosen:
// 1 for "ok_btn", 2 for "cancel_btn", 0 for the close button, Escape and
// the window's close command.
#pragma once

#include "MainWnd/MainWndSeams.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/window/WindowWnd.h"

#include <string>

class CMessageBoxExWnd : public SkinUI::CWindowWnd, public SkinUI::INotifyUI {
 public:
  // type 1: "ok_btn" alone; 2: "ok_btn", the gap and "cancel_btn"; any
  // other value: neither (only the close button).
  CMessageBoxExWnd(LPCWSTR title, LPCWSTR text, int iconFlag, int type, LPCWSTR firstText, LPCWSTR secondText);

  void Notify(SkinUI::UINotifyMsg& msg) override;
  // The tree; null (logged) when a control class it needs is missing.
  SkinUI::CControlUI* BuildTree();
  SkinUI::CWindowManagerUI& PaintManager() { return m_pm; }

 protected:
  LPCWSTR WindowClassName() const override { return L"CMessageBoxExWnd"; }
  UINT ClassStyle() const override { return CS_DBLCLKS; }
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  LRESULT OnCreate();
  void ShowChosenParts();

  SkinUI::CWindowManagerUI m_pm;
  std::wstring m_title;
  std::wstring m_text;
  int m_iconFlag;
  int m_type;
  std::wstring m_firstText;
  std::wstring m_secondText;
};

// Shows a box and waits for it: 1, 2, or 0 (also when the box cannot be
// created). The window's title is always the product's, whatever title
// says; the owner (may be null) is disabled while the box runs.
int ShowMessageBoxEx(HWND owner, LPCWSTR title, LPCWSTR text, int iconFlag, int type, LPCWSTR firstText,
                     LPCWSTR secondText, int width, int height);

// The program's notices and questions as the main window asks them.
class CSkinnedMessageBoxes : public IMessageBoxUI {
 public:
  int Ask(HWND owner, const std::wstring& text, int type, const wchar_t* firstText,
          const wchar_t* secondText) override;
};
