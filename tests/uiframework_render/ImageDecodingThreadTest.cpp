// An image of the tables shared by every window is decoded by the first
// thread that draws it; threads drawing it at the same moment wait for that
// one decoding and all see the same pixels.
#include "tests/support/TempMachineRoot.h"
#include "tests/uiframework_render/PngWriter.h"
#include "uiframework/render/RenderEngine.h"
#include "uiframework/resources/WindowResources.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

using namespace SkinUI;

namespace {

constexpr int kThreads = 8;

// Counts its decodings and takes a while over each, so that the other
// threads ask while it runs.
class SlowCountedPixels : public IDeferredPixelsUI {
 public:
  explicit SlowCountedPixels(std::atomic<int>& decodings) : m_decodings(decodings) {}
  bool Decode(std::vector<std::uint32_t>& pixels, bool& hasAlpha) override {
    ++m_decodings;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    pixels.assign(4, 0x80402010u);
    hasAlpha = true;
    return true;
  }

 private:
  std::atomic<int>& m_decodings;
};

template <typename Each>
void OnThreadsAtOnce(Each each) {
  std::atomic<int> ready{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&] {
      ++ready;
      while (ready.load() < kThreads) std::this_thread::yield();
      each();
    });
  }
  for (std::thread& thread : threads) thread.join();
}

TEST(ImageDecodingThreads, ThreadsAskingAtOnceShareOneDecoding) {
  std::atomic<int> decodings{0};
  ImageEntry image;
  image.width = 2;
  image.height = 2;
  image.DeferPixels(std::make_unique<SlowCountedPixels>(decodings));
  std::atomic<int> right{0};
  OnThreadsAtOnce([&] {
    if (image.Pixels() == std::vector<std::uint32_t>(4, 0x80402010u) && image.HasAlpha()) ++right;
  });
  EXPECT_EQ(decodings.load(), 1);
  EXPECT_EQ(right.load(), kThreads);
  EXPECT_FALSE(image.IsDecodePending());
}

TEST(ImageDecodingThreads, WindowsOnSeveralThreadsDrawASharedImage) {
  TempMachineRoot root;
  const std::filesystem::path dir = root.Dir("skin");
  std::vector<unsigned char> rgba;
  for (int i = 0; i < 16 * 16; ++i) rgba.insert(rgba.end(), {static_cast<unsigned char>(i), 20, 30, 255});
  WriteTestFile(dir / "shared.png", EncodePng(16, 16, rgba));
  CResourceSettingsUI::ResetResourceZip();
  CResourceSettingsUI::SetResourcePath((dir.wstring() + L"/").c_str());
  CRenderEngineUI engine;
  CScopedRenderServicesUI installed(engine.Services());
  {
    CWindowResourcesUI setup;
    ASSERT_NE(setup.AddImage(L"shared.png", nullptr, 0, false, true), nullptr);
  }
  std::atomic<int> right{0};
  OnThreadsAtOnce([&] {
    CWindowResourcesUI window;
    const ImageEntry* image = window.GetOrAddImage(L"shared.png");
    if (image == nullptr || image->Pixels().size() != 256u || image->HasAlpha()) return;
    for (int i = 0; i < 256; ++i)
      if (image->Pixels()[i] != (0xFF000000u | static_cast<std::uint32_t>(i) << 16 | 20u << 8 | 30u)) return;
    ++right;
  });
  EXPECT_EQ(right.load(), kThreads);
  CWindowResourcesUI cleanup;
  cleanup.RemoveAllImages(true);
  CResourceSettingsUI::SetResourcePath(L"");
}

}  // namespace
