#include "uiframework/render/TextLayout.h"

#include "platform/CodePage.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/render/TextFormat.h"

#include <algorithm>
#include <pango/pangocairo.h>

namespace SkinUI {

namespace {

// Text is laid out over at most this many pixels (in the text engine's
// units a larger size would not fit an int).
constexpr LONG kMaxTextExtent = 1 << 20;

void Lay(PangoLayout* pl, const TextLayoutKey& key) {
  const bool singleLine = (key.format & kTextSingleLine) != 0;
  pango_layout_set_single_paragraph_mode(pl, singleLine);
  if ((key.format & kTextCenter) != 0) pango_layout_set_alignment(pl, PANGO_ALIGN_CENTER);
  else if ((key.format & kTextRight) != 0) pango_layout_set_alignment(pl, PANGO_ALIGN_RIGHT);
  if (key.width > 0) {
    pango_layout_set_width(pl, std::min<LONG>(key.width, kMaxTextExtent) * PANGO_SCALE);
    if ((key.format & kTextWordBreak) != 0 && !singleLine) pango_layout_set_wrap(pl, PANGO_WRAP_WORD_CHAR);
    if ((key.format & kTextEndEllipsis) != 0) pango_layout_set_ellipsize(pl, PANGO_ELLIPSIZE_END);
    if (key.height > 0) pango_layout_set_height(pl, std::min<LONG>(key.height, kMaxTextExtent) * PANGO_SCALE);
  }
}

}  // namespace

CStoredTextLayout::CStoredTextLayout(CWindowManagerUI* manager, TextLayoutKey key) {
  CTextLayoutCacheUI& store = manager->TextLayouts();
  m_layout = store.Find(key);
  if (m_layout != nullptr) return;
  m_fresh.emplace(nullptr, key.font);
  Lay(m_fresh->Get(), key);
  m_fresh->SetText(key.text.data(), key.text.size());
  m_layout = CTextLayoutCacheUI::IsKept(key) ? store.Keep(std::move(key), m_fresh->Release()) : m_fresh->Get();
}

CTextLayout::CTextLayout(cairo_t* dc, const FontEntry* font) {
  PangoContext* context = pango_font_map_create_context(FontEngineFontMap());
  if (dc != nullptr) pango_cairo_update_context(dc, context);
  m_layout = pango_layout_new(context);
  g_object_unref(context);
  PangoFontDescription* fallback = nullptr;
  const PangoFontDescription* description = nullptr;
  if (font != nullptr && font->font != nullptr) {
    description = font->font->GetDescription();
  } else {
    fallback = pango_font_description_new();
    pango_font_description_set_family(fallback, WideToUtf8String(kDefaultFontFace).c_str());
    pango_font_description_set_absolute_size(fallback, kDefaultFontPixels * PANGO_SCALE);
    description = fallback;
  }
  pango_layout_set_font_description(m_layout, description);
  if (fallback != nullptr) pango_font_description_free(fallback);
  if (font != nullptr && (font->underline || font->strikeout)) {
    PangoAttrList* attrs = pango_attr_list_new();
    if (font->underline) pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (font->strikeout) pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
    pango_layout_set_attributes(m_layout, attrs);
    pango_attr_list_unref(attrs);
  }
}

CTextLayout::~CTextLayout() {
  if (m_layout != nullptr) g_object_unref(m_layout);
}

void CTextLayout::SetText(const wchar_t* text, size_t length) {
  const std::string utf8 = WideToUtf8String(std::wstring(text, length));
  pango_layout_set_text(m_layout, utf8.data(), static_cast<int>(utf8.size()));
}

SIZE CTextLayout::Size() const {
  int width = 0, height = 0;
  pango_layout_get_pixel_size(m_layout, &width, &height);
  return SIZE{width, height};
}

PangoLayout* CTextLayout::Release() {
  PangoLayout* layout = m_layout;
  m_layout = nullptr;
  return layout;
}

void CTextLayout::Draw(cairo_t* dc, PangoLayout* layout, double x, double y, DWORD color) {
  cairo_save(dc);
  cairo_set_source_rgb(dc, ((color >> 16) & 0xFF) / 255.0, ((color >> 8) & 0xFF) / 255.0, (color & 0xFF) / 255.0);
  Show(dc, layout, x, y);
  cairo_restore(dc);
}

void CTextLayout::Show(cairo_t* dc, PangoLayout* layout, double x, double y) {
  cairo_save(dc);
  cairo_set_operator(dc, CAIRO_OPERATOR_OVER);
  cairo_move_to(dc, x, y);
  pango_cairo_update_layout(dc, layout);
  pango_cairo_show_layout(dc, layout);
  cairo_restore(dc);
}

void CTextLayout::SetRenderingHint(int hint) {
  cairo_antialias_t antialias = CAIRO_ANTIALIAS_DEFAULT;
  if (hint == 1 || hint == 2) antialias = CAIRO_ANTIALIAS_NONE;
  else if (hint == 3 || hint == 4) antialias = CAIRO_ANTIALIAS_GRAY;
  else if (hint == 5) antialias = CAIRO_ANTIALIAS_SUBPIXEL;
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, antialias);
  PangoContext* context = pango_layout_get_context(m_layout);
  pango_cairo_context_set_font_options(context, options);
  cairo_font_options_destroy(options);
  pango_layout_context_changed(m_layout);
}

}  // namespace SkinUI
