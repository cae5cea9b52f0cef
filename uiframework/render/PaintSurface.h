// IPaintSurfaceUI: what controls paint on. The render engine implements it
// over the window's off-screen surface; the control tree only calls these
// operations, in the fixed painting order of each control. Colours are
// 0xAARRGGBB.
#pragma once

#include "uiframework/core/UIGeometry.h"
#include "uiframework/core/UIString.h"
#include "uiframework/render/ImageDrawSpec.h"

namespace SkinUI {

class CWindowManagerUI;

class IPaintSurfaceUI {
 public:
  virtual ~IPaintSurfaceUI() = default;

  virtual void DrawColor(const RECT& rect, DWORD color) = 0;
  virtual void DrawGradient(const RECT& rect, DWORD color1, DWORD color2, bool vertical, int steps) = 0;
  virtual void DrawLine(const RECT& rect, int width, DWORD color, int style) = 0;
  virtual void DrawRect(const RECT& rect, int width, DWORD color, int style) = 0;
  virtual void DrawRoundRect(const RECT& rect, int width, int roundX, int roundY, DWORD color, int style) = 0;
  // False when the description is empty or its image cannot be loaded.
  virtual bool DrawImage(CWindowManagerUI* manager, const RECT& item, const RECT& paint, ImageDrawSpec& drawSpec) = 0;
  // Clipping: each push narrows the clip until the matching pop.
  virtual void PushClip(const RECT& rect) = 0;
  virtual void PushRoundClip(const RECT& paint, const RECT& item, int roundX, int roundY) = 0;
  virtual void PopClip() = 0;

  // Text with the kText* format flags of the render engine; with
  // kTextCalcRect nothing is drawn and rect receives the measured size.
  virtual void DrawText(CWindowManagerUI* manager, RECT& rect, LPCWSTR text, DWORD color, int fontId,
                        UINT format) = 0;
  // Lightly formatted text. linkCount is the capacity of linkRects and
  // linkTexts on entry and the number of links filled on return; the link
  // under hover (window client coordinates) is drawn in the hover colour.
  virtual void DrawHtmlText(CWindowManagerUI* manager, RECT& rect, LPCWSTR text, DWORD defaultColor,
                            RECT* linkRects, CUIString* linkTexts, int& linkCount, int fontId, UINT format,
                            POINT hover) = 0;
};

}  // namespace SkinUI
