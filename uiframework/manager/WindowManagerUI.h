// CWindowManagerUI: the paint manager of one window. The tree side, what
// the controls talk to, is its base CControlTreeUI (library bg_ui). The
// members declared here bind the manager to a window and reach it; they
// are defined in uiframework/window/WindowManagerUI.cpp (library
// bg_ui_window, which needs the window system), where Init installs the
// CManagerWindowSide that maps the window's messages to control events,
// keeps control timers and message filters, paints, layers and shows
// tooltips. Before Init they do nothing and report failure. A manager
// without a window (markup tests, tools) needs only bg_ui.
#pragma once

#include "uiframework/manager/ControlTreeUI.h"
#include "uiframework/manager/MessageFilter.h"

namespace SkinUI {

class CManagerWindowSide;

class CWindowManagerUI : public CControlTreeUI {
 public:
  CWindowManagerUI() = default;
  // The tree goes first, while its controls can still reach this manager.
  ~CWindowManagerUI() override { ReleaseTree(); }

  // Binds the manager to a window: clears the per-window tables, takes the
  // window's device context and joins the process-wide list of managers.
  bool Init(HWND window, LPCWSTR name = nullptr);
  HWND GetPaintWindow() const;
  CUIString GetWindowName() const;
  // The caption rectangle of the markup; a bottom of -1 is resolved to the
  // height of the bound window's client area (the initial height unbound).
  RECT GetCaptionRect() const;
  // Accelerator translators and pre-message handling of the managers bound
  // to the message's target window and its ancestors.
  static bool PreTranslate(MSG* msg);
  bool PreHandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool IsPainting() const;
  using CControlTreeUI::Invalidate;
  // The whole client area of the bound window.
  void Invalidate();

  CControlUI* GetHoverControl() const;
  void SetCapture();
  void ReleaseCapture();
  bool IsCaptured() const;
  UINT GetHoverTime() const;
  void SetHoverTime(UINT milliseconds);

  void RemoveAllTimers();

  bool AddPreMessageFilter(IMessageFilterUI* filter);
  bool RemovePreMessageFilter(IMessageFilterUI* filter);
  bool AddMessageFilter(IMessageFilterUI* filter);
  bool RemoveMessageFilter(IMessageFilterUI* filter);
  bool AddTranslateAccelerator(ITranslateAccelerator* translator);
  bool RemoveTranslateAccelerator(ITranslateAccelerator* translator);
  bool AddNativeChild(CControlUI* control, HWND window);
  bool RemoveNativeChild(CControlUI* control);

  // Layering of the bound window (refused for child windows).
  bool SetLayered(bool layered);
  bool IsLayered() const;
  void SetOpacity(BYTE alpha);
  void SetLayeredOpacity(BYTE alpha);
  void SetLayeredImage(LPCWSTR description);

 private:
  CManagerWindowSide* Window() const;

  CUIString m_windowName;
};

}  // namespace SkinUI
