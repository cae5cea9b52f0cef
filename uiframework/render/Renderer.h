// CRenderer: the stateless drawing and loading operations every control
// uses. A drawing target ("dc") is a cairo context on a premultiplied
// ARGB32 surface; its current clip limits every operation. Colours are
// 0xAARRGGBB.
#pragma once

#include "uiframework/core/UIGeometry.h"
#include "uiframework/render/AnimatedImage.h"
#include "uiframework/render/ImageDrawSpec.h"
#include "uiframework/render/ImageEntry.h"
#include "uiframework/render/PaintSurface.h"
#include "uiframework/render/TextEffects.h"

typedef struct _cairo cairo_t;

namespace SkinUI {

class CWindowManagerUI;
class CRenderClip;

class CRenderer {
 public:
  // Images. name is an archive entry or file (type null or empty), a
  // module resource of type (a numeric id through MAKEINTRESOURCEW), or a
  // colour ("#" optional) with the type "*COLOR*". Null on failure.
  static ImageEntry* LoadImage(LPCWSTR name, LPCWSTR type = nullptr, DWORD mask = 0);
  static void FreeImage(ImageEntry* entry);
  // Every frame of the named image (archive entry or file), within
  // maxBytes of decoded pixels and kMaxAnimationFrames frames.
  static AnimationStatus LoadAnimation(LPCWSTR name, size_t maxBytes, AnimatedImage& animation);
  // Parses drawSpec.description and loads its image through the manager's
  // tables, once (a failure is remembered); false when that fails.
  static bool LoadImageSpec(CWindowManagerUI* manager, ImageDrawSpec& drawSpec);

  // Parses drawSpec.description and loads its image through the manager's
  // tables on first use. False when the description is empty or its image
  // cannot be loaded (now or at an earlier attempt); with a null manager
  // nothing happens (true); with a null dc it only parses and loads.
  static bool DrawImage(cairo_t* dc, CWindowManagerUI* manager, const RECT& item, const RECT& paint,
                        ImageDrawSpec& drawSpec);
  // The drawing core: draws the source part of the image into dest with
  // nine-slice corners, constant opacity fade, an optional hollow centre
  // and tiling. Only parts that meet paint are drawn.
  static void DrawImageRect(cairo_t* dc, const ImageEntry& image, const RECT& dest, const RECT& paint,
                            const RECT& source, const RECT& corners, bool hasAlpha, BYTE fade, bool hole,
                            bool xTiled, bool yTiled);

  // The whole image smoothly scaled into dest and turned about a centre.
  static void DrawImageEntry(cairo_t* dc, const ImageEntry& image, const RECT& dest, const ImageTurn& turn);

  // Fills and pens. Styles are the kPen* values; widths below 1 draw 1.
  static void DrawColor(cairo_t* dc, const RECT& rect, DWORD color);
  static void DrawGradient(cairo_t* dc, const RECT& rect, DWORD color1, DWORD color2, bool vertical, int steps);
  static void DrawLine(cairo_t* dc, const RECT& rect, int width, DWORD color, int style);
  // Anti-aliased, round-capped, blended with the colour's alpha; widths
  // below 0.1 (or not numbers) draw nothing.
  static void DrawSmoothLine(cairo_t* dc, double x0, double y0, double x1, double y1, double width, DWORD color);
  static void DrawRect(cairo_t* dc, const RECT& rect, int width, DWORD color, int style);
  static void DrawRoundRect(cairo_t* dc, const RECT& rect, int width, int roundX, int roundY, DWORD color,
                            int style);

  // Text with the kText* format flags; rect receives the measured size
  // with kTextCalcRect, when nothing is drawn.
  static void DrawText(cairo_t* dc, CWindowManagerUI* manager, RECT& rect, LPCWSTR text, DWORD color, int fontId,
                       UINT format);
  // Lightly formatted text (tags <b>, <c #FF0000>, <a link>, ...). linkCount
  // is the capacity of linkRects and linkTexts on entry and the number of
  // link rectangles filled on return. hover is the window's last mouse
  // position: the link under it is drawn in the link-hover colour.
  static void DrawHtmlText(cairo_t* dc, CWindowManagerUI* manager, RECT& rect, LPCWSTR text, DWORD defaultColor,
                           RECT* linkRects, CUIString* linkTexts, int& linkCount, int fontId, UINT format,
                           POINT hover = POINT{-1, -1});

  // Text with drawn effects: an optional glow, stroke and shadow under the
  // text filled with a gradient (see TextEffects), laid out in box with
  // the kText* format flags. An empty box draws nothing.
  static void DrawTextEffects(cairo_t* dc, CWindowManagerUI* manager, const RECT& box, LPCWSTR text, int fontId,
                              UINT format, const TextEffects& effects);

  // Clipping: the clip object narrows the clip while it lives.
  static void GenerateClip(cairo_t* dc, const RECT& rect, CRenderClip& clip);
  static void GenerateRoundClip(cairo_t* dc, const RECT& paint, const RECT& item, int roundX, int roundY,
                                CRenderClip& clip);

  // Hue (0-360, 180 = unchanged), saturation and lightness (percent, 100 =
  // unchanged).
  static DWORD AdjustColor(DWORD color, short hue, short saturation, short lightness);
  // Recomputes the pixels of an image marked use-HSL from its unadjusted
  // copy; other images are left as they are.
  static void AdjustImage(bool useHsl, ImageEntry* entry, short hue, short saturation, short lightness);
};

}  // namespace SkinUI
