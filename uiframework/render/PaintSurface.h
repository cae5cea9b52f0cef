// IPaintSurfaceUI: what controls paint on. The render engine implements it
// over the window's off-screen surface; the control tree only calls these
// operations, in the fixed painting order of each control. Colours are
// 0xAARRGGBB.
#pragma once

#include "uiframework/core/UIGeometry.h"
#include "uiframework/core/UIString.h"
#include "uiframework/render/ImageDrawSpec.h"
#include "uiframework/render/TextEffects.h"

namespace SkinUI {

class CWindowManagerUI;

// A turn about a centre point, in degrees, clockwise on screen (y grows
// downwards); 0 leaves an image as it is.
struct ImageTurn {
  double degrees = 0;
  double centreX = 0;
  double centreY = 0;
};

class IPaintSurfaceUI {
 public:
  virtual ~IPaintSurfaceUI() = default;

  virtual void DrawColor(const RECT& rect, DWORD color) = 0;
  virtual void DrawGradient(const RECT& rect, DWORD color1, DWORD color2, bool vertical, int steps) = 0;
  virtual void DrawLine(const RECT& rect, int width, DWORD color, int style) = 0;
  virtual void DrawRect(const RECT& rect, int width, DWORD color, int style) = 0;
  virtual void DrawRoundRect(const RECT& rect, int width, int roundX, int roundY, DWORD color, int style) = 0;
  // An anti-aliased line with round caps from (x0, y0) to (x1, y1),
  // blended with the colour's own alpha.
  virtual void DrawSmoothLine(double x0, double y0, double x1, double y1, double width, DWORD color) = 0;
  // False when the description is empty or its image cannot be loaded.
  virtual bool DrawImage(CWindowManagerUI* manager, const RECT& item, const RECT& paint, ImageDrawSpec& drawSpec) = 0;
  // A whole decoded image (not from the image tables: an animation frame,
  // a control's own image) scaled smoothly into dest and turned by
  // turn.degrees (clockwise on screen) about turn's centre; its alpha
  // blends over what is below.
  virtual void DrawImageEntry(const ImageEntry& image, const RECT& dest, const ImageTurn& turn) = 0;
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
  // Text with drawn effects (a glow, a stroke, a shadow and a gradient
  // fill, each as effects asks) in box, with the kText* format flags; an
  // empty box draws nothing.
  virtual void DrawTextEffects(CWindowManagerUI* manager, const RECT& box, LPCWSTR text, int fontId, UINT format,
                               const TextEffects& effects) = 0;
};

}  // namespace SkinUI
