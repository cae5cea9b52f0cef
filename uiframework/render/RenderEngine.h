// CRenderEngineUI: the render engine's image decoder and text measurer
// over stb_image and pango, as one object that start-up (and tests) create
// and install with InstallRenderServices. Paint surfaces over cairo are
// CCairoPaintSurfaceUI; both use the same text engine, so text is measured
// the way it is drawn.
#pragma once

#include "uiframework/render/ImageDecoder.h"
#include "uiframework/render/TextMeasurer.h"
#include "uiframework/resources/RenderServices.h"

namespace SkinUI {

class CRenderEngineUI : public IImageDecoderUI, public ITextMeasurerUI {
 public:
  // The services as InstallRenderServices takes them.
  RenderServicesUI Services() { return RenderServicesUI{this, this}; }

  std::unique_ptr<ImageEntry> LoadImage(LPCWSTR name, LPCWSTR type, DWORD mask) override;
  bool LoadImageSpec(CWindowManagerUI* manager, ImageDrawSpec& drawSpec) override;
  AnimationStatus LoadAnimation(LPCWSTR name, size_t maxBytes, AnimatedImage& animation) override;

  SIZE MeasureText(CWindowManagerUI* manager, LPCWSTR text, int fontId, UINT format, SIZE box) override;
  SIZE MeasureHtmlText(CWindowManagerUI* manager, LPCWSTR text, int fontId, UINT format, SIZE box) override;
};

}  // namespace SkinUI
