#include "uiframework/manager/ControlTreeUI.h"

#include "uiframework/manager/WindowManagerUI.h"

#include "uiframework/controls/AttributeValues.h"

#include <algorithm>
#include <chrono>
#include <iterator>

namespace SkinUI {

namespace {

CControlUI* CollectNamed(CControlUI* control, void* data) {
  auto* map = static_cast<CNamePtrMap*>(data);
  const CUIString name = control->GetName();
  if (!name.IsEmpty()) map->Set(name, control);
  return nullptr;
}

CControlUI* HitTest(CControlUI* control, void*) { return control; }

struct LayoutScan {
  std::vector<CControlUI*> found;
};

// Update test: a control that needs a layout is collected and its subtree
// is not searched further.
CControlUI* CollectNeedingLayout(CControlUI* control, void* data) {
  if (!control->IsLayoutNeeded()) return nullptr;
  static_cast<LayoutScan*>(data)->found.push_back(control);
  return control;
}

}  // namespace

CControlTreeUI::CControlTreeUI() = default;

CControlTreeUI::~CControlTreeUI() {
  ReleaseTree();
  m_windowSide.reset();
}

void CControlTreeUI::ReleaseTree() {
  m_asyncNotifications.clear();
  // Moved out first: a control being deleted may still reach the manager.
  std::vector<ControlPtr> doomed = std::move(m_scheduledDeletes);
  m_scheduledDeletes.clear();
  doomed.clear();
  if (m_root != nullptr) m_root->Delete();
  m_root = nullptr;
}

CWindowManagerUI* CControlTreeUI::Manager() { return static_cast<CWindowManagerUI*>(this); }

void CControlTreeUI::ResetForWindow() {
  m_nameMap.RemoveAll();
  ResetWindowResources();
  m_windowCustomAttributes.clear();
}

void CControlTreeUI::SetWindowSide(std::unique_ptr<IWindowSideUI> side) {
  m_windowSide = std::move(side);
  if (m_asyncPosted && m_windowSide != nullptr) m_windowSide->PostQueuedWork();
}

DWORD CControlTreeUI::TickCount() {
  return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::steady_clock::now().time_since_epoch())
                                .count());
}

bool CControlTreeUI::AttachRoot(CControlUI* root) {
  if (root == nullptr) return false;
  // The live root again: nothing to replace, and it must not be deleted.
  if (root == m_root) return true;
  m_focus = nullptr;
  if (m_root != nullptr) {
    m_asyncNotifications.clear();
    m_nameMap.RemoveAll();
    m_postPaint.Empty();
    ScheduleDelete(m_root);
  }
  m_root = root;
  m_updateNeeded = true;
  m_focusNeeded = true;
  if (m_windowSide != nullptr) m_windowSide->RootAttached();
  BindTree(root);
  return true;
}

void CControlTreeUI::BindTree(CControlUI* control, CControlUI* parent) {
  if (control == nullptr) return;
  control->AttachManager(Manager(), parent, true);
  control->FindControl(CollectNamed, &m_nameMap, UIFIND_ALL);
}

void CControlTreeUI::ForgetControl(CControlUI* control) {
  if (control == nullptr) return;
  if (m_windowSide != nullptr) m_windowSide->ForgetControl(control);
  if (m_focus == control) m_focus = nullptr;
  if (m_root == control) m_root = nullptr;
  const CUIString name = control->GetName();
  if (!name.IsEmpty() && m_nameMap.Find(name, false) == control) m_nameMap.Remove(name);
  for (UINotifyMsg& msg : m_asyncNotifications)
    if (msg.sender == control) msg.sender = nullptr;
  int index = m_postPaint.Find(control);
  if (index >= 0) m_postPaint.Remove(index);
  index = m_mouseLeaveListeners.Find(control);
  if (index >= 0) m_mouseLeaveListeners.Remove(index);
}

