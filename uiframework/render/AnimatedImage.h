// AnimatedImage: every frame of an animated image (a GIF), decoded to
// premultiplied pixels of one size, with the delay of each frame. Decoding
// keeps to a memory budget: an image whose frames do not all fit keeps
// the leading frames that do, and says so.
#pragma once

#include "uiframework/render/ImageEntry.h"

#include <cstddef>
#include <vector>

namespace SkinUI {

// What a control may spend on one animation's decoded frames, and the
// most frames it keeps.
constexpr size_t kMaxAnimationBytes = 64u * 1024 * 1024;
constexpr int kMaxAnimationFrames = 1024;

enum class AnimationStatus {
  Loaded,       // every frame
  Cut,          // the leading frames that fit the budget or frame limit
  Unreadable,   // no bytes under that name
  Undecodable,  // not an image, a broken one, or one of no pixels
  TooLarge,     // not even one frame fits the budget
};

struct AnimatedImage {
  int width = 0;
  int height = 0;
  std::vector<ImageEntry> frames;
  // Milliseconds per frame as the file gives them (0: none given).
  std::vector<int> delays;
  // How many frames the file holds when the status is Cut (at least the
  // number kept plus one), else frames.size().
  int framesInFile = 0;
};

}  // namespace SkinUI
