// Text with drawn effects (a label's "enabledeffect"): glow, stroke,
// shadow and a gradient fill, painted in that order, each text pass laid
// out in the text box like the skins' effect text: wrapped within the box
// unless single-line, aligned by the format bits, clipped to its box.
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/render/DrawableRange.h"
#include "uiframework/render/Renderer.h"
#include "uiframework/render/TextFormat.h"
#include "uiframework/render/TextLayout.h"

#include <algorithm>
#include <cairo.h>
#include <cstdint>
#include <pango/pangocairo.h>
#include <utility>

namespace SkinUI {

namespace {

// The glow is blurred in a bitmap of the text box; boxes of more pixels
// than this (absurd layouts) are drawn without it.
constexpr std::int64_t kMaxGlowPixels = std::int64_t{4096} * 4096;
// Text is laid out over at most this many pixels (in the text engine's
// units a larger size would not fit an int).
constexpr double kMaxTextExtent = 1 << 20;

struct BoxF {
  double x, y, width, height;
  BoxF Moved(double dx, double dy) const { return BoxF{x + dx, y + dy, width, height}; }
};

void AddColorStop(cairo_pattern_t* pattern, double offset, DWORD color) {
  cairo_pattern_add_color_stop_rgba(pattern, offset, ((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0,
                                    (color & 0xFF) / 255.0, (color >> 24) / 255.0);
}

// A tiled linear gradient from (x0, y0) to (x1, y1) in the drawing
// target's coordinates; a single colour when both points coincide.
cairo_pattern_t* MakeBrush(double x0, double y0, double x1, double y1, DWORD from, DWORD to) {
  if (x0 == x1 && y0 == y1) to = from;
  cairo_pattern_t* pattern = cairo_pattern_create_linear(x0, y0, x1, y1);
  AddColorStop(pattern, 0, from);
  AddColorStop(pattern, 1, to);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
  return pattern;
}

class CEffectText {
 public:
  CEffectText(CWindowManagerUI* manager, const CUIString& text, int fontId, UINT format, const BoxF& box, int hint)
      : m_layout(nullptr, manager->GetFontInfo(fontId)), m_format(format) {
    PangoLayout* pl = m_layout.Get();
    const bool singleLine = (format & kTextSingleLine) != 0;
    pango_layout_set_single_paragraph_mode(pl, singleLine);
    if ((format & kTextCenter) != 0) pango_layout_set_alignment(pl, PANGO_ALIGN_CENTER);
    else if ((format & kTextRight) != 0) pango_layout_set_alignment(pl, PANGO_ALIGN_RIGHT);
    if (!singleLine) {
      pango_layout_set_width(pl, static_cast<int>(std::min(box.width, kMaxTextExtent)) * PANGO_SCALE);
      pango_layout_set_wrap(pl, PANGO_WRAP_WORD_CHAR);
    }
    m_layout.SetRenderingHint(hint);
    m_layout.SetText(text.GetData(), static_cast<size_t>(text.GetLength()));
    PangoRectangle logical;
    pango_layout_get_pixel_extents(pl, nullptr, &logical);
    m_width = logical.width;
    m_height = logical.height;
  }

  // Fills the text laid out in box with the source of dc, clipped to box.
  void Show(cairo_t* dc, const BoxF& box) const {
    double x = box.x;
    // A wrapped layout aligns its lines itself within the box's width.
    if ((m_format & kTextSingleLine) != 0) {
      if ((m_format & kTextCenter) != 0) x += (box.width - m_width) / 2;
      else if ((m_format & kTextRight) != 0) x += box.width - m_width;
    }
    double y = box.y;
    if ((m_format & kTextVCenter) != 0) y += (box.height - m_height) / 2;
    else if ((m_format & kTextBottom) != 0) y += box.height - m_height;
    cairo_save(dc);
    cairo_rectangle(dc, box.x, box.y, box.width, box.height);
    cairo_clip(dc);
    m_layout.Show(dc, x, y);
    cairo_restore(dc);
  }

  void Show(cairo_t* dc, const BoxF& box, cairo_pattern_t* brush) const {
    cairo_save(dc);
    cairo_set_source(dc, brush);
    Show(dc, box);
    cairo_restore(dc);
  }

 private:
  CTextLayout m_layout;
  UINT m_format;
  double m_width = 0;
  double m_height = 0;
};

// Draws surface scaled to width × height at (x, y) of dc.
void PaintScaled(cairo_t* dc, cairo_surface_t* surface, double x, double y, double width, double height,
                 cairo_filter_t filter) {
  const double sw = cairo_image_surface_get_width(surface);
  const double sh = cairo_image_surface_get_height(surface);
  cairo_save(dc);
  cairo_translate(dc, x, y);
  cairo_scale(dc, width / sw, height / sh);
  cairo_set_source_surface(dc, surface, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(dc), filter);
  cairo_pattern_set_extend(cairo_get_source(dc), CAIRO_EXTEND_PAD);
  cairo_rectangle(dc, 0, 0, sw, sh);
  cairo_fill(dc);
  cairo_restore(dc);
}

// The glow: the text drawn into a bitmap of the box, scaled down by the
// fuzziness and back up (which blurs it), at the shadow offset, then laid
// over the target at the box's corner.
void DrawGlow(cairo_t* dc, const CEffectText& text, const BoxF& box, const TextEffects& effects,
              cairo_pattern_t* textBrush) {
  const std::int64_t boxWidth = static_cast<std::int64_t>(box.width);
  const std::int64_t boxHeight = static_cast<std::int64_t>(box.height);
  if (boxWidth <= 0 || boxHeight <= 0 || boxWidth * boxHeight > kMaxGlowPixels) return;
  // A fuzziness below 1 (or not a number) would make the small bitmap
  // larger than the box: it counts as 1.
  const double fuzziness = effects.fuzziness >= 1.0f ? static_cast<double>(effects.fuzziness) : 1.0;
  const std::int64_t smallWidth = std::clamp<std::int64_t>(static_cast<std::int64_t>(box.width / fuzziness), 1, boxWidth);
  const std::int64_t smallHeight =
      std::clamp<std::int64_t>(static_cast<std::int64_t>(box.height / fuzziness), 1, boxHeight);

  cairo_surface_t* full = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(boxWidth),
                                                     static_cast<int>(boxHeight));
  cairo_surface_t* reduced = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(smallWidth),
                                                        static_cast<int>(smallHeight));
  if (cairo_surface_status(full) == CAIRO_STATUS_SUCCESS && cairo_surface_status(reduced) == CAIRO_STATUS_SUCCESS) {
    cairo_t* fullDc = cairo_create(full);
    text.Show(fullDc, BoxF{0, 0, box.width, box.height}, textBrush);
    cairo_t* reducedDc = cairo_create(reduced);
    PaintScaled(reducedDc, full, 0, 0, static_cast<double>(smallWidth), static_cast<double>(smallHeight),
                CAIRO_FILTER_GOOD);
    cairo_destroy(reducedDc);
    cairo_set_operator(fullDc, CAIRO_OPERATOR_CLEAR);
    cairo_paint(fullDc);
    cairo_set_operator(fullDc, CAIRO_OPERATOR_OVER);
    cairo_surface_flush(reduced);
    PaintScaled(fullDc, reduced, effects.shadowOffsetX, effects.shadowOffsetY, box.width, box.height,
                CAIRO_FILTER_BILINEAR);
    cairo_destroy(fullDc);
    cairo_surface_flush(full);
    cairo_save(dc);
    cairo_set_operator(dc, CAIRO_OPERATOR_OVER);
    cairo_set_source_surface(dc, full, box.x, box.y);
    cairo_paint(dc);
    cairo_restore(dc);
  }
  cairo_surface_destroy(reduced);
  cairo_surface_destroy(full);
}

}  // namespace

void CRenderer::DrawTextEffects(cairo_t* dc, CWindowManagerUI* manager, const RECT& given, LPCWSTR text, int fontId,
                                UINT format, const TextEffects& effects) {
  if (dc == nullptr || manager == nullptr || text == nullptr || *text == 0) return;
  const RECT rect = ClampToDrawableRange(given);
  // An empty box has nothing to lay text out in, nor a glow bitmap.
  if (RectIsEmpty(rect)) return;
  CUIString expanded(text);
  CResourceSettingsUI::ExpandLanguageTokens(expanded);
  const BoxF box{static_cast<double>(rect.left), static_cast<double>(rect.top),
                 static_cast<double>(rect.right - rect.left), static_cast<double>(rect.bottom - rect.top)};
  const CEffectText laidOut(manager, expanded, fontId, format, box, effects.renderingHint);

  const double length = effects.gradientLength != 0 ? effects.gradientLength : box.height;
  const double angle = effects.gradientAngle;
  const DWORD textColor2 = effects.textColor2 == 0xFFFFFFFFu ? effects.textColor : effects.textColor2;
  cairo_pattern_t* textBrush = MakeBrush(angle, 0, 0, length, effects.textColor, textColor2);

  if (effects.glow) DrawGlow(dc, laidOut, box, effects, textBrush);
  if (effects.stroke && effects.strokeColor != 0) {
    cairo_pattern_t* strokeBrush =
        MakeBrush(angle, 0, 0, box.height + 2, effects.strokeColor, effects.strokeColor);
    for (const auto& offset : {std::pair{-1, 0}, std::pair{1, 0}, std::pair{0, -1}, std::pair{0, 1}})
      laidOut.Show(dc, box.Moved(offset.first, offset.second), strokeBrush);
    cairo_pattern_destroy(strokeBrush);
  }
  if (effects.shadow && (effects.shadowColorA != 0 || effects.shadowColorB != 0)) {
    cairo_pattern_t* shadowBrush = MakeBrush(angle, 0, 0, length, effects.shadowColorA, effects.shadowColorB);
    laidOut.Show(dc, box.Moved(effects.shadowOffsetX, effects.shadowOffsetY), shadowBrush);
    cairo_pattern_destroy(shadowBrush);
  }
  laidOut.Show(dc, box, textBrush);
  cairo_pattern_destroy(textBrush);
}

}  // namespace SkinUI
