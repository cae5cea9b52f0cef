// A skinned test window (a CWindowWnd with its paint manager) and a
// control that records the events it receives, for the window-side tests
// on the headless window system.
#pragma once

#include "platform/window/Headless.h"
#include "uiframework/layout/HorizontalLayoutUI.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/window/WindowWnd.h"

#include <cwchar>
#include <functional>
#include <string>
#include <vector>

namespace skintest {

using namespace SkinUI;

// Every recorded event as "<control>:<type>", in order.
using EventLog = std::vector<std::string>;

class RecordingControl : public CControlUI {
 public:
  RecordingControl(const wchar_t* name, EventLog* log, UINT flags = 0) : m_log(log), m_flags(flags) {
    SetName(name);
    m_label.assign(name, name + std::wcslen(name));
  }
  ~RecordingControl() override {
    if (m_deleted != nullptr) *m_deleted = true;
  }
  UINT GetFlags() const override { return m_flags; }
  void DispatchEvent(UIEvent& event) override {
    last = event;
    if (m_log != nullptr) m_log->push_back(m_label + ":" + std::to_string(event.type));
    if (onEvent) onEvent(event);
    CControlUI::DispatchEvent(event);
  }
  bool Paint(IPaintSurfaceUI* surface, const RECT& paint, CControlUI* stop) override {
    ++paints;
    lastPaint = paint;
    return CControlUI::Paint(surface, paint, stop);
  }
  void WatchDeletion(bool* deleted) { m_deleted = deleted; }
  int paints = 0;
  RECT lastPaint{};

  std::function<void(UIEvent&)> onEvent;
  UIEvent last;

 private:
  EventLog* m_log;
  UINT m_flags;
  std::string m_label;
  bool* m_deleted = nullptr;
};

class SkinTestWindow : public CWindowWnd, public INotifyUI {
 public:
  CWindowManagerUI pm;
  std::vector<std::string> notes;  // "<type>:<sender name>"
  std::function<void(UINotifyMsg&)> onNotify;
  bool destroyed = false;

  HWND Open(int x, int y, int cx, int cy, HWND owner = nullptr, DWORD exStyle = 0) {
    return Create(owner, L"skin test", WS_POPUP | WS_VISIBLE, exStyle, x, y, cx, cy);
  }
  // A horizontal row of children of the given widths (the last fills).
  CHorizontalLayoutUI* AttachRow(const std::vector<CControlUI*>& children, const std::vector<int>& widths) {
    auto* row = new CHorizontalLayoutUI;
    row->SetName(L"root");
    for (size_t i = 0; i < children.size(); ++i) {
      if (i < widths.size()) children[i]->SetFixedWidth(widths[i]);
      row->Add(children[i]);
    }
    pm.AttachRoot(row);
    return row;
  }
  void Notify(UINotifyMsg& msg) override {
    const CUIString name = msg.sender != nullptr ? msg.sender->GetName() : CUIString(L"-");
    std::wstring text = std::wstring(msg.type.GetData()) + L":" + name.GetData();
    notes.emplace_back(text.begin(), text.end());
    if (onNotify) onNotify(msg);
  }

 protected:
  LPCWSTR WindowClassName() const override { return L"SkinTestWindow"; }
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_CREATE) {
      pm.Init(m_hWnd, L"test");
      pm.AddNotifier(this);
    }
    LRESULT result = 0;
    if (pm.HandleWindowMessage(message, wParam, lParam, result)) return result;
    return CWindowWnd::OnMessage(message, wParam, lParam);
  }
  void OnDestroyed(HWND) override { destroyed = true; }
};

// Records the window timers that fire: the control timers' window ids, and
// the ticks of a layered window's refresh timer apart.
class TimerIdRecorder : public IMessageFilterUI {
 public:
  static constexpr WPARAM kLayeredRefresh = 0x2000;
  std::vector<WPARAM> ids;
  int refreshes = 0;
  LRESULT FilterMessage(UINT message, WPARAM wParam, LPARAM, bool&) override {
    if (message != WM_TIMER) return 0;
    if (wParam == kLayeredRefresh) ++refreshes;
    else ids.push_back(wParam);
    return 0;
  }
};

// Runs the queue until nothing is left (paints and posted work included).
inline void Pump() {
  for (int i = 0; i < 50 && Headless::PumpMessages() > 0; ++i) {
  }
}

}  // namespace skintest
