// COptionUI: a button with a selected state. Options that share a group
// name (kept in the window's option groups) are mutually exclusive like
// radio buttons; an option without a group toggles like a check box.
// Changes are notified with "selectchanged".
#pragma once

#include "uiframework/controls/ButtonUI.h"

namespace SkinUI {

class COptionUI : public CButtonUI {
 public:
  COptionUI() = default;
  ~COptionUI() override;

  LPCWSTR GetClass() const override;
  void* FindInterface(LPCWSTR name) override;
  void AttachManager(CWindowManagerUI* manager, CControlUI* parent, bool init = true) override;
  bool Activate() override;
  void SetEnabled(bool enabled = true) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;

  LPCWSTR GetGroup() const { return m_group; }
  // Leaves the old group and joins the new one (an empty name only
  // leaves); the other members' selection is not touched.
  void SetGroup(LPCWSTR name);
  bool IsSelected() const { return m_selected; }
  // Selecting a grouped option deselects the other members (with the
  // same notify) and then notifies "selectchanged"; deselecting a grouped
  // option notifies nothing. Ungrouped options notify every change.
  void Selected(bool selected, bool notify = true);

  void SetSelectedImage(LPCWSTR description);
  void SetSelectedHotImage(LPCWSTR description);
  // The option's own foreground image, drawn last in every state.
  void SetOptionForeImage(LPCWSTR description);
  void SetSelectedBkColor(DWORD color);
  void SetSelectedTextColor(DWORD color);

  void PaintStateImages(IPaintSurfaceUI* surface) override;
  void PaintText(IPaintSurfaceUI* surface) override;

 private:
  void LeaveGroup();

  bool m_selected = false;
  CUIString m_group;
  DWORD m_selectedBkColor = 0;
  DWORD m_selectedTextColor = 0;
  ImageDrawSpec m_selectedImage;
  ImageDrawSpec m_selectedHotImage;
  ImageDrawSpec m_optionForeImage;
};

}  // namespace SkinUI
