// Fuzz target: multi-frame GIF decoding (and still images through the same
// entry) under a small memory budget and frame limit.
#include "uiframework/render/StbImageDecoder.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kBudget = 4u * 1024 * 1024;
  constexpr int kFrames = 64;
  SkinUI::AnimatedImage animation;
  const SkinUI::AnimationStatus status =
      SkinUI::DecodeAnimationBytes(std::string(reinterpret_cast<const char*>(data), size), kBudget, kFrames, animation);
  const bool kept = status == SkinUI::AnimationStatus::Loaded || status == SkinUI::AnimationStatus::Cut;
  if (kept != !animation.frames.empty()) __builtin_trap();
  if (animation.frames.size() > static_cast<std::size_t>(kFrames)) __builtin_trap();
  if (animation.delays.size() != animation.frames.size()) __builtin_trap();
  std::size_t bytes = 0;
  for (const SkinUI::ImageEntry& frame : animation.frames) {
    // Every frame has the screen's size and exactly its pixels.
    if (frame.width != animation.width || frame.height != animation.height) __builtin_trap();
    if (frame.Pixels().size() != static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height))
      __builtin_trap();
    bytes += frame.Pixels().size() * 4;
  }
  if (bytes > kBudget) __builtin_trap();
  return 0;
}
