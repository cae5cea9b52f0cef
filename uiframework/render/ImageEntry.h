// ImageEntry: one skin image, owned by the image tables of the window
// resources. Pixels are 32-bit premultiplied BGRA, top-down.
//
// Decoding belongs to the installed image decoder (RenderServices.h);
// without one, adding an image fails (null) and controls paint without it.
// The decoder may give an image whose size is known (read from the file's
// header) and whose pixels are made only when something first asks for
// them: a skin names many images (hot and pushed states, windows not shown
// yet) that a start never draws, and those then cost no decoding.
#pragma once

#include "platform/Types.h"
#include "uiframework/core/UIString.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace SkinUI {

// Makes the pixels of an image whose decoding waits for its first use.
class IDeferredPixelsUI {
 public:
  virtual ~IDeferredPixelsUI() = default;
  // Fills pixels with the image's width × height premultiplied pixels and
  // hasAlpha with whether any of them is not fully opaque; false (pixels
  // left empty) when the image cannot be decoded.
  virtual bool Decode(std::vector<std::uint32_t>& pixels, bool& hasAlpha) = 0;
};

struct ImageEntry {
  ImageEntry() = default;
  ImageEntry(ImageEntry&&) = default;
  ImageEntry& operator=(ImageEntry&&) = default;

  // The pixels (width × height, or none when the image could not be
  // decoded) and whether any pixel is not fully opaque. A deferred image is
  // decoded by the first of these calls, once, on whichever thread makes
  // it; a second thread asking at the same time waits for that decoding.
  const std::vector<std::uint32_t>& Pixels() const {
    Settle();
    return m_pixels;
  }
  bool HasAlpha() const {
    Settle();
    return m_hasAlpha;
  }
  std::vector<std::uint32_t>& MutablePixels() {
    Settle();
    return m_pixels;
  }
  void SetPixels(std::vector<std::uint32_t> pixels, bool hasAlpha) {
    m_deferred.reset();
    m_pixels = std::move(pixels);
    m_hasAlpha = hasAlpha;
  }
  // Width and height must already be set; the pixels are made by source
  // when first asked for.
  void DeferPixels(std::unique_ptr<IDeferredPixelsUI> source) {
    m_pixels.clear();
    m_hasAlpha = false;
    m_deferred = std::make_unique<Deferred>();
    m_deferred->source = std::move(source);
  }
  // True while a deferred image has not been asked for its pixels yet.
  bool IsDecodePending() const { return m_deferred != nullptr && !m_deferred->done.load(std::memory_order_acquire); }

  // The unadjusted pixels, kept only for images that follow the colour
  // adjustment.
  std::vector<std::uint32_t> original;
  int width = 0;
  int height = 0;
  bool useHsl = false;
  CUIString resourceType;
  DWORD mask = 0;

 private:
  struct Deferred {
    std::once_flag once;
    std::unique_ptr<IDeferredPixelsUI> source;
    std::atomic<bool> done{false};
  };

  void Settle() const {
    if (m_deferred == nullptr) return;
    Deferred& deferred = *m_deferred;
    std::call_once(deferred.once, [this, &deferred] {
      std::vector<std::uint32_t> pixels;
      bool hasAlpha = false;
      const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
      if (deferred.source->Decode(pixels, hasAlpha) && pixels.size() == count) {
        m_pixels = std::move(pixels);
        m_hasAlpha = hasAlpha;
      }
      deferred.source.reset();
      deferred.done.store(true, std::memory_order_release);
    });
  }

  // Written once, under the deferred decoding's once flag, when deferred.
  mutable std::vector<std::uint32_t> m_pixels;
  mutable bool m_hasAlpha = false;
  std::unique_ptr<Deferred> m_deferred;
};

}  // namespace SkinUI
