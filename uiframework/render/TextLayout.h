// Pango layouts of text in one of the window's fonts, measured and drawn
// with the font engine's font map so that measuring and drawing agree.
#pragma once

#include "uiframework/core/UIGeometry.h"
#include "uiframework/resources/TextLayoutCache.h"
#include "uiframework/resources/WindowResources.h"

#include <optional>
#include <string>

typedef struct _cairo cairo_t;
typedef struct _PangoLayout PangoLayout;

namespace SkinUI {

class CWindowManagerUI;

class CTextLayout {
 public:
  // dc may be null for measuring only. font may be null (the engine's
  // default face at its default size is used then).
  CTextLayout(cairo_t* dc, const FontEntry* font);
  ~CTextLayout();
  CTextLayout(const CTextLayout&) = delete;
  CTextLayout& operator=(const CTextLayout&) = delete;

  void SetText(const wchar_t* text, size_t length);
  PangoLayout* Get() const { return m_layout; }
  // Hands the layout (and its reference) to the caller; this object then
  // holds none.
  PangoLayout* Release();
  // The logical size in pixels.
  SIZE Size() const;
  // Draws with the top-left corner of the logical rectangle at (x, y) in
  // the opaque colour's red, green and blue.
  void Draw(cairo_t* dc, double x, double y, DWORD color) const { Draw(dc, m_layout, x, y, color); }
  static void Draw(cairo_t* dc, PangoLayout* layout, double x, double y, DWORD color);
  // Draws with the top-left corner of the logical rectangle at (x, y),
  // filled with whatever source dc has (a colour or a gradient).
  void Show(cairo_t* dc, double x, double y) const { Show(dc, m_layout, x, y); }
  static void Show(cairo_t* dc, PangoLayout* layout, double x, double y);
  // The text rendering hint of the skins: 0 the surface's default, 1-2
  // no anti-aliasing, 3-4 grey anti-aliasing, 5 sub-pixel.
  void SetRenderingHint(int hint);

 private:
  PangoLayout* m_layout = nullptr;
};

// The layout of key's text in key's font, laid out as its format bits
// (single line, alignment, word break, end ellipsis) and box (width, and
// height for wrapped text with an ellipsis) ask. It comes from the
// window's store of layouts, which keeps it for later paints; a text too
// long to keep is laid out for this object's life only.
class CStoredTextLayout {
 public:
  CStoredTextLayout(CWindowManagerUI* manager, TextLayoutKey key);
  CStoredTextLayout(const CStoredTextLayout&) = delete;
  CStoredTextLayout& operator=(const CStoredTextLayout&) = delete;
  PangoLayout* Get() const { return m_layout; }

 private:
  std::optional<CTextLayout> m_fresh;
  PangoLayout* m_layout = nullptr;
};

}  // namespace SkinUI
