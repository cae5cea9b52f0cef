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

// Text is laid out over at most this many pixels (in the text engine's
// units a larger size would not fit an int).
constexpr LONG kMaxTextExtent = 1 << 20;

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

  CTextLayout layout(measuring ? nullptr : dc, manager->GetFontInfo(fontId));
  PangoLayout* pl = layout.Get();
  pango_layout_set_single_paragraph_mode(pl, singleLine);
  if ((format & kTextCenter) != 0) pango_layout_set_alignment(pl, PANGO_ALIGN_CENTER);
  else if ((format & kTextRight) != 0) pango_layout_set_alignment(pl, PANGO_ALIGN_RIGHT);
  // Wrapping and ellipsis need a width; plain text keeps its lines whole.
  const bool wraps = (format & kTextWordBreak) != 0 && !singleLine;
  const bool ellipsis = (format & kTextEndEllipsis) != 0;
  const bool bounded = (wraps || ellipsis) && width > 0;
  if (bounded) {
    pango_layout_set_width(pl, std::min<LONG>(width, kMaxTextExtent) * PANGO_SCALE);
    if (wraps) pango_layout_set_wrap(pl, PANGO_WRAP_WORD_CHAR);
    if (ellipsis) pango_layout_set_ellipsize(pl, PANGO_ELLIPSIZE_END);
    if (wraps && ellipsis && height > 0) pango_layout_set_height(pl, std::min<LONG>(height, kMaxTextExtent) * PANGO_SCALE);
  }
  layout.SetText(expanded.GetData(), static_cast<size_t>(expanded.GetLength()));

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
  layout.Draw(dc, x, y, AvoidPureBlack(color));
  cairo_restore(dc);
}

}  // namespace SkinUI
