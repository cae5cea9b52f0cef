// CControlUI: the base of every element of a window's control tree. It
// holds identity, geometry (fixed, minimum and maximum sizes, padding,
// floating placement with percentages), state flags, colours, borders,
// images, text and custom attributes; parses the markup attributes;
// dispatches events through delegate lists; asks the window manager for
// repaints and re-layouts; and paints itself in a fixed order of steps
// that derived controls refine.
#pragma once

#include "platform/Types.h"
#include "uiframework/controls/Delegate.h"
#include "uiframework/controls/UIEvent.h"
#include "uiframework/core/NamePtrMap.h"
#include "uiframework/core/NameTables.h"
#include "uiframework/core/UIGeometry.h"
#include "uiframework/core/UIString.h"
#include "uiframework/render/ImageDrawSpec.h"
#include "uiframework/render/PaintSurface.h"

#include <memory>

namespace SkinUI {

class CWindowManagerUI;

// Tree search flags of FindControl.
constexpr UINT UIFIND_ALL = 0x00000000;
constexpr UINT UIFIND_VISIBLE = 0x00000001;
constexpr UINT UIFIND_ENABLED = 0x00000002;
constexpr UINT UIFIND_HITTEST = 0x00000004;
constexpr UINT UIFIND_UPDATETEST = 0x00000008;
constexpr UINT UIFIND_TOP_FIRST = 0x00000010;
constexpr UINT UIFIND_ME_FIRST = 0x80000000;

// Control flags (GetFlags).
constexpr UINT UIFLAG_TABSTOP = 0x00000001;
constexpr UINT UIFLAG_SETCURSOR = 0x00000002;

// A tree search callback: returns a control to end the search with.
using FindControlProc = CControlUI* (*)(CControlUI* control, void* data);

// Float placement ratios (fractions of the parent's width and height).
struct FloatRatio {
  double left = 0.0;
  double top = 0.0;
  double right = 0.0;
  double bottom = 0.0;
};

class CControlUI {
 public:
  CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  virtual void Delete();
  virtual ~CControlUI();

  virtual CUIString GetName() const;
  virtual void SetName(LPCWSTR name);
  virtual LPCWSTR GetClass() const;
  virtual void* FindInterface(LPCWSTR name);
  virtual UINT GetFlags() const;
  virtual bool Activate();
  virtual CWindowManagerUI* GetManager() const;
  virtual void AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool init = true);
  virtual CControlUI* GetParent() const;
  virtual CControlUI* GetCover() const;
  virtual void SetCover(CControlUI* cover);

  virtual CUIString GetText() const;
  virtual void SetText(LPCWSTR text);

  virtual const RECT& GetPos() const;
  virtual RECT GetRelativePos() const;
  virtual RECT GetClientPos() const;
  virtual void SetPos(RECT rc, bool invalidate = true);
  virtual void Move(SIZE offset, bool invalidate = true);
  virtual int GetWidth() const;
  virtual int GetHeight() const;
  virtual int GetX() const;
  virtual int GetY() const;
  virtual RECT GetPadding() const;
  virtual void SetPadding(RECT padding);
  virtual SIZE GetFixedXY() const;
  virtual void SetFixedXY(SIZE xy);
  virtual FloatRatio GetFloatRatio() const;
  virtual void SetFloatRatio(FloatRatio ratio);
  virtual int GetFixedWidth() const;
  virtual void SetFixedWidth(int cx);
  virtual int GetFixedHeight() const;
  virtual void SetFixedHeight(int cy);
  virtual int GetMinWidth() const;
  virtual void SetMinWidth(int cx);
  virtual int GetMaxWidth() const;
  virtual void SetMaxWidth(int cx);
  virtual int GetMinHeight() const;
  virtual void SetMinHeight(int cy);
  virtual int GetMaxHeight() const;
  virtual void SetMaxHeight(int cy);

  virtual CUIString GetToolTip() const;
  virtual void SetToolTip(LPCWSTR text);
  virtual void SetToolTipWidth(int width);
  virtual int GetToolTipWidth() const;
  virtual wchar_t GetShortcut() const;
  virtual void SetShortcut(wchar_t ch);
  virtual bool IsContextMenuUsed() const;
  virtual void SetContextMenuUsed(bool used);
  virtual const CUIString& GetUserData() const;
  virtual void SetUserData(LPCWSTR text);
  virtual UINT_PTR GetTag() const;
  virtual void SetTag(UINT_PTR tag);

  virtual bool IsVisible() const;
  virtual void SetVisible(bool visible = true);
  virtual void SetShownByParent(bool shown);
  virtual bool IsEnabled() const;
  virtual void SetEnabled(bool enabled = true);
  virtual bool IsMouseEnabled() const;
  virtual void SetMouseEnabled(bool enabled = true);
  virtual bool IsKeyboardEnabled() const;
  virtual void SetKeyboardEnabled(bool enabled = true);
  virtual bool IsFocused() const;
  virtual void SetFocus();
  virtual bool IsFloat() const;
  virtual void SetFloat(bool floating = true);

  virtual CControlUI* FindControl(FindControlProc proc, void* data, UINT flags);

  void Init();
  virtual void InitControl();
  virtual void DispatchEvent(UIEvent& event);
  virtual void HandleEvent(UIEvent& event);

