// CActiveXCtrl: the client site of an object hosted by CActiveXUI. It
// answers the object's questions about its container (IOleClientSite) and
// its in-place activation (IOleInPlaceSiteEx): on activation it creates
// the host window the object shows itself in, on deactivation it destroys
// it. Reference counted; the owner control clears itself from the site
// before it goes.
#pragma once

#include "platform/Ole.h"

namespace SkinUI {

class CActiveXUI;
class CActiveXWnd;

class CActiveXCtrl : public IOleClientSite, public IOleInPlaceSiteEx {
 public:
  explicit CActiveXCtrl(CActiveXUI* owner);

  HRESULT QueryInterface(REFIID iid, void** out) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // IOleClientSite
  HRESULT SaveObject() override;
  HRESULT ShowObject() override;
  HRESULT OnShowWindow(BOOL show) override;
  HRESULT RequestNewObjectLayout() override;
  // IOleWindow
  HRESULT GetWindow(HWND* window) override;
  HRESULT ContextSensitiveHelp(BOOL enter) override;
  // IOleInPlaceSite
  HRESULT CanInPlaceActivate() override;
  HRESULT OnInPlaceActivate() override;
  HRESULT OnUIActivate() override;
  HRESULT OnUIDeactivate(BOOL undoable) override;
  HRESULT OnInPlaceDeactivate() override;
  HRESULT OnPosRectChange(const RECT* position) override;
  // IOleInPlaceSiteEx
  HRESULT OnInPlaceActivateEx(BOOL* noRedraw, DWORD flags) override;
  HRESULT OnInPlaceDeactivateEx(BOOL noRedraw) override;
  HRESULT RequestUIActivate() override;

  CActiveXUI* Owner() const { return m_owner; }
  void ClearOwner() { m_owner = nullptr; }
  IOleInPlaceObject* InPlaceObject() const { return m_inPlaceObject; }
  // Keeps the object's view interface (for drawing snapshots).
  void SetViewObject(IViewObject* view);
  IViewObject* ViewObject() const { return m_viewObject; }
  bool IsInPlaceActive() const { return m_inPlaceActive; }
  bool IsUIActive() const { return m_uiActive; }
  bool IsFocused() const { return m_focused; }
  void SetFocused(bool focused) { m_focused = focused; }
  // Asks the object to run a verb in the host window.
  HRESULT DoVerb(LONG verb);

 private:
  ~CActiveXCtrl();
  bool CreateHostWindow();
  void DestroyHostWindow();

  ULONG m_refs = 1;
  CActiveXUI* m_owner;
  CActiveXWnd* m_window = nullptr;
  IViewObject* m_viewObject = nullptr;          // held
  IOleInPlaceObject* m_inPlaceObject = nullptr;  // held
  bool m_focused = false;
  bool m_uiActive = false;
  bool m_inPlaceActive = false;
};

}  // namespace SkinUI
