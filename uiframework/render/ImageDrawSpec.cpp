#include "uiframework/render/ImageDrawSpec.h"

namespace SkinUI {

namespace {
ImageSpecLoaderFn g_loader = nullptr;
}

void SetImageSpecLoader(ImageSpecLoaderFn loader) { g_loader = loader; }

bool LoadImageSpec(CWindowManagerUI* manager, ImageDrawSpec& spec) {
  if (g_loader == nullptr || spec.description.IsEmpty()) return false;
  return g_loader(manager, spec);
}

}  // namespace SkinUI
