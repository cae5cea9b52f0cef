#include "uiframework/render/CairoPaintSurface.h"

#include "uiframework/render/Renderer.h"

namespace SkinUI {

CCairoPaintSurfaceUI::CCairoPaintSurfaceUI(cairo_t* dc) : m_dc(dc) {}

CCairoPaintSurfaceUI::~CCairoPaintSurfaceUI() {
  while (!m_clips.empty()) PopClip();
}

void CCairoPaintSurfaceUI::DrawColor(const RECT& rect, DWORD color) { CRenderer::DrawColor(m_dc, rect, color); }

void CCairoPaintSurfaceUI::DrawGradient(const RECT& rect, DWORD color1, DWORD color2, bool vertical, int steps) {
  CRenderer::DrawGradient(m_dc, rect, color1, color2, vertical, steps);
}

void CCairoPaintSurfaceUI::DrawLine(const RECT& rect, int width, DWORD color, int style) {
  CRenderer::DrawLine(m_dc, rect, width, color, style);
}

void CCairoPaintSurfaceUI::DrawRect(const RECT& rect, int width, DWORD color, int style) {
  CRenderer::DrawRect(m_dc, rect, width, color, style);
}

void CCairoPaintSurfaceUI::DrawRoundRect(const RECT& rect, int width, int roundX, int roundY, DWORD color,
                                         int style) {
  CRenderer::DrawRoundRect(m_dc, rect, width, roundX, roundY, color, style);
}

void CCairoPaintSurfaceUI::DrawSmoothLine(double x0, double y0, double x1, double y1, double width, DWORD color) {
  CRenderer::DrawSmoothLine(m_dc, x0, y0, x1, y1, width, color);
}

void CCairoPaintSurfaceUI::DrawImageEntry(const ImageEntry& image, const RECT& dest, const ImageTurn& turn) {
  CRenderer::DrawImageEntry(m_dc, image, dest, turn);
}

bool CCairoPaintSurfaceUI::DrawImage(CWindowManagerUI* manager, const RECT& item, const RECT& paint,
                                     ImageDrawSpec& drawSpec) {
  return CRenderer::DrawImage(m_dc, manager, item, paint, drawSpec);
}

void CCairoPaintSurfaceUI::PushClip(const RECT& rect) {
  m_clips.push_back(std::make_unique<CRenderClip>());
  CRenderer::GenerateClip(m_dc, rect, *m_clips.back());
}

void CCairoPaintSurfaceUI::PushRoundClip(const RECT& paint, const RECT& item, int roundX, int roundY) {
  m_clips.push_back(std::make_unique<CRenderClip>());
  CRenderer::GenerateRoundClip(m_dc, paint, item, roundX, roundY, *m_clips.back());
}

void CCairoPaintSurfaceUI::PopClip() {
  if (m_clips.empty()) return;
  m_clips.pop_back();
}

void CCairoPaintSurfaceUI::DrawText(CWindowManagerUI* manager, RECT& rect, LPCWSTR text, DWORD color, int fontId,
                                    UINT format) {
  CRenderer::DrawText(m_dc, manager, rect, text, color, fontId, format);
}

void CCairoPaintSurfaceUI::DrawHtmlText(CWindowManagerUI* manager, RECT& rect, LPCWSTR text, DWORD defaultColor,
                                        RECT* linkRects, CUIString* linkTexts, int& linkCount, int fontId,
                                        UINT format, POINT hover) {
  CRenderer::DrawHtmlText(m_dc, manager, rect, text, defaultColor, linkRects, linkTexts, linkCount, fontId, format,
                          hover);
}

void CCairoPaintSurfaceUI::DrawTextEffects(CWindowManagerUI* manager, const RECT& box, LPCWSTR text, int fontId,
                                           UINT format, const TextEffects& effects) {
  CRenderer::DrawTextEffects(m_dc, manager, box, text, fontId, format, effects);
}

}  // namespace SkinUI