  virtual CUIString GetAttribute(LPCWSTR name);
  virtual void SetAttribute(LPCWSTR name, LPCWSTR value);
  virtual CUIString GetAttributeList(bool ignoreDefault = true);
  // name="value" pairs separated by exactly one space; stops at the first
  // malformed pair, keeping what was applied.
  virtual void ApplyAttributes(LPCWSTR list);

  virtual SIZE DesiredSize(SIZE available);

  // Painting: false ends the painting of the tree (the stop control).
  virtual bool Paint(IPaintSurfaceUI* surface, const RECT& paint, CControlUI* stop);
  virtual bool PaintContent(IPaintSurfaceUI* surface, const RECT& paint, CControlUI* stop);
  virtual void PaintBackColor(IPaintSurfaceUI* surface);
  virtual void PaintBackImage(IPaintSurfaceUI* surface);
  virtual void PaintStateImages(IPaintSurfaceUI* surface);
  virtual void PaintText(IPaintSurfaceUI* surface);
  virtual void PaintBorder(IPaintSurfaceUI* surface);
  virtual void PostPaint(IPaintSurfaceUI* surface, const RECT& paint);

  void Invalidate();
  void RequestLayout();
  void RequestParentLayout();
  bool IsLayoutNeeded() const { return m_updateNeeded; }

  DWORD GetBkColor() const { return m_bkColor; }
  void SetBkColor(DWORD color);
  DWORD GetBkColor2() const { return m_bkColor2; }
  void SetBkColor2(DWORD color);
  DWORD GetBkColor3() const { return m_bkColor3; }
  void SetBkColor3(DWORD color);
  DWORD GetBorderColor() const { return m_borderColor; }
  void SetBorderColor(DWORD color);
  DWORD GetFocusBorderColor() const { return m_focusBorderColor; }
  void SetFocusBorderColor(DWORD color);
  bool IsColorHSL() const { return m_colorHsl; }
  void SetColorHSL(bool hsl);
  RECT GetBorderSize() const { return m_borderSize; }
  void SetBorderSize(RECT sizes);
  void SetBorderSize(int size);
  int GetBorderStyle() const { return m_borderStyle; }
  void SetBorderStyle(int style);
  SIZE GetBorderRound() const { return m_borderRound; }
  void SetBorderRound(SIZE round);
  LPCWSTR GetBkImage() const { return m_bkImage.description; }
  void SetBkImage(LPCWSTR description);
  LPCWSTR GetForeImage() const { return m_foreImage.description; }
  void SetForeImage(LPCWSTR description);
  DWORD AdjustColor(DWORD color) const;

  CUIString GetVirtualWindow() const;
  void SetVirtualWindow(LPCWSTR name);
  // The first value stored for a name wins.
  void AddCustomAttribute(LPCWSTR name, LPCWSTR value);
  LPCWSTR GetCustomAttribute(LPCWSTR name) const;
  bool RemoveCustomAttribute(LPCWSTR name);
  void RemoveAllCustomAttribute();

  CEventSourceUI OnInit;
  CEventSourceUI OnDestroy;
  CEventSourceUI OnSize;
  CEventSourceUI OnEvent;
  CEventSourceUI OnNotify;
  CEventSourceUI OnPaint;
  CEventSourceUI OnPostPaint;

 protected:
  // Joins the old and new rectangles, clips them by every ancestor and
  // invalidates the result; false when an ancestor is hidden or nothing
  // remains.
  bool InvalidateMoved(const RECT& oldRect, const RECT& newRect);
  // Places a visible cover over this control's own rectangle.
  void PlaceCover();

  CWindowManagerUI* m_pManager = nullptr;
  CControlUI* m_pParent = nullptr;
  CControlUI* m_pCover = nullptr;
  CUIString m_name;
  CUIString m_text;
  CUIString m_toolTip;
  CUIString m_virtualWindow;
  CUIString m_userData;
  wchar_t m_shortcut = 0;
  UINT_PTR m_tag = 0;
  int m_toolTipWidth = 300;

  RECT m_rcItem;
  RECT m_rcPaint;
  RECT m_rcPadding;
  SIZE m_fixedXY;
  SIZE m_fixedSize;
  SIZE m_minSize;
  SIZE m_maxSize{9999, 9999};
  FloatRatio m_floatRatio;

  bool m_updateNeeded = true;
  bool m_menuUsed = false;
  bool m_visible = true;
  bool m_shownByParent = true;
  bool m_enabled = true;
  bool m_mouseEnabled = true;
  bool m_keyboardEnabled = true;
  bool m_focused = false;
  bool m_float = false;
  bool m_inSizeHook = false;

  DWORD m_bkColor = 0;
  DWORD m_bkColor2 = 0;
  DWORD m_bkColor3 = 0;
  DWORD m_borderColor = 0;
  DWORD m_focusBorderColor = 0;
  bool m_colorHsl = false;
  RECT m_borderSize;
  int m_borderStyle = 0;
  SIZE m_borderRound;
  ImageDrawSpec m_bkImage;
  ImageDrawSpec m_foreImage;
  CNameStringTable m_customAttributes;
};

// Owns a control the way its owner must end it: through Delete().
struct ControlDeleter {
  void operator()(CControlUI* control) const {
    if (control != nullptr) control->Delete();
  }
};
using ControlPtr = std::unique_ptr<CControlUI, ControlDeleter>;

}  // namespace SkinUI
