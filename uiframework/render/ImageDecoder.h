// IImageDecoderUI: how the control library gets images without drawing
// them: a named image decoded to premultiplied pixels, and an image
// description parsed and loaded through a window's image tables. The
// render engine implements it (CRenderEngineUI); start-up installs it with
// InstallRenderServices, tests install the engine or a fake.
#pragma once

#include "platform/Types.h"
#include "uiframework/render/AnimatedImage.h"
#include "uiframework/render/ImageDrawSpec.h"
#include "uiframework/render/ImageEntry.h"

#include <memory>

namespace SkinUI {

class CWindowManagerUI;

class IImageDecoderUI {
 public:
  virtual ~IImageDecoderUI() = default;

  // The image name is an archive entry or file (type null or empty), a
  // module resource of type (a numeric id through MAKEINTRESOURCEW), or a
  // colour ("#" optional) with the type "*COLOR*". Null when it cannot be
  // read or decoded.
  virtual std::unique_ptr<ImageEntry> LoadImage(LPCWSTR name, LPCWSTR type, DWORD mask) = 0;
  // Parses drawSpec.description and loads its image through the manager's
  // image tables, once: a failed load is remembered and not retried until
  // the description changes. False when the description is empty, the
  // manager is null or the image cannot be loaded.
  virtual bool LoadImageSpec(CWindowManagerUI* manager, ImageDrawSpec& drawSpec) = 0;
  // Every frame of the named image (an archive entry or file; a still
  // image gives one frame), within maxBytes of decoded pixels and
  // kMaxAnimationFrames frames.
  virtual AnimationStatus LoadAnimation(LPCWSTR name, size_t maxBytes, AnimatedImage& animation) = 0;
};

}  // namespace SkinUI
