// The render engine's services that the control library uses without a
// paint surface: decoding images and measuring text. Start-up installs
// them once, before the first window is built; tests install the engine
// or fakes in their set-up. Nothing is installed until someone does:
// images then fail to load and text measures as empty.
#pragma once

#include "uiframework/render/ImageDecoder.h"
#include "uiframework/render/TextMeasurer.h"

#include <memory>

namespace SkinUI {

struct RenderServicesUI {
  IImageDecoderUI* imageDecoder = nullptr;
  ITextMeasurerUI* textMeasurer = nullptr;
};

// Replaces the process-wide services (not owned; they must outlive every
// window that uses them). Installing empty services removes them.
void InstallRenderServices(const RenderServicesUI& services);
RenderServicesUI GetRenderServices();

// Installs services for its own lifetime and puts back the ones installed
// before it when it goes.
class CScopedRenderServicesUI {
 public:
  explicit CScopedRenderServicesUI(const RenderServicesUI& services) : m_previous(GetRenderServices()) {
    InstallRenderServices(services);
  }
  ~CScopedRenderServicesUI() { InstallRenderServices(m_previous); }
  CScopedRenderServicesUI(const CScopedRenderServicesUI&) = delete;
  CScopedRenderServicesUI& operator=(const CScopedRenderServicesUI&) = delete;

 private:
  RenderServicesUI m_previous;
};

// Through the installed decoder: false (or null) without one.
std::unique_ptr<ImageEntry> LoadImage(LPCWSTR name, LPCWSTR type = nullptr, DWORD mask = 0);
bool LoadImageSpec(CWindowManagerUI* manager, ImageDrawSpec& drawSpec);
AnimationStatus LoadAnimation(LPCWSTR name, size_t maxBytes, AnimatedImage& animation);
// Through the installed measurer: {0, 0} without one.
SIZE MeasureText(CWindowManagerUI* manager, LPCWSTR text, int fontId, UINT format, SIZE box);
SIZE MeasureHtmlText(CWindowManagerUI* manager, LPCWSTR text, int fontId, UINT format, SIZE box);

}  // namespace SkinUI
