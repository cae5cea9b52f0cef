// Plain text: one font, one colour, alignment, word wrap and ellipsis.
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/render/ColorValue.h"
#include "uiframework/render/DrawableRange.h"
#include "uiframework/render/Renderer.h"
#include "uiframework/render/TextFormat.h"
#include "uiframework/render/TextLayout.h"

#include <algorithm>
#include <cairo.h>
#include <pango/pangocairo.h>

namespace SkinUI {

namespace {

// The format bits that change how a text is laid out (the others only
// place it).
constexpr UINT kLayoutBits = kTextSingleLine | kTextCenter | kTextRight | kTextWordBreak | kTextEndEllipsis;

}  // namespace

void CRenderer::DrawText(cairo_t* dc, CWindowManagerUI* manager, RECT& rect, LPCWSTR text, DWORD color, int fontId,
                         UINT format) {
  if (text == nullptr || manager == nullptr) return;
  const bool measuring = (format & kTextCalcRect) != 0;
  if (dc == nullptr && !measuring) return;
  CUIString expanded(text);
  CResourceSettingsUI::ExpandLanguageTokens(expanded);
  rect = ClampToDrawableRange(rect);
  const LONG width = rect.right - rect.left;
  const LONG height = rect.bottom - rect.top;
  const bool singleLine = (format & kTextSingleLine) != 0;

  // Wrapping and ellipsis need a width; plain text keeps its lines whole.
  const bool wraps = (format & kTextWordBreak) != 0 && !singleLine;
  const bool ellipsis = (format & kTextEndEllipsis) != 0;
  const bool bounded = (wraps || ellipsis) && width > 0;
  TextLayoutKey key;
  key.font = manager->GetFontInfo(fontId);
  key.text.assign(expanded.GetData(), static_cast<size_t>(expanded.GetLength()));
  key.format = format & kLayoutBits;
  key.width = bounded ? width : 0;
  key.height = bounded && wraps && ellipsis && height > 0 ? height : 0;

  const CStoredTextLayout layout(manager, std::move(key));
  PangoLayout* pl = layout.Get();
  if (!measuring) pango_cairo_update_layout(dc, pl);

  PangoRectangle ink, logical;
  pango_layout_get_pixel_extents(pl, &ink, &logical);
  if (measuring) {
    rect.right = rect.left + logical.x + logical.width;
    rect.bottom = rect.top + logical.height;
    return;
  }
  double x = rect.left;
  if (!bounded) {
    if ((format & kTextCenter) != 0) x += (width - logical.width) / 2;
    else if ((format & kTextRight) != 0) x += width - logical.width;
  }
  double y = rect.top;
  if (singleLine) {
    if ((format & kTextVCenter) != 0) y += (height - logical.height) / 2;
    else if ((format & kTextBottom) != 0) y += height - logical.height;
  }
  cairo_save(dc);
  if ((format & kTextNoClip) == 0) {
    cairo_rectangle(dc, rect.left, rect.top, width, height);
    cairo_clip(dc);
  }
  CTextLayout::Draw(dc, pl, x, y, AvoidPureBlack(color));
  cairo_restore(dc);
}

}  // namespace SkinUI
