#include "uiframework/render/ImageDrawSpec.h"

namespace SkinUI {

namespace {
ImageSpecLoaderFn g_loader = nullptr;
}

void SetImageSpecLoader(ImageSpecLoaderFn loader) { g_loader = loader; }

bool LoadImageSpec(CWindowManagerUI* manager, ImageDrawSpec& drawSpec) {
  if (g_loader == nullptr || drawSpec.description.IsEmpty()) return false;
  return g_loader(manager, drawSpec);
}

}  // namespace SkinUI
