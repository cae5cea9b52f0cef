#include "uiframework/resources/FontEngine.h"

#include "platform/CodePage.h"

#include <pango/pangocairo.h>

namespace SkinUI {

namespace {

// Characters whose widths bound the widest glyph of the skins' texts.
constexpr const char* kWidthProbes[] = {"W", "M", "@", "\xE4\xB8\xAD", "\xE9\xBE\x98"};

int Pixels(int pangoUnits) { return PANGO_PIXELS(pangoUnits); }

// The engine's own font map, released with the process.
class FontMapOwner {
 public:
  PangoFontMap* Get() {
    if (m_map == nullptr) m_map = pango_cairo_font_map_new();
    return m_map;
  }
  ~FontMapOwner() {
    if (m_map != nullptr) g_object_unref(m_map);
  }

 private:
  PangoFontMap* m_map = nullptr;
};


}  // namespace

// fontconfig loads its configuration and font caches once and keeps them
// for the life of the process (releasing them at exit is not safe while
// other font maps may hold them); the leak checker is told so for every
// program that uses the font engine.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

PangoFontMap* FontEngineFontMap() {
  static FontMapOwner owner;
  return owner.Get();
}

void StartFontEngine() { FontEngineFontMap(); }

CFontUI* CFontUI::Create(LPCWSTR face, int pixelHeight, bool bold, bool underline, bool italic, bool strikeout) {
  if (face == nullptr || *face == 0 || pixelHeight < 1 || pixelHeight > 2000) return nullptr;
  auto* font = new CFontUI;
  font->m_face = std::wstring(face).substr(0, 32);
  font->m_pixelHeight = pixelHeight;
  font->m_bold = bold;
  font->m_underline = underline;
  font->m_italic = italic;
  font->m_strikeout = strikeout;
  font->m_description = pango_font_description_new();
  pango_font_description_set_family(font->m_description, WideToUtf8String(font->m_face).c_str());
  pango_font_description_set_absolute_size(font->m_description, static_cast<double>(pixelHeight) * PANGO_SCALE);
  pango_font_description_set_weight(font->m_description, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(font->m_description, italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  return font;
}

CFontUI::~CFontUI() {
  if (m_description != nullptr) pango_font_description_free(m_description);
}

const TextMetricsUI& CFontUI::GetMetrics() {
  if (m_measured) return m_metrics;
  m_measured = true;
  PangoContext* context = pango_font_map_create_context(FontEngineFontMap());
  PangoFont* font = pango_context_load_font(context, m_description);
  if (font != nullptr) {
    PangoFontMetrics* metrics = pango_font_get_metrics(font, nullptr);
    m_metrics.ascent = Pixels(pango_font_metrics_get_ascent(metrics));
    m_metrics.descent = Pixels(pango_font_metrics_get_descent(metrics));
    m_metrics.height = m_metrics.ascent + m_metrics.descent;
    const int lineHeight = Pixels(pango_font_metrics_get_height(metrics));
    m_metrics.externalLeading = lineHeight > m_metrics.height ? lineHeight - m_metrics.height : 0;
    m_metrics.aveCharWidth = Pixels(pango_font_metrics_get_approximate_char_width(metrics));
    pango_font_metrics_unref(metrics);
    g_object_unref(font);
  }
  PangoLayout* layout = pango_layout_new(context);
  pango_layout_set_font_description(layout, m_description);
  for (const char* probe : kWidthProbes) {
    pango_layout_set_text(layout, probe, -1);
    int width = 0;
    pango_layout_get_pixel_size(layout, &width, nullptr);
    if (width > m_metrics.maxCharWidth) m_metrics.maxCharWidth = width;
  }
  g_object_unref(layout);
  g_object_unref(context);
  return m_metrics;
}

}  // namespace SkinUI