bool CControlTreeUI::RenameControl(CControlUI* control, LPCWSTR newName) {
  if (control == nullptr || control->GetManager() != this || newName == nullptr || *newName == 0) return false;
  const CUIString oldName = control->GetName();
  if (oldName == newName) return true;
  if (m_nameMap.Find(newName, false) != nullptr) return false;
  if (!oldName.IsEmpty() && m_nameMap.Find(oldName, false) == control) m_nameMap.Remove(oldName);
  m_nameMap.Insert(newName, control);
  // The old name no longer maps to the control, so this only sets it.
  control->SetName(newName);
  return true;
}

CControlUI* CControlTreeUI::FindControl(LPCWSTR name) const {
  return static_cast<CControlUI*>(m_nameMap.Find(name));
}

CControlUI* CControlTreeUI::FindControl(POINT pt) const {
  if (m_root == nullptr) return nullptr;
  return m_root->FindControl(HitTest, &pt, UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

void CControlTreeUI::SetFocus(CControlUI* control, bool focusWindow) {
  if (focusWindow && control != m_focus && m_windowSide != nullptr) m_windowSide->FocusWindow();
  if (control == m_focus) return;
  if (m_focus != nullptr) {
    UIEvent event;
    event.type = UIEVENT_KILLFOCUS;
    event.sender = control;
    event.timestamp = TickCount();
    CControlUI* old = m_focus;
    old->DispatchEvent(event);
    SendNotify(old, L"killfocus");
    m_focus = nullptr;
  }
  if (control != nullptr && control->GetManager() == this && control->IsVisible() && control->IsEnabled()) {
    m_focus = control;
    UIEvent event;
    event.type = UIEVENT_SETFOCUS;
    event.sender = control;
    event.timestamp = TickCount();
    control->DispatchEvent(event);
    SendNotify(control, L"setfocus");
  }
}

void CControlTreeUI::Invalidate(const RECT& rc) {
  RECT clamped = rc;
  if (clamped.left < 0) clamped.left = 0;
  if (clamped.top < 0) clamped.top = 0;
  if (clamped.right < clamped.left) clamped.right = clamped.left;
  if (clamped.bottom < clamped.top) clamped.bottom = clamped.top;
  RectUnion(m_invalid, m_invalid, clamped);
  if (m_windowSide != nullptr) m_windowSide->InvalidateWindow(clamped);
}

namespace {

struct TabScan {
  std::vector<CControlUI*> order;
};

CControlUI* CollectInOrder(CControlUI* control, void* data) {
  static_cast<TabScan*>(data)->order.push_back(control);
  return nullptr;
}

bool IsTabStop(const CControlUI* control) { return (control->GetFlags() & UIFLAG_TABSTOP) != 0; }

}  // namespace

void CControlTreeUI::FocusNextTabStop(bool forward) {
  if (m_updateNeeded && forward) {
    m_focusNeeded = true;
    if (m_root != nullptr) m_root->Invalidate();
    return;
  }
  m_focusNeeded = false;
  if (m_root == nullptr) return;
  TabScan scan;
  m_root->FindControl(CollectInOrder, &scan, UIFIND_VISIBLE | UIFIND_ENABLED | UIFIND_ME_FIRST);
  std::vector<CControlUI*>& order = scan.order;
  auto focusAt = std::find(order.begin(), order.end(), m_focus);
  CControlUI* found = nullptr;
  if (m_focus == nullptr || focusAt == order.end()) {
    auto first = std::find_if(order.begin(), order.end(), IsTabStop);
    if (first != order.end()) found = *first;
  } else if (forward) {
    auto next = std::find_if(focusAt + 1, order.end(), IsTabStop);
    if (next == order.end()) next = std::find_if(order.begin(), order.end(), IsTabStop);
    if (next != order.end()) found = *next;
  } else {
    auto before = std::find_if(std::make_reverse_iterator(focusAt), order.rend(), IsTabStop);
    if (before == order.rend()) before = std::find_if(order.rbegin(), order.rend(), IsTabStop);
    if (before != order.rend()) found = *before;
  }
  if (found != nullptr) SetFocus(found, true);
}

void CControlTreeUI::SetFocusDeferred(CControlUI* control) {
  if (m_windowSide != nullptr) m_windowSide->FocusWindow();
  if (control == nullptr) {
    m_focusNeeded = false;
    return;
  }
  SetFocus(nullptr, false);
  CControlUI* preceding = nullptr;
  if (m_root != nullptr) {
    TabScan scan;
    m_root->FindControl(CollectInOrder, &scan, UIFIND_VISIBLE | UIFIND_ENABLED | UIFIND_ME_FIRST);
    for (CControlUI* each : scan.order) {
      if (each == control) break;
      if (IsTabStop(each)) preceding = each;
    }
  }
  m_focus = preceding;
  m_focusNeeded = true;
  if (m_root != nullptr) m_root->RequestLayout();
}

void CControlTreeUI::UpdateLayout(const RECT& client) {
  if (!m_updateNeeded || m_root == nullptr) return;
  m_updateNeeded = false;
  if (m_root->IsLayoutNeeded()) {
    m_root->SetPos(client, true);
    return;
  }
  LayoutScan scan;
  m_root->FindControl(CollectNeedingLayout, &scan, UIFIND_VISIBLE | UIFIND_ME_FIRST | UIFIND_UPDATETEST);
  for (CControlUI* control : scan.found) {
    if (control->IsFloat()) control->SetPos(control->GetRelativePos(), true);
    else control->SetPos(control->GetPos(), true);
  }
}

void CControlTreeUI::AddNotifier(INotifyUI* notifier) {
  if (notifier != nullptr && m_notifiers.Find(notifier) < 0) m_notifiers.Add(notifier);
}

void CControlTreeUI::RemoveNotifier(INotifyUI* notifier) {
  const int index = m_notifiers.Find(notifier);
  if (index >= 0) m_notifiers.Remove(index);
}

void CControlTreeUI::NotifyAll(UINotifyMsg& msg) {
  // Over a copy: a notifier may add or remove notifiers (itself included);
  // one removed meanwhile is skipped.
  const CPointerArray notifiers = m_notifiers;
  for (int i = 0; i < notifiers.GetSize(); ++i)
    if (m_notifiers.Find(notifiers[i]) >= 0) static_cast<INotifyUI*>(notifiers[i])->Notify(msg);
}

void CControlTreeUI::SendNotify(UINotifyMsg& msg, bool async, bool enableRepeat) {
  msg.mouse = m_lastMouse;
  msg.timestamp = TickCount();
  if (m_usesVirtualWindows && msg.sender != nullptr) msg.virtualWindow = msg.sender->GetVirtualWindow();
  if (!async) {
    if (msg.sender != nullptr) msg.sender->OnNotify(&msg);
    NotifyAll(msg);
    return;
  }
  if (!enableRepeat) {
    for (UINotifyMsg& queued : m_asyncNotifications) {
      if (queued.sender == msg.sender && queued.type == msg.type) {
        queued.virtualWindow = msg.virtualWindow;
        queued.wParam = msg.wParam;
        queued.lParam = msg.lParam;
        queued.mouse = msg.mouse;
        queued.timestamp = msg.timestamp;
        return;
      }
    }
  }
  m_asyncNotifications.push_back(msg);
  if (!m_asyncPosted) {
    m_asyncPosted = true;
    if (m_windowSide != nullptr) m_windowSide->PostQueuedWork();
  }
}

void CControlTreeUI::SendNotify(CControlUI* control, LPCWSTR type, WPARAM wParam, LPARAM lParam, bool async,
                                  bool enableRepeat) {
  UINotifyMsg msg;
  msg.type = type;
  msg.sender = control;
  msg.wParam = wParam;
  msg.lParam = lParam;
  SendNotify(msg, async, enableRepeat);
}

void CControlTreeUI::SetWindowAttribute(LPCWSTR name, LPCWSTR value) {
  if (name == nullptr) return;
  const CUIString n(name);
  if (n.CompareNoCase(L"disabledfontcolor") == 0) SetDefaultDisabledColor(ParseColor(value));
  else if (n.CompareNoCase(L"defaultfontcolor") == 0) SetDefaultFontColor(ParseColor(value));
  else if (n.CompareNoCase(L"linkfontcolor") == 0) SetDefaultLinkFontColor(ParseColor(value));
  else if (n.CompareNoCase(L"linkhoverfontcolor") == 0) SetDefaultLinkHoverFontColor(ParseColor(value));
  else if (n.CompareNoCase(L"selectedcolor") == 0) SetDefaultSelectedBkColor(ParseColor(value));
  else if (!ApplyWindowAttribute(m_windowAttributes, name, value)) {
    m_windowCustomAttributes.emplace(name, CUIString(value));
  } else if (m_windowSide != nullptr) {
    m_windowSide->WindowAttributeSet(n);
  }
}

bool CControlTreeUI::SetTimer(CControlUI* control, UINT timerId, UINT elapse) {
  return m_windowSide != nullptr && control != nullptr && m_windowSide->SetControlTimer(control, timerId, elapse);
}

bool CControlTreeUI::KillTimer(CControlUI* control, UINT timerId) {
  return m_windowSide != nullptr && m_windowSide->KillControlTimer(control, timerId);
}

void CControlTreeUI::KillTimer(CControlUI* control) {
  if (m_windowSide != nullptr) m_windowSide->KillControlTimers(control);
}

void CControlTreeUI::SetCursor(UICursor cursor) {
  if (m_windowSide != nullptr) m_windowSide->ShowCursor(cursor);
}

LPCWSTR CControlTreeUI::GetWindowCustomAttribute(LPCWSTR name) const {
  return FindText(m_windowCustomAttributes, name);
}

void CControlTreeUI::AddPostPaint(CControlUI* control) {
  if (control != nullptr && m_postPaint.Find(control) < 0) m_postPaint.Add(control);
}

void CControlTreeUI::RemovePostPaint(CControlUI* control) {
  const int index = m_postPaint.Find(control);
  if (index >= 0) m_postPaint.Remove(index);
}

void CControlTreeUI::AddMouseLeaveListener(CControlUI* control) {
  if (control != nullptr && m_mouseLeaveListeners.Find(control) < 0) m_mouseLeaveListeners.Add(control);
}

void CControlTreeUI::RemoveMouseLeaveListener(CControlUI* control) {
  const int index = m_mouseLeaveListeners.Find(control);
  if (index >= 0) m_mouseLeaveListeners.Remove(index);
}

void CControlTreeUI::ScheduleDelete(CControlUI* control) {
  if (control == nullptr) return;
  for (const ControlPtr& scheduled : m_scheduledDeletes)
    if (scheduled.get() == control) return;
  control->AttachManager(Manager(), nullptr, false);
  m_scheduledDeletes.emplace_back(control);
  if (!m_asyncPosted) {
    m_asyncPosted = true;
    if (m_windowSide != nullptr) m_windowSide->PostQueuedWork();
  }
}

void CControlTreeUI::RunQueuedWork() {
  m_asyncPosted = false;
  while (!m_asyncNotifications.empty()) {
    UINotifyMsg msg = m_asyncNotifications.front();
    m_asyncNotifications.pop_front();
    if (msg.sender != nullptr) msg.sender->OnNotify(&msg);
    NotifyAll(msg);
  }
  while (!m_scheduledDeletes.empty()) {
    // Out of the queue before it goes: its deletion may schedule more.
    ControlPtr control = std::move(m_scheduledDeletes.front());
    m_scheduledDeletes.erase(m_scheduledDeletes.begin());
  }
}

}  // namespace SkinUI
