// CControlTreeUI: the tree side of a window's paint manager, what the
// control tree talks to: the root and the name map, focus and tab order,
// invalidation and re-layout requests, notifications (direct and queued),
// the deletion queue, the post-paint and mouse-leave lists, and the window
// attributes of the markup. It works without a window: what needs one goes
// through the IWindowSideUI that the window layer installs when the
// manager is bound (see CWindowManagerUI, the only class built on it).
#pragma once

#include "uiframework/controls/ControlUI.h"
#include "uiframework/core/NameTables.h"
#include "uiframework/core/PointerArray.h"
#include "uiframework/manager/UINotify.h"
#include "uiframework/manager/WindowAttributes.h"
#include "uiframework/manager/WindowSide.h"
#include "uiframework/resources/WindowResources.h"

#include <deque>
#include <memory>
#include <vector>

namespace SkinUI {

class CControlTreeUI : public CWindowResourcesUI {
 public:
  ~CControlTreeUI() override;

  // Resets focus and hover; a previous root is scheduled for deletion. The
  // live root given again changes nothing.
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
  // A layout request that cannot be met (an empty client area) is dropped.
  void DropLayoutRequest() { m_updateNeeded = false; }
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
  const CPointerArray& GetMouseLeaveListeners() const { return m_mouseLeaveListeners; }
  // Detaches the control from its parent's events and deletes it when the
  // queued work runs next, never during its own event handling.
  void ScheduleDelete(CControlUI* control);
  bool HasQueuedWork() const { return m_asyncPosted; }
  // Delivers queued notifications and deletes scheduled controls.
  void RunQueuedWork();
  // The clock of event and notification time stamps, in milliseconds.
  static DWORD TickCount();

 protected:
  // Only a CWindowManagerUI is a tree: the controls know their manager by
  // that type.
  CControlTreeUI();
  // Deletes the tree, the scheduled controls and the queued notifications;
  // the manager runs it first in its own destructor, while the controls
  // can still reach it.
  void ReleaseTree();
  // Empties the per-window tables for a new binding: names, resources,
  // custom window attributes and option groups.
  void ResetForWindow();
  // The window the tree reports to, installed (and replaced) by binding.
  IWindowSideUI* WindowSide() const { return m_windowSide.get(); }
  void SetWindowSide(std::unique_ptr<IWindowSideUI> side);
  // The attribute setters of the window layer record their values here.
  WindowAttributes& EditWindowAttributes() { return m_windowAttributes; }

 private:
  CWindowManagerUI* Manager();
  void NotifyAll(UINotifyMsg& msg);

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
  std::vector<ControlPtr> m_scheduledDeletes;
  std::deque<UINotifyMsg> m_asyncNotifications;
  WindowAttributes m_windowAttributes;
  CNameStringTable m_windowCustomAttributes;
  // Released at the end of the destructor, after the tree it serves.
  std::unique_ptr<IWindowSideUI> m_windowSide;
};

}  // namespace SkinUI
