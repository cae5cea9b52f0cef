// CWindowManagerUI: the paint manager of one window: its control tree and
// resources. The tree side (this file's source, library bg_ui) is what the
// control tree talks to: the root and the name map, focus and tab order,
// invalidation and re-layout requests, notifications (direct and queued),
// the deletion queue and the registration lists. It works without a
// window.
//
// The window side is declared here too but built in uiframework/window/
// (library bg_ui_window, which needs the window system): binding to a
// window (Init), mapping window messages to control events, hover,
// capture and click rules, control timers, message filters, painting into
// an off-screen surface, layering with a shadow, and tooltips. Init
// installs an IWindowSideUI through which the tree side reaches the
// window; code that calls the window-side members links bg_ui_window.
#pragma once

#include "uiframework/controls/ControlUI.h"
#include "uiframework/core/PointerArray.h"
#include "uiframework/manager/MessageFilter.h"
#include "uiframework/manager/UINotify.h"
#include "uiframework/manager/WindowAttributes.h"
#include "uiframework/manager/WindowSide.h"
#include "uiframework/resources/WindowResources.h"

#include <memory>
#include <vector>

namespace SkinUI {

class CManagerWindowSide;

class CWindowManagerUI : public CWindowResourcesUI {
 public:
  CWindowManagerUI();
  ~CWindowManagerUI() override;

  // Resets focus and hover; a previous root is scheduled for deletion.
  bool AttachRoot(CControlUI* root);
  CControlUI* GetRoot() const { return m_root; }
  // Attaches the manager to the whole subtree (running Init on every
  // control with a parent) and adds every named control to the name map.
  void BindTree(CControlUI* control, CControlUI* parent = nullptr);
  // Drops every reference the manager holds to a control being deleted.
  void ForgetControl(CControlUI* control);
  bool RenameControl(CControlUI* control, LPCWSTR newName);
  CControlUI* FindControl(LPCWSTR name) const;
  // The visible control under the point, topmost first.
  CControlUI* FindControl(POINT pt) const;

  CControlUI* GetFocus() const { return m_focus; }
  void SetFocus(CControlUI* control, bool focusWindow = true);
  // Moves the focus to the next (or previous) tab stop in tree order,
  // wrapping around; while a layout is pending only remembers the move.
  void FocusNextTabStop(bool forward = true);
  // Focuses the control (or the next tab stop after it) at the next paint.
  void SetFocusDeferred(CControlUI* control);
  bool IsFocusNeeded() const { return m_focusNeeded; }

  // Invalidation accumulates into one rectangle until painting takes it.
  void Invalidate(const RECT& rc);
  const RECT& GetInvalidRect() const { return m_invalid; }
  void ClearInvalidRect() { m_invalid = RECT{}; }
  void RequestLayout() { m_updateNeeded = true; }
  bool IsUpdateNeeded() const { return m_updateNeeded; }
  // Lays the root out over the client rectangle when it needs it, else
  // only the topmost controls that asked for a layout; clears the request.
  void UpdateLayout(const RECT& client);

  void AddNotifier(INotifyUI* notifier);
  void RemoveNotifier(INotifyUI* notifier);
  void SendNotify(UINotifyMsg& msg, bool async = false, bool enableRepeat = true);
  void SendNotify(CControlUI* control, LPCWSTR type, WPARAM wParam = 0, LPARAM lParam = 0, bool async = false,
                  bool enableRepeat = true);
  void SetUsesVirtualWindows(bool uses) { m_usesVirtualWindows = uses; }
  void SetLastMousePos(POINT pt) { m_lastMouse = pt; }
  // Where the mouse was last seen over the window (client coordinates);
  // (-1, -1) before the first mouse message.
  POINT GetLastMousePos() const { return m_lastMouse; }
  // Asks the bound window for a cursor (controls answer a SetCursor event
  // with it); nothing happens without a window.
  void SetCursor(UICursor cursor);
  // Control timers of the bound window: false when a live timer with the
  // same control and id exists or the window refuses it; a killed one is
  // restarted. Without a window there are none.
  bool SetTimer(CControlUI* control, UINT timerId, UINT elapse);
  bool KillTimer(CControlUI* control, UINT timerId);
  void KillTimer(CControlUI* control);

  // A window attribute of the layout's root element: the default colours
  // go to the resources, the window settings are kept for the window
  // layer, anything else is a custom attribute (the first value wins).
  void SetWindowAttribute(LPCWSTR name, LPCWSTR value);
  const WindowAttributes& GetWindowAttributes() const { return m_windowAttributes; }
  // What the window classes read for their hit testing and shape.
  SIZE GetInitSize() const { return m_windowAttributes.initSize; }
  RECT GetSizeBox() const { return m_windowAttributes.sizeBox; }
  SIZE GetRoundCorner() const { return m_windowAttributes.roundCorner; }
  SIZE GetMinInfo() const { return m_windowAttributes.minInfo; }
  SIZE GetMaxInfo() const { return m_windowAttributes.maxInfo; }
  LPCWSTR GetWindowCustomAttribute(LPCWSTR name) const;

  void AddPostPaint(CControlUI* control);
  void RemovePostPaint(CControlUI* control);
  const CPointerArray& GetPostPaintControls() const { return m_postPaint; }
  void AddMouseLeaveListener(CControlUI* control);
  void RemoveMouseLeaveListener(CControlUI* control);
  // Detaches the control from its parent's events and deletes it when the
  // queued work runs next, never during its own event handling.
  void ScheduleDelete(CControlUI* control);
  bool HasQueuedWork() const { return m_asyncPosted; }
  // Delivers queued notifications and deletes scheduled controls.
  void RunQueuedWork();

  // ---- Window side (defined in uiframework/window/, library bg_ui_window)

  // Binds the manager to a window: clears the per-window tables, takes the
  // window's device context and joins the process-wide list of managers.
  bool Init(HWND window, LPCWSTR name = nullptr);
  HWND GetPaintWindow() const;
  CUIString GetWindowName() const;
  // The caption rectangle of the markup; a bottom of -1 is resolved to the
  // height of the bound window's client area (the initial height unbound).
  RECT GetCaptionRect() const;
  // Accelerator translators and pre-message handling of the manager whose
  // window is the message's target (or an ancestor of it).
  static bool PreTranslate(MSG* msg);
  bool PreHandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool IsPainting() const;
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
  friend class CManagerWindowSide;
  static DWORD TickCount();
  void NotifyAll(UINotifyMsg& msg);
  CManagerWindowSide* Window() const;

  CControlUI* m_root = nullptr;
  CControlUI* m_focus = nullptr;
  CNamePtrMap m_nameMap;
  RECT m_invalid;
  bool m_updateNeeded = false;
  bool m_usesVirtualWindows = false;
  bool m_asyncPosted = false;
  bool m_focusNeeded = false;
  POINT m_lastMouse{-1, -1};
  CPointerArray m_notifiers;
  CPointerArray m_postPaint;
  CPointerArray m_mouseLeaveListeners;
  CPointerArray m_scheduledDeletes;
  std::vector<UINotifyMsg*> m_asyncNotifications;
  WindowAttributes m_windowAttributes;
  CUIString m_windowName;
  CNamePtrMap m_windowCustomAttributes;
  // Released at the end of the destructor, after the tree it serves.
  std::unique_ptr<IWindowSideUI> m_windowSide;
};

}  // namespace SkinUI
