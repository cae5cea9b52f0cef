// CCairoPaintSurfaceUI: what the control tree paints on, over a cairo
// context on the window's premultiplied ARGB32 surface. Images it draws
// load through the manager's tables; text is laid out like the render
// engine's text measurer lays it out.
#pragma once

#include "uiframework/render/PaintSurface.h"
#include "uiframework/render/RenderClip.h"

#include <memory>
#include <vector>

typedef struct _cairo cairo_t;

namespace SkinUI {

class CCairoPaintSurfaceUI : public IPaintSurfaceUI {
 public:
  // The context stays the caller's; clips still pushed are popped when
  // the surface goes.
  explicit CCairoPaintSurfaceUI(cairo_t* dc);
  ~CCairoPaintSurfaceUI() override;
  CCairoPaintSurfaceUI(const CCairoPaintSurfaceUI&) = delete;
  CCairoPaintSurfaceUI& operator=(const CCairoPaintSurfaceUI&) = delete;

  cairo_t* GetContext() const { return m_dc; }

  void DrawColor(const RECT& rect, DWORD color) override;
  void DrawGradient(const RECT& rect, DWORD color1, DWORD color2, bool vertical, int steps) override;
  void DrawLine(const RECT& rect, int width, DWORD color, int style) override;
  void DrawRect(const RECT& rect, int width, DWORD color, int style) override;
  void DrawRoundRect(const RECT& rect, int width, int roundX, int roundY, DWORD color, int style) override;
  void DrawSmoothLine(double x0, double y0, double x1, double y1, double width, DWORD color) override;
  bool DrawImage(CWindowManagerUI* manager, const RECT& item, const RECT& paint, ImageDrawSpec& drawSpec) override;
  void DrawImageEntry(const ImageEntry& image, const RECT& dest, const ImageTurn& turn) override;
  void PushClip(const RECT& rect) override;
  void PushRoundClip(const RECT& paint, const RECT& item, int roundX, int roundY) override;
  void PopClip() override;

  void DrawText(CWindowManagerUI* manager, RECT& rect, LPCWSTR text, DWORD color, int fontId, UINT format) override;
  void DrawHtmlText(CWindowManagerUI* manager, RECT& rect, LPCWSTR text, DWORD defaultColor, RECT* linkRects,
                    CUIString* linkTexts, int& linkCount, int fontId, UINT format, POINT hover) override;
  void DrawTextEffects(CWindowManagerUI* manager, const RECT& box, LPCWSTR text, int fontId, UINT format,
                       const TextEffects& effects) override;

 private:
  cairo_t* m_dc;
  std::vector<std::unique_ptr<CRenderClip>> m_clips;
};

}  // namespace SkinUI
