// Pango layouts of text in one of the window's fonts, measured and drawn
// with the font engine's font map so that measuring and drawing agree.
#pragma once

#include "uiframework/core/UIGeometry.h"
#include "uiframework/resources/WindowResources.h"

#include <string>

typedef struct _cairo cairo_t;
typedef struct _PangoLayout PangoLayout;

namespace SkinUI {

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
  // The logical size in pixels.
  SIZE Size() const;
  // Draws with the top-left corner of the logical rectangle at (x, y) in
  // the opaque colour's red, green and blue.
  void Draw(cairo_t* dc, double x, double y, DWORD color) const;
  // Draws with the top-left corner of the logical rectangle at (x, y),
  // filled with whatever source dc has (a colour or a gradient).
  void Show(cairo_t* dc, double x, double y) const;
  // The text rendering hint of the skins: 0 the surface's default, 1-2
  // no anti-aliasing, 3-4 grey anti-aliasing, 5 sub-pixel.
  void SetRenderingHint(int hint);

 private:
  PangoLayout* m_layout = nullptr;
};

}  // namespace SkinUI
