// Multi-frame GIF decoding: frames, delays, the memory budget and the
// frame limit, and hostile headers.
#include "tests/support/TempMachineRoot.h"
#include "tests/uiframework_render/GifWriter.h"
#include "tests/uiframework_render/PngWriter.h"
#include "uiframework/render/RenderEngine.h"
#include "uiframework/render/StbImageDecoder.h"
#include "uiframework/resources/ResourceSettings.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace SkinUI;

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kGreen = 0xFF00FF00;
constexpr std::uint32_t kBlue = 0xFF0000FF;

AnimationStatus Decode(const std::string& bytes, AnimatedImage& animation, size_t budget = kMaxAnimationBytes,
                       int maxFrames = kMaxAnimationFrames) {
  return DecodeAnimationBytes(bytes, budget, maxFrames, animation);
}

TEST(RenderAnimation, EveryFrameWithItsDelay) {
  const std::string gif = EncodeGif(3, 2, {SolidGifFrame(3, 2, 0, 5), SolidGifFrame(3, 2, 1, 0),
                                           SolidGifFrame(3, 2, 2, 12)});
  AnimatedImage animation;
  ASSERT_EQ(Decode(gif, animation), AnimationStatus::Loaded);
  EXPECT_EQ(animation.width, 3);
  EXPECT_EQ(animation.height, 2);
  ASSERT_EQ(animation.frames.size(), 3u);
  EXPECT_EQ(animation.delays, (std::vector<int>{50, 0, 120}));
  EXPECT_EQ(animation.framesInFile, 3);
  EXPECT_EQ(animation.frames[0].Pixels(), std::vector<std::uint32_t>(6, kRed));
  EXPECT_EQ(animation.frames[1].Pixels(), std::vector<std::uint32_t>(6, kGreen));
  EXPECT_EQ(animation.frames[2].Pixels(), std::vector<std::uint32_t>(6, kBlue));
  EXPECT_EQ(animation.frames[2].width, 3);
  // Pixel by pixel, not only solid frames.
  GifFrame mixed;
  mixed.indices = {0, 1, 2, 3};
  ASSERT_EQ(Decode(EncodeGif(2, 2, {mixed}), animation), AnimationStatus::Loaded);
  EXPECT_EQ(animation.frames[0].Pixels(), (std::vector<std::uint32_t>{kRed, kGreen, kBlue, 0xFFFFFFFF}));
}

TEST(RenderAnimation, AStillImageIsOneFrame) {
  AnimatedImage animation;
  ASSERT_EQ(Decode(EncodePng(2, 1, {255, 0, 0, 255, 0, 0, 255, 255}), animation), AnimationStatus::Loaded);
  ASSERT_EQ(animation.frames.size(), 1u);
  EXPECT_EQ(animation.delays, (std::vector<int>{0}));
  EXPECT_EQ(animation.frames[0].Pixels(), (std::vector<std::uint32_t>{kRed, kBlue}));
}

TEST(RenderAnimation, TheBudgetKeepsTheLeadingFramesThatFit) {
  // 10 × 10 frames: 400 bytes each, working buffers 1700 bytes.
  std::vector<GifFrame> frames;
  for (int i = 0; i < 10; ++i) frames.push_back(SolidGifFrame(10, 10, static_cast<std::uint8_t>(i % 3), 10));
  const std::string gif = EncodeGif(10, 10, frames);
  AnimatedImage animation;
  ASSERT_EQ(Decode(gif, animation, 1700 + 4 * 400), AnimationStatus::Cut);
  EXPECT_EQ(animation.frames.size(), 4u);
  EXPECT_EQ(animation.delays.size(), 4u);
  EXPECT_EQ(animation.framesInFile, 5);
  EXPECT_EQ(animation.frames[3].Pixels()[0], kRed);  // frame 3 is colour 0
  // Not even one frame: too large, nothing kept.
  EXPECT_EQ(Decode(gif, animation, 1700 + 399), AnimationStatus::TooLarge);
  EXPECT_TRUE(animation.frames.empty());
  // The frame limit.
  ASSERT_EQ(Decode(gif, animation, kMaxAnimationBytes, 3), AnimationStatus::Cut);
  EXPECT_EQ(animation.frames.size(), 3u);
}

TEST(RenderAnimation, FiveThousandFramesStopAtTheFrameLimit) {
  std::vector<GifFrame> frames(5000, SolidGifFrame(2, 2, 1, 1));
  AnimatedImage animation;
  ASSERT_EQ(Decode(EncodeGif(2, 2, frames), animation), AnimationStatus::Cut);
  EXPECT_EQ(animation.frames.size(), static_cast<size_t>(kMaxAnimationFrames));
}

TEST(RenderAnimation, HostileHeadersAreRefusedBeforeAnyAllocation) {
  AnimatedImage animation;
  EXPECT_EQ(Decode(EncodeGif(0, 0, {}), animation), AnimationStatus::Undecodable);
  EXPECT_EQ(Decode(EncodeGif(0, 5, {SolidGifFrame(0, 5, 0, 1)}), animation), AnimationStatus::Undecodable);
  // 30 000 × 30 000 would be 3.6 GB a frame.
  EXPECT_EQ(Decode(EncodeGif(30000, 30000, {SolidGifFrame(1, 1, 0, 1)}), animation), AnimationStatus::TooLarge);
  EXPECT_TRUE(animation.frames.empty());
  EXPECT_EQ(Decode("GIF89a", animation), AnimationStatus::Undecodable);
  EXPECT_EQ(Decode("", animation), AnimationStatus::Undecodable);
  EXPECT_EQ(Decode("not an image at all", animation), AnimationStatus::Undecodable);
  // A stream cut in its second frame keeps the first.
  const std::string one = EncodeGif(4, 4, {SolidGifFrame(4, 4, 0, 3)});
  std::string cut = EncodeGif(4, 4, {SolidGifFrame(4, 4, 0, 3), SolidGifFrame(4, 4, 1, 3)});
  cut.resize(one.size() - 1 + 5);  // into the second frame's control block
  ASSERT_NE(Decode(cut, animation), AnimationStatus::Undecodable);
  EXPECT_EQ(animation.frames.size(), 1u);
}

TEST(RenderAnimation, TheEngineReadsSkinFilesAndSaysWhatIsMissing) {
  TempMachineRoot root;
  const std::filesystem::path dir = root.Dir("skin");
  WriteTestFile(dir / "spin.gif", EncodeGif(2, 2, {SolidGifFrame(2, 2, 0, 4), SolidGifFrame(2, 2, 2, 4)}));
  CResourceSettingsUI::SetResourcePath((dir.wstring() + L"/").c_str());
  CRenderEngineUI engine;
  CScopedRenderServicesUI installed(engine.Services());
  AnimatedImage animation;
  EXPECT_EQ(LoadAnimation(L"spin.gif", kMaxAnimationBytes, animation), AnimationStatus::Loaded);
  EXPECT_EQ(animation.frames.size(), 2u);
  EXPECT_EQ(LoadAnimation(L"missing.gif", kMaxAnimationBytes, animation), AnimationStatus::Unreadable);
  EXPECT_EQ(LoadAnimation(L"", kMaxAnimationBytes, animation), AnimationStatus::Unreadable);
  CResourceSettingsUI::SetResourcePath(L"");
}

}  // namespace
