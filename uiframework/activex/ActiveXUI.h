// CActiveXUI: a control that embeds a COM object (an OLE control) in a
// skinned window. It creates the object from a class id, optionally from a
// given module, acts as its container through the client site
// CActiveXCtrl, activates it in place inside a child host window
// (CActiveXWnd) and keeps that window on the control's rectangle.
//
// Objects are activated windowed: windowless activation is not offered
// (no hosted object here draws into the skinned window's surface).
#pragma once

#include "platform/Module.h"
#include "platform/Ole.h"
#include "uiframework/controls/ControlUI.h"

namespace SkinUI {

class CActiveXCtrl;

class CActiveXUI : public CControlUI {
 public:
  CActiveXUI();
  ~CActiveXUI() override;

  LPCWSTR GetClass() const override;
  void* FindInterface(LPCWSTR name) override;
  void SetPos(RECT rc, bool invalidate = true) override;
  void Move(SIZE offset, bool invalidate = true) override;
  void SetVisible(bool visible = true) override;
  void SetShownByParent(bool shown) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;

  // The window the object lives in (null until it is active).
  HWND GetNativeHandle() const { return m_hostWindow; }

  // "{...}" or a ProgID; false for an unknown ProgID or the null class.
  bool SetClsid(LPCWSTR text);
  CLSID GetClsid() const { return m_clsid; }
  void SetModuleName(LPCWSTR path) { m_moduleName = path; }
  CUIString GetModuleName() const { return m_moduleName; }
  bool IsDelayCreate() const { return m_delayCreate; }
  void SetDelayCreate(bool delay);
  bool IsCreated() const { return m_created; }

  // E_POINTER for a null out pointer, E_PENDING without an object.
  HRESULT QueryObject(REFIID iid, void** out);

  virtual void DestroyHostedObject();
  virtual bool CreateHostedObject();

 protected:
  friend class CActiveXCtrl;
  friend class CActiveXWnd;
  // The object from the module's class factory, or null.
  IUnknown* CreateFromModule();
  void ShowHostWindow();

  CLSID m_clsid = GUID_NULL;
  CUIString m_moduleName;
  bool m_created = false;
  bool m_delayCreate = true;
  IOleObject* m_object = nullptr;
  CActiveXCtrl* m_site = nullptr;
  HWND m_hostWindow = nullptr;
  HMODULE m_module = nullptr;
  bool m_comInitialised = false;
};

}  // namespace SkinUI
