#include "uiframework/render/RenderClip.h"

#include "uiframework/render/DrawableRange.h"
#include "uiframework/render/Renderer.h"
#include "uiframework/render/RoundRectPath.h"

#include <cairo.h>

namespace SkinUI {

CRenderClip::~CRenderClip() { Release(); }

void CRenderClip::Apply(cairo_t* dc, const RECT& rect, const RECT& item, int roundX, int roundY) {
  Release();
  if (dc == nullptr) return;
  m_dc = dc;
  m_rect = ClampToDrawableRange(rect);
  m_item = ClampToDrawableRange(item);
  m_roundX = roundX;
  m_roundY = roundY;
  cairo_save(m_dc);
  ClipInner();
}

void CRenderClip::ClipInner() {
  cairo_rectangle(m_dc, m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top);
  cairo_clip(m_dc);
  if (m_roundX > 0 || m_roundY > 0) {
    AddRoundRectPath(m_dc, m_item.left, m_item.top, m_item.right - m_item.left, m_item.bottom - m_item.top,
                     m_roundX / 2.0, m_roundY / 2.0);
    cairo_clip(m_dc);
  }
}

void CRenderClip::UseOuterClip() {
  if (m_dc == nullptr) return;
  cairo_restore(m_dc);
  cairo_save(m_dc);
}

void CRenderClip::UseInnerClip() {
  if (m_dc == nullptr) return;
  cairo_restore(m_dc);
  cairo_save(m_dc);
  ClipInner();
}

void CRenderClip::Release() {
  if (m_dc == nullptr) return;
  cairo_restore(m_dc);
  m_dc = nullptr;
}

void CRenderer::GenerateClip(cairo_t* dc, const RECT& rect, CRenderClip& clip) { clip.Apply(dc, rect, rect, 0, 0); }

void CRenderer::GenerateRoundClip(cairo_t* dc, const RECT& paint, const RECT& item, int roundX, int roundY,
                                  CRenderClip& clip) {
  clip.Apply(dc, paint, item, roundX, roundY);
}

}  // namespace SkinUI
