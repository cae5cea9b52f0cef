// CRenderClip: a clip applied to a drawing target for the lifetime of the
// object. It saves the target's state when applied and restores it when
// released, so clips nest like a stack.
#pragma once

#include "uiframework/core/UIGeometry.h"

typedef struct _cairo cairo_t;

namespace SkinUI {

class CRenderClip {
 public:
  CRenderClip() = default;
  ~CRenderClip();
  CRenderClip(const CRenderClip&) = delete;
  CRenderClip& operator=(const CRenderClip&) = delete;

  // Narrows the target's clip to rect, rounded with the given ellipse
  // size when roundX or roundY is positive (round corners over item).
  void Apply(cairo_t* dc, const RECT& rect, const RECT& item, int roundX, int roundY);
  // Switch between the clip in force before Apply and the narrowed one.
  void UseOuterClip();
  void UseInnerClip();
  // Restores the clip in force before Apply; released clips do nothing.
  void Release();

 private:
  void ClipInner();

  cairo_t* m_dc = nullptr;
  RECT m_rect;
  RECT m_item;
  int m_roundX = 0;
  int m_roundY = 0;
};

}  // namespace SkinUI
