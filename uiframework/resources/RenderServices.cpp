#include "uiframework/resources/RenderServices.h"

#include <atomic>

namespace SkinUI {

namespace {

// Windows may run on several threads; installation happens before they
// start, and the atomics keep a late one well defined.
std::atomic<IImageDecoderUI*> g_imageDecoder{nullptr};
std::atomic<ITextMeasurerUI*> g_textMeasurer{nullptr};

}  // namespace

void InstallRenderServices(const RenderServicesUI& services) {
  g_imageDecoder.store(services.imageDecoder);
  g_textMeasurer.store(services.textMeasurer);
}

RenderServicesUI GetRenderServices() { return RenderServicesUI{g_imageDecoder.load(), g_textMeasurer.load()}; }

std::unique_ptr<ImageEntry> LoadImage(LPCWSTR name, LPCWSTR type, DWORD mask) {
  IImageDecoderUI* decoder = g_imageDecoder.load();
  return decoder == nullptr ? nullptr : decoder->LoadImage(name, type, mask);
}

bool LoadImageSpec(CWindowManagerUI* manager, ImageDrawSpec& drawSpec) {
  IImageDecoderUI* decoder = g_imageDecoder.load();
  return decoder != nullptr && decoder->LoadImageSpec(manager, drawSpec);
}

AnimationStatus LoadAnimation(LPCWSTR name, size_t maxBytes, AnimatedImage& animation) {
  animation = AnimatedImage();
  IImageDecoderUI* decoder = g_imageDecoder.load();
  return decoder == nullptr ? AnimationStatus::Unreadable : decoder->LoadAnimation(name, maxBytes, animation);
}

SIZE MeasureText(CWindowManagerUI* manager, LPCWSTR text, int fontId, UINT format, SIZE box) {
  ITextMeasurerUI* measurer = g_textMeasurer.load();
  return measurer == nullptr ? SIZE{0, 0} : measurer->MeasureText(manager, text, fontId, format, box);
}

SIZE MeasureHtmlText(CWindowManagerUI* manager, LPCWSTR text, int fontId, UINT format, SIZE box) {
  ITextMeasurerUI* measurer = g_textMeasurer.load();
  return measurer == nullptr ? SIZE{0, 0} : measurer->MeasureHtmlText(manager, text, fontId, format, box);
}

}  // namespace SkinUI
