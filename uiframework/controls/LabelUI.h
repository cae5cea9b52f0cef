// CLabelUI: a control that shows text — plain, lightly formatted
// ("showhtml"), or with drawn text effects — and sizes itself to it.
// Colours left at 0 take the window's default text and disabled colours
// on the first paint.
#pragma once

#include "uiframework/controls/ControlUI.h"
#include "uiframework/render/TextEffects.h"

namespace SkinUI {

class CLabelUI : public CControlUI {
 public:
  CLabelUI();

  LPCWSTR GetClass() const override;
  void* FindInterface(LPCWSTR name) override;

  void SetText(LPCWSTR text) override;
  void SetFixedWidth(int cx) override;
  void SetFixedHeight(int cy) override;

  UINT GetTextStyle() const { return m_textStyle; }
  void SetTextStyle(UINT style);
  bool IsMultiLine() const;
  // Multi-line text wraps at word boundaries; single-line text does not.
  void SetMultiLine(bool multiLine);
  DWORD GetTextColor() const { return m_textColor; }
  void SetTextColor(DWORD color);
  DWORD GetDisabledTextColor() const { return m_disabledTextColor; }
  void SetDisabledTextColor(DWORD color);
  DWORD GetDisabledBkColor() const { return m_disabledBkColor; }
  void SetDisabledBkColor(DWORD color);
  int GetFont() const { return m_font; }
  void SetFont(int id);
  RECT GetTextPadding() const { return m_textPadding; }
  void SetTextPadding(RECT padding);
  bool IsShowHtml() const { return m_showHtml; }
  void SetShowHtml(bool showHtml);

  // Drawn text effects ("enabledeffect" and the settings beside it).
  bool IsEffectEnabled() const { return m_effectEnabled; }
  void SetEffectEnabled(bool enabled);
  const TextEffects& GetTextEffects() const { return m_effects; }

  SIZE DesiredSize(SIZE available) override;
  void HandleEvent(UIEvent& event) override;
  void SetAttribute(LPCWSTR name, LPCWSTR value) override;

  void PaintBackColor(IPaintSurfaceUI* surface) override;
  void PaintText(IPaintSurfaceUI* surface) override;

 protected:
  // Takes the window's default colours for colours still 0.
  void ResolveDefaultColors();
  // The item rectangle shrunk by the text padding.
  RECT TextBox() const;
  // Draws the text in the box with the colour, as the label's settings
  // ask (effects, formatted or plain).
  void DrawLabelText(IPaintSurfaceUI* surface, DWORD color);
  void MeasureAgain() { m_measureAgain = true; }
  // The text's size through the installed text measurer, formatted or
  // plain as "showhtml" says.
  SIZE MeasureLabelText(UINT format, SIZE box) const;
  // Stores a colour (or any drawn setting) and repaints.
  template <class T>
  void SetDrawn(T& field, T value) {
    field = value;
    Invalidate();
  }
  // While the mouse is disabled, mouse events go to the parent (or the
  // label handling without one); true when the event was passed on.
  bool PassMouseWhileDisabled(UIEvent& event);
  // Fills the item rectangle with a translucent colour, the paint
  // rectangle with an opaque one.
  void FillBackground(IPaintSurfaceUI* surface, DWORD color);

  DWORD m_textColor = 0;
  DWORD m_disabledTextColor = 0;
  DWORD m_disabledBkColor = 0;
  int m_font = -1;
  UINT m_textStyle;
  RECT m_textPadding;
  bool m_showHtml = false;
  bool m_effectEnabled = false;
  TextEffects m_effects;

 private:
  SIZE Measure(SIZE available);

  bool m_measureAgain = true;
  SIZE m_cachedAvailable;
  SIZE m_cachedSize;
};

}  // namespace SkinUI
