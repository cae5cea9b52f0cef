// Multi-frame GIF decoding: frames, delays, the memory budget and the
// frame limit, and hostile headers; still images measured before they are
// decoded.
#include "tests/support/TempMachineRoot.h"
#include "tests/uiframework_render/GifWriter.h"
#include "tests/uiframework_render/PngWriter.h"
#include "uiframework/render/RenderEngine.h"
#include "uiframework/render/StbImageDecoder.h"
#include "uiframework/resources/ResourceSettings.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstring>
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

// A 24-bit BMP of 100 bytes whose header claims width × height pixels;
// stb_image decodes what the file lacks as black, so a decoder that does
// not measure first fills the whole claimed size.
std::string BmpHeaderClaiming(int width, int height) {
  std::string bmp(100, '\0');
  auto put32 = [&](size_t at, std::uint32_t value) { std::memcpy(&bmp[at], &value, 4); };
  bmp[0] = 'B';
  bmp[1] = 'M';
  put32(2, 54u + static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(height) * 3u);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  bmp[26] = 1;   // planes
  bmp[28] = 24;  // bits a pixel
  return bmp;
}

long PeakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST(RenderStillImage, TheSizeIsReadFirstAndWhatExceedsTheBudgetIsNeverDecoded) {
  // 16384 × 16384: 1 GiB of pixels from a 100-byte file.
  const std::string huge = BmpHeaderClaiming(16384, 16384);
  const long before = PeakResidentKiB();
  AnimatedImage animation;
  EXPECT_EQ(Decode(huge, animation, 4u << 20), AnimationStatus::TooLarge);
  EXPECT_TRUE(animation.frames.empty());
  DecodedImage image;
  EXPECT_EQ(DecodeImagePixels(huge, kMaxImageBytes, 0, image), DecodeStatus::TooLarge);
  EXPECT_TRUE(image.pixels.empty());
  int width = -1, height = -1;
  EXPECT_FALSE(ReadImageSize(huge, width, height));
  EXPECT_EQ(width, 0);
  EXPECT_LT(PeakResidentKiB() - before, 64 * 1024) << "pixels were decoded before the budget was checked";

  // Exactly at the budget it decodes (black, as stb_image fills it); one
  // byte less and it is refused.
  const std::string small = BmpHeaderClaiming(64, 32);
  ASSERT_EQ(Decode(small, animation, 64 * 32 * 4), AnimationStatus::Loaded);
  EXPECT_EQ(animation.frames[0].Pixels(), std::vector<std::uint32_t>(64 * 32, 0xFF000000));
  EXPECT_EQ(Decode(small, animation, 64 * 32 * 4 - 1), AnimationStatus::TooLarge);
  ASSERT_EQ(DecodeImagePixels(small, 64 * 32 * 4, 0, image), DecodeStatus::Decoded);
  EXPECT_EQ(image.width, 64);
  EXPECT_EQ(image.height, 32);
  EXPECT_FALSE(image.hasAlpha);
  EXPECT_TRUE(ReadImageSize(small, width, height));
  EXPECT_EQ(width, 64);
  // A skin image is held to kMaxImageBytes: 4096 × 4096 is the most.
  EXPECT_TRUE(ReadImageSize(BmpHeaderClaiming(4096, 4096), width, height));
  EXPECT_FALSE(ReadImageSize(BmpHeaderClaiming(4097, 4096), width, height));
  EXPECT_EQ(DecodeImagePixels("not an image", kMaxImageBytes, 0, image), DecodeStatus::Undecodable);
  // Formats no skin holds are not read at all, however their header reads.
  EXPECT_EQ(DecodeImagePixels("P5" + std::string(120, '9') + "3", kMaxImageBytes, 0, image), DecodeStatus::Undecodable);
  EXPECT_EQ(DecodeImagePixels("P6\n2 2\n255\n" + std::string(12, '\x40'), kMaxImageBytes, 0, image),
            DecodeStatus::Undecodable);
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
