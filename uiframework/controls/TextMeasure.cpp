#include "uiframework/controls/TextMeasure.h"

#include "platform/CodePage.h"
#include "uiframework/manager/WindowManagerUI.h"

#include <algorithm>
#include <pango/pangocairo.h>

namespace SkinUI {

namespace {

// Widths beyond this do not fit the text engine's units.
constexpr int kMaxWidth = 1 << 20;

}  // namespace

SIZE MeasureText(CWindowManagerUI* manager, LPCWSTR text, int fontId, bool singleLine, int width) {
  if (manager == nullptr || text == nullptr || *text == 0) return SIZE{};
  CUIString expanded(text);
  CResourceSettingsUI::ExpandLanguageTokens(expanded);
  const FontEntry* font = manager->GetFontInfo(fontId);
  if (font == nullptr || font->font == nullptr) return SIZE{};

  PangoContext* context = pango_font_map_create_context(FontEngineFontMap());
  PangoLayout* layout = pango_layout_new(context);
  g_object_unref(context);
  pango_layout_set_font_description(layout, font->font->GetDescription());
  pango_layout_set_single_paragraph_mode(layout, singleLine);
  if (!singleLine && width > 0) {
    pango_layout_set_width(layout, std::min(width, kMaxWidth) * PANGO_SCALE);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
  }
  const int length = std::min(expanded.GetLength(), kMaxMeasuredChars);
  const std::string utf8 = WideToUtf8String(std::wstring(expanded.GetData(), static_cast<size_t>(length)));
  pango_layout_set_text(layout, utf8.data(), static_cast<int>(utf8.size()));
  int w = 0, h = 0;
  pango_layout_get_pixel_size(layout, &w, &h);
  g_object_unref(layout);
  return SIZE{w, h};
}

}  // namespace SkinUI
