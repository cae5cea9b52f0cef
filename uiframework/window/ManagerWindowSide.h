// CManagerWindowSide: the window half of a CWindowManagerUI, created by
// CWindowManagerUI::Init. It maps the window's messages to control events
// (hover, capture, click, keys, wheel, timers), keeps the control timers,
// the message filters and native child windows, paints the tree into an
// off-screen surface (or a per-pixel-alpha layered window with a shadow)
// and shows tooltips. Everything runs on the thread that owns the window.
#pragma once

#include "platform/window/DeviceContext.h"
#include "platform/window/Tooltips.h"
#include "platform/window/User32.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/window/ControlTimers.h"

#include <utility>
#include <vector>

namespace SkinUI {

class CManagerWindowSide final : public IWindowSideUI {
 public:
  CManagerWindowSide(CWindowManagerUI& manager, HWND window);
  ~CManagerWindowSide() override;
  CManagerWindowSide(const CManagerWindowSide&) = delete;
  CManagerWindowSide& operator=(const CManagerWindowSide&) = delete;

  void InvalidateWindow(const RECT& rc) override;
  void FocusWindow() override;
  void PostQueuedWork() override;
  void ForgetControl(CControlUI* control) override;
  void RootAttached() override;
  void WindowAttributeSet(const CUIString& name) override;
  void ShowCursor(UICursor cursor) override;
  bool SetControlTimer(CControlUI* control, UINT timerId, UINT elapse) override;
  bool KillControlTimer(CControlUI* control, UINT timerId) override;
  void KillControlTimers(CControlUI* control) override;

  HWND GetWindow() const { return m_window; }
  static bool PreTranslate(MSG* msg);
  bool PreHandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  bool IsPainting() const { return m_painting; }
  void InvalidateClient();
  CControlUI* GetHover() const { return m_hover; }
  void SetCapture();
  void ReleaseCapture();
  bool IsCaptured() const { return m_captured; }
  UINT GetHoverTime() const { return m_hoverTime; }
  void SetHoverTime(UINT ms) { m_hoverTime = ms; }
  CControlTimers& Timers() { return m_timers; }

  template <typename T>
  static bool AddUnique(std::vector<T*>& list, T* item) {
    if (item == nullptr) return false;
    for (T* each : list)
      if (each == item) return false;
    list.push_back(item);
    return true;
  }
  template <typename T>
  static bool RemoveFrom(std::vector<T*>& list, T* item) {
    for (auto it = list.begin(); it != list.end(); ++it) {
      if (*it == item) {
        list.erase(it);
        return true;
      }
    }
    return false;
  }
  std::vector<IMessageFilterUI*>& PreFilters() { return m_preFilters; }
  std::vector<IMessageFilterUI*>& Filters() { return m_filters; }
  std::vector<ITranslateAccelerator*>& Translators() { return m_translators; }
  bool AddNativeChild(CControlUI* control, HWND child);
  bool RemoveNativeChild(CControlUI* control);

  bool SetLayered(bool layered);
  bool IsLayered() const { return m_layered; }
  void SetOpacity(BYTE alpha);
  void SetLayeredOpacity(BYTE alpha);
  void SetLayeredImage(LPCWSTR description);

  // The window timer that paints a layered window's accumulated changes.
  static constexpr UINT_PTR kLayeredTimerId = 0x2000;

 private:
  // Events
  UIEvent MakeEvent(int type, POINT pt, WPARAM wParam, LPARAM lParam, WORD keyState) const;
  static WORD LiveKeyState();
  void Send(CControlUI* control, UIEvent event);
  CControlUI* ControlAt(POINT pt) const;
  bool OwnedHere(const CControlUI* control) const;
  bool NoActivate() const;
  void FocusThisWindow();
  bool HandleMouseMove(WPARAM wParam, LPARAM lParam);
  bool HandleMouseLeave();
  void LeaveHover(const UIEvent& base);
  bool HandleButtonDown(UINT message, WPARAM wParam, LPARAM lParam);
  bool HandleWheel(WPARAM wParam, LPARAM lParam);
  bool HandleSetCursor(LPARAM lParam, LRESULT& result);
  void HandleClose();
  bool HandleReflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void HandleTimer(WPARAM wParam, LPARAM lParam);
  bool HandleSysChar(WPARAM wParam);

  // Painting
  bool Paint();
  bool TakeInvalidRect(RECT& invalid, const RECT& client);
  bool LayOut(const RECT& client);
  bool EnsureOffscreen(const RECT& client);
  void DropOffscreen();
  void PrepareLayeredBackground(const RECT& client, const RECT& invalid);
  void ClearPixels(const RECT& rc);
  void PaintNativeChildren(const RECT& client, const RECT& invalid);
  void FixLayeredAlpha(const RECT& client, const RECT& invalid);
  void PresentLayered(const RECT& client);
  void PrintClient(HDC target, LPARAM flags);
  RECT ShadowInsetClient(const RECT& client) const;
  void ArmLayeredRefresh();
  void DisarmLayeredRefresh();

  // Tooltips
  bool ShowTooltip(POINT pt);
  void HideTooltip();

  CWindowManagerUI& m_manager;
  HWND m_window;
  HDC m_windowDc = nullptr;
  HDC m_offscreenDc = nullptr;
  HBITMAP m_offscreenBitmap = nullptr;
  HGDIOBJ m_offscreenOld = nullptr;
  HDC m_backgroundDc = nullptr;
  HBITMAP m_backgroundBitmap = nullptr;
  HGDIOBJ m_backgroundOld = nullptr;
  HWND m_tooltip = nullptr;
  TOOLINFOW m_toolInfo;
  CUIString m_toolText;

  CControlUI* m_hover = nullptr;
  CControlUI* m_click = nullptr;
  CControlUI* m_keyPress = nullptr;
  CControlUI* m_lastTooltip = nullptr;
  UINT m_hoverTime = 1000;
  bool m_tracking = false;
  bool m_captured = false;
  bool m_painting = false;
  bool m_firstLayout = true;

  bool m_layered = false;
  BYTE m_layeredOpacity = 255;
  bool m_layeredChanged = false;
  bool m_shadowDirty = false;
  bool m_layeredRefreshArmed = false;
  ImageDrawSpec m_layeredImage;

  CControlTimers m_timers;
  std::vector<IMessageFilterUI*> m_preFilters;
  std::vector<IMessageFilterUI*> m_filters;
  std::vector<ITranslateAccelerator*> m_translators;
  std::vector<std::pair<CControlUI*, HWND>> m_natives;
};

}  // namespace SkinUI
