// The tables shared by every window, used by windows on several threads at
// once: lookups reorder the tables, so they run under the same lock as the
// additions.
#include "uiframework/resources/RenderServices.h"
#include "uiframework/resources/WindowResources.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace SkinUI;

namespace {

// Decodes every name to one black pixel.
class TinyImageDecoder : public IImageDecoderUI {
 public:
  std::unique_ptr<ImageEntry> LoadImage(LPCWSTR, LPCWSTR, DWORD) override {
    auto entry = std::make_unique<ImageEntry>();
    entry->width = 1;
    entry->height = 1;
    entry->SetPixels(std::vector<std::uint32_t>(1, 0xFF000000u), false);
    return entry;
  }
  bool LoadImageSpec(CWindowManagerUI*, ImageDrawSpec&) override { return false; }
  AnimationStatus LoadAnimation(LPCWSTR, size_t, AnimatedImage&) override { return AnimationStatus::Unreadable; }
};

}  // namespace

TEST(SharedWindowTables, WindowsOnSeveralThreadsLookUpWhileOthersAdd) {
  TinyImageDecoder decoder;
  CScopedRenderServicesUI installed(RenderServicesUI{&decoder, nullptr});
  {
    CWindowResourcesUI setup;
    for (int i = 0; i < 16; ++i) {
      const std::wstring name = L"Class" + std::to_wstring(i);
      setup.AddDefaultAttributeList(name.c_str(), L"width=\"10\"", true);
      setup.AddImage((L"img" + std::to_wstring(i)).c_str(), nullptr, 0, false, true);
    }
  }
  std::atomic<int> misses{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &misses] {
      CWindowResourcesUI window;
      for (int round = 0; round < 300; ++round) {
        const int i = (round * 7 + t) % 16;
        if (window.GetDefaultAttributeList((L"Class" + std::to_wstring(i)).c_str()) == nullptr) ++misses;
        if (window.GetImage((L"img" + std::to_wstring(i)).c_str()) == nullptr) ++misses;
        if (window.GetFontInfo(-1) == nullptr) ++misses;
        // Each thread adds names of its own, growing the shared tables.
        const std::wstring own = L"T" + std::to_wstring(t) + L"_" + std::to_wstring(round);
        window.AddDefaultAttributeList(own.c_str(), L"height=\"4\"", true);
        window.AddImage(own.c_str(), nullptr, 0, false, true);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(misses.load(), 0);
  CWindowResourcesUI after;
  EXPECT_STREQ(after.GetDefaultAttributeList(L"T3_299"), L"height=\"4\"");
  EXPECT_NE(after.GetImage(L"T0_0"), nullptr);
  after.RemoveAllImages(true);
  after.RemoveAllDefaultAttributeLists(true);
}
