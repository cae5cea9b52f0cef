// CScrollBarUI: the scroll bar a container shows when its content does not
// fit. This is the part containers rely on: range, position (rounded up to
// the line size), line size, thickness, owner and orientation, and the
// "scroll" notification. Its thumb and buttons (images, dragging) are not
// built: the bar paints as a plain control.
#pragma once

#include "uiframework/controls/ControlUI.h"

namespace SkinUI {

class CContainerUI;

class CScrollBarUI : public CControlUI {
 public:
  static constexpr int kDefaultThickness = 16;
  static constexpr int kMaxRange = 1 << 28;

  CScrollBarUI();

  LPCWSTR GetClass() const override;
  void* FindInterface(LPCWSTR name) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;

  CContainerUI* GetOwner() const { return m_owner; }
  void SetOwner(CContainerUI* owner) { m_owner = owner; }
  bool IsHorizontal() const { return m_horizontal; }
  void SetHorizontal(bool horizontal);
  int GetScrollRange() const { return m_range; }
  // Negative ranges become 0; the position is clamped to the range.
  void SetScrollRange(int range);
  int GetScrollPos() const { return m_position; }
  // Clamps to 0..range; with a line size above 1 the position is rounded
  // up to a multiple of it. With notify, a changed position sends "scroll"
  // (queued, without repeats; wParam new, lParam old position).
  void SetScrollPos(int position, bool notify = true);
  int GetLineSize() const { return m_lineSize; }
  void SetLineSize(int size) { m_lineSize = ClampCoordinate(size); }
  // Shows or hides the bar without asking the owner for a layout (the
  // owner does this while laying itself out). Showing starts at 0; hiding
  // keeps position and range unless reset is set.
  void ShowBar(bool show, bool reset);

 private:
  CContainerUI* m_owner = nullptr;
  bool m_horizontal = false;
  int m_range = 0;
  int m_position = 0;
  int m_lineSize = 0;  // 0: the owner's default step
};

}  // namespace SkinUI
