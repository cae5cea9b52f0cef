#include "uiframework/render/RenderEngine.h"

#include "uiframework/render/Renderer.h"
#include "uiframework/render/TextFormat.h"

namespace SkinUI {

std::unique_ptr<ImageEntry> CRenderEngineUI::LoadImage(LPCWSTR name, LPCWSTR type, DWORD mask) {
  return std::unique_ptr<ImageEntry>(CRenderer::LoadImage(name, type, mask));
}

bool CRenderEngineUI::LoadImageSpec(CWindowManagerUI* manager, ImageDrawSpec& drawSpec) {
  return CRenderer::LoadImageSpec(manager, drawSpec);
}

AnimationStatus CRenderEngineUI::LoadAnimation(LPCWSTR name, size_t maxBytes, AnimatedImage& animation) {
  return CRenderer::LoadAnimation(name, maxBytes, animation);
}

SIZE CRenderEngineUI::MeasureText(CWindowManagerUI* manager, LPCWSTR text, int fontId, UINT format, SIZE box) {
  if (manager == nullptr || text == nullptr || *text == 0) return SIZE{0, 0};
  RECT rect{0, 0, box.cx, box.cy};
  CRenderer::DrawText(nullptr, manager, rect, text, 0, fontId, format | kTextCalcRect);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

SIZE CRenderEngineUI::MeasureHtmlText(CWindowManagerUI* manager, LPCWSTR text, int fontId, UINT format,
                                      SIZE box) {
  if (manager == nullptr || text == nullptr || *text == 0) return SIZE{0, 0};
  RECT rect{0, 0, box.cx, box.cy};
  int links = 0;
  CRenderer::DrawHtmlText(nullptr, manager, rect, text, 0, nullptr, nullptr, links, fontId, format | kTextCalcRect);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace SkinUI
