// CContainerUI: a control that owns an ordered list of children, places
// them in its client area (the item rectangle less the inset and visible
// scroll bars), hit-tests and paints them, scrolls them with optional
// scroll bars, and passes manager attachment, visibility and movement on.
// A plain container stacks its children on top of each other; the
// vertical and horizontal layouts share the space out along one axis.
#pragma once

#include "uiframework/controls/ControlUI.h"
#include "uiframework/core/PointerArray.h"

#include <vector>

namespace SkinUI {

class CScrollBarUI;

class IContainerUI {
 public:
  virtual ~IContainerUI() = default;
  virtual CControlUI* GetItemAt(int index) const = 0;
  virtual int GetItemIndex(CControlUI* control) const = 0;
  virtual bool SetItemIndex(CControlUI* control, int newIndex) = 0;
  virtual bool MoveItems(int first, int count, int newIndex) = 0;
  virtual int GetCount() const = 0;
  virtual bool Add(CControlUI* control) = 0;
  virtual bool AddAt(CControlUI* control, int index) = 0;
  virtual bool Remove(CControlUI* control, bool doNotDestroy = false) = 0;
  virtual bool RemoveAt(int index, bool doNotDestroy = false) = 0;
  virtual void RemoveAll() = 0;
};

// Child alignment across a vertical stack / a horizontal stack.
constexpr UINT kAlignLeft = 0;
constexpr UINT kAlignCenter = 1;
constexpr UINT kAlignRight = 2;
constexpr UINT kAlignTop = 0;
constexpr UINT kAlignVCenter = 4;
constexpr UINT kAlignBottom = 8;

class CContainerUI : public CControlUI, public IContainerUI {
 public:
  // The scroll bars and the container lay each other out; past this many
  // nested re-layouts the container stops asking.
  static constexpr int kMaxRelayoutDepth = 8;

  CContainerUI();
  ~CContainerUI() override;

  LPCWSTR GetClass() const override;
  void* FindInterface(LPCWSTR name) override;

  CControlUI* GetItemAt(int index) const override;
  int GetItemIndex(CControlUI* control) const override;
  bool SetItemIndex(CControlUI* control, int newIndex) override;
  bool MoveItems(int first, int count, int newIndex) override;
  int GetCount() const override;
  bool Add(CControlUI* control) override;
  bool AddAt(CControlUI* control, int index) override;
  bool Remove(CControlUI* control, bool doNotDestroy = false) override;
  bool RemoveAt(int index, bool doNotDestroy = false) override;
  void RemoveAll() override;

  void AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool init = true) override;
  void SetVisible(bool visible = true) override;
  void SetShownByParent(bool shown) override;
  void SetMouseEnabled(bool enabled = true) override;
  void Move(SIZE offset, bool invalidate = true) override;
  RECT GetClientPos() const override;
  void SetPos(RECT rc, bool invalidate = true) override;
  void HandleEvent(UIEvent& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;
  CControlUI* FindControl(FindControlProc proc, void* data, UINT flags) override;
  bool PaintContent(IPaintSurfaceUI* surface, const RECT& paint, CControlUI* stop) override;
  void PostPaint(IPaintSurfaceUI* surface, const RECT& paint) override;

  virtual RECT GetInset() const;
  virtual void SetInset(RECT inset);
  virtual int GetChildPadding() const;
  virtual void SetChildPadding(int padding);
  virtual UINT GetChildAlign() const;
  virtual void SetChildAlign(UINT align);
  virtual UINT GetChildVAlign() const;
  virtual void SetChildVAlign(UINT align);
  virtual bool IsAutoDestroy() const;
  virtual void SetAutoDestroy(bool autoDestroy);
  virtual bool IsDelayedDestroy() const;
  virtual void SetDelayedDestroy(bool delayed);
  virtual bool IsMouseChildEnabled() const;
  virtual void SetMouseChildEnabled(bool enabled = true);
  virtual int FindSelectable(int index, bool forward = true) const;

  // Positions and ranges: cx horizontal, cy vertical.
  virtual SIZE GetScrollPos() const;
  virtual SIZE GetScrollRange() const;
  virtual void SetScrollPos(SIZE pos, bool notify = true);
  virtual void LineUp();
  virtual void LineDown();
  virtual void PageUp();
  virtual void PageDown();
  virtual void HomeUp();
  virtual void EndDown();
  virtual void LineLeft();
  virtual void LineRight();
  virtual void PageLeft();
  virtual void PageRight();
  virtual void HomeLeft();
  virtual void EndRight();
  virtual void EnableScrollBar(bool vertical = true, bool horizontal = false);
  virtual CScrollBarUI* GetVerticalScrollBar() const;
  virtual CScrollBarUI* GetHorizontalScrollBar() const;

 protected:
  // Paints the children and the scroll bars over the paint rectangle;
  // called by PaintContent under the clip of the item rectangle. False
  // when the stop control was reached.
  bool PaintChildren(IPaintSurfaceUI* surface, const RECT& paint, CControlUI* stop);
  virtual void SetFloatPos(int index);
  virtual void ProcessScrollBar(RECT rc, int requiredWidth, int requiredHeight);
  // Resets a bar's range when the size along its axis changes, then
  // places the container itself.
  void PlaceSelf(const RECT& rc, bool invalidate);
  // The client area without the inset and the visible bars.
  RECT InnerRect() const;
  // Lays the container out again over its own rectangle.
  void Relayout(bool invalidate, bool guarded);
  void DestroyChild(CControlUI* control);

  // Children in document order. Whether the container ends them depends on
  // its destroy settings (see DestroyChild), so they are held plainly.
  std::vector<CControlUI*> m_items;
  RECT m_inset;
  int m_childPadding = 0;
  UINT m_childAlign = kAlignLeft;
  UINT m_childVAlign = kAlignTop;
  bool m_autoDestroy = true;
  bool m_delayedDestroy = false;
  bool m_mouseChildEnabled = true;
  CScrollBarUI* m_verticalBar = nullptr;
  CScrollBarUI* m_horizontalBar = nullptr;
  bool m_relayoutGuard = false;
  bool m_scrollToEnd = false;
  int m_relayoutDepth = 0;

 private:
  // The scroll steps along one axis: a line (the bar's line size, else a
  // default), a page (the client length less the other bar) and a jump.
  int LineStep(bool horizontal) const;
  LONG PageStep(bool horizontal) const;
  void ScrollTo(bool horizontal, LONG position);
  void ScrollBy(bool horizontal, LONG delta);
};

}  // namespace SkinUI
