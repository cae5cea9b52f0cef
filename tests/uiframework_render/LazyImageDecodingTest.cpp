// Images are decoded when first drawn: loading reads the file and its size
// only, states and images never drawn are never decoded, and the pixels
// drawn are exactly those a decoding at load time gave.
#include "tests/uiframework_render/SkinFolderTest.h"
#include "tests/uiframework_render/TestCanvas.h"
#include "uiframework/controls/ButtonUI.h"
#include "uiframework/layout/VerticalLayoutUI.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/render/CairoPaintSurface.h"
#include "uiframework/render/PixelConversion.h"
#include "uiframework/render/RenderEngine.h"
#include "uiframework/render/Renderer.h"
#include "uiframework/render/StbImageDecoder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace SkinUI;

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFF;

// 3 × 2, row by row (RGBA): opaque red, half-transparent green, fully
// transparent blue; opaque magenta, quarter-transparent grey, opaque black.
const std::vector<unsigned char> kRgba = {255, 0,   0,   255, 0,   200, 0,   128, 0, 0, 255, 0,
                                          255, 0,   255, 255, 100, 100, 100, 64,  0, 0, 0,   255};
// The same pixels premultiplied, as 0xAARRGGBB.
const std::uint32_t kPremultiplied[6] = {0xFFFF0000, 0x80006400, 0x00000000,
                                         0xFFFF00FF, 0x40191919, 0xFF000000};

class RenderLazyDecoding : public SkinFolderTest {
 protected:
  CRenderEngineUI engine_;
  CScopedRenderServicesUI installed_{engine_.Services()};
};

TEST_F(RenderLazyDecoding, LoadingGivesTheSizeAndLeavesThePixelsForTheFirstUse) {
  WritePng("six.png", 3, 2, kRgba);
  std::unique_ptr<ImageEntry> image(CRenderer::LoadImage(L"six.png"));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width, 3);
  EXPECT_EQ(image->height, 2);
  EXPECT_TRUE(image->IsDecodePending());
  ASSERT_EQ(image->Pixels().size(), 6u);
  EXPECT_FALSE(image->IsDecodePending());
  for (int i = 0; i < 6; ++i) EXPECT_EQ(image->Pixels()[i], kPremultiplied[i]) << "pixel " << i;
  EXPECT_TRUE(image->HasAlpha());
}

TEST_F(RenderLazyDecoding, PixelsEqualThoseOfDecodingAtOnceWithAndWithoutAColourKey) {
  const std::string png = WritePng("six.png", 3, 2, kRgba);
  for (DWORD mask : {0u, 0xFFFF00FFu, 0xFF000000u}) {
    DecodedImage eager;
    ASSERT_EQ(DecodeImagePixels(png, kMaxImageBytes, mask, eager), DecodeStatus::Decoded);
    EXPECT_EQ(eager.width, 3);
    EXPECT_EQ(eager.height, 2);
    std::unique_ptr<ImageEntry> lazy(CRenderer::LoadImage(L"six.png", nullptr, mask));
    ASSERT_NE(lazy, nullptr);
    EXPECT_EQ(lazy->Pixels(), eager.pixels) << "mask " << mask;
    EXPECT_EQ(lazy->HasAlpha(), eager.hasAlpha);
  }
  // Opaque and unkeyed: no alpha, so drawing copies instead of blending.
  WritePng("opaque.png", 2, 1, {1, 2, 3, 255, 4, 5, 6, 255});
  std::unique_ptr<ImageEntry> opaque(CRenderer::LoadImage(L"opaque.png"));
  ASSERT_NE(opaque, nullptr);
  EXPECT_FALSE(opaque->HasAlpha());
  EXPECT_EQ(opaque->Pixels(), (std::vector<std::uint32_t>{0xFF010203, 0xFF040506}));
}

TEST_F(RenderLazyDecoding, TheFirstDrawDecodesAndPutsTheExactPixelsDown) {
  WritePng("six.png", 3, 2, kRgba);
  CWindowManagerUI manager;
  ImageDrawSpec drawSpec;
  drawSpec.description = L"file='six.png' dest='1,1,4,3'";
  // Loading the description (as setting an attribute does) reads the size.
  ASSERT_TRUE(CRenderer::DrawImage(nullptr, &manager, RECT{0, 0, 5, 4}, RECT{0, 0, 5, 4}, drawSpec));
  ASSERT_NE(drawSpec.image, nullptr);
  EXPECT_EQ(drawSpec.source, (RECT{0, 0, 3, 2}));
  EXPECT_TRUE(drawSpec.image->IsDecodePending());

  TestCanvas canvas(5, 4, 0);
  EXPECT_TRUE(CRenderer::DrawImage(canvas.dc(), &manager, RECT{0, 0, 5, 4}, RECT{0, 0, 5, 4}, drawSpec));
  EXPECT_FALSE(drawSpec.image->IsDecodePending());
  EXPECT_EQ(canvas.ChangedBox(0), (RECT{1, 1, 4, 3}));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(canvas.Pixel(1 + x, 1 + y), kPremultiplied[y * 3 + x]) << x << "," << y;
}

TEST_F(RenderLazyDecoding, AnImageOutsideThePaintedPartIsNotDecoded) {
  WritePng("six.png", 3, 2, kRgba);
  CWindowManagerUI manager;
  ImageDrawSpec drawSpec;
  drawSpec.description = L"six.png";
  TestCanvas canvas(20, 20, kWhite);
  EXPECT_TRUE(CRenderer::DrawImage(canvas.dc(), &manager, RECT{0, 0, 6, 4}, RECT{10, 10, 20, 20}, drawSpec));
  ASSERT_NE(drawSpec.image, nullptr);
  EXPECT_TRUE(drawSpec.image->IsDecodePending());
  EXPECT_EQ(canvas.ChangedBox(kWhite), RECT{});
}

TEST_F(RenderLazyDecoding, ButtonStatesThatAreNotDrawnAreNeverDecoded) {
  WritePng("nor.png", 2, 2, std::vector<unsigned char>(16, 200));
  WritePng("hot.png", 2, 2, std::vector<unsigned char>(16, 100));
  WritePng("push.png", 2, 2, std::vector<unsigned char>(16, 50));
  WritePng("mark.png", 7, 5, std::vector<unsigned char>(7 * 5 * 4, 255));
  CWindowManagerUI manager;
  auto* root = new CVerticalLayoutUI;
  auto* button = new CButtonUI;
  auto* mark = new CControlUI;
  root->Add(button);
  root->Add(mark);
  manager.AttachRoot(root);
  // Set as the markup sets them: in the window, each loaded at once.
  button->SetAttribute(L"height", L"20");
  button->SetAttribute(L"normalimage", L"nor.png");
  button->SetAttribute(L"hotimage", L"hot.png");
  button->SetAttribute(L"pushedimage", L"push.png");
  // A floating control takes its image's size: the header tells it.
  mark->SetAttribute(L"float", L"true");
  mark->SetAttribute(L"pos", L"30,0,0,0");
  mark->SetAttribute(L"bkimage", L"mark.png");
  EXPECT_EQ(mark->GetFixedWidth(), 7);
  EXPECT_EQ(mark->GetFixedHeight(), 5);
  EXPECT_TRUE(manager.GetImage(L"mark.png")->IsDecodePending());
  root->SetPos(RECT{0, 0, 40, 40});

  TestCanvas canvas(40, 40, kWhite);
  {
    CCairoPaintSurfaceUI surface(canvas.dc());
    root->Paint(&surface, RECT{0, 0, 40, 40}, nullptr);
  }
  ASSERT_NE(manager.GetImage(L"nor.png"), nullptr);
  EXPECT_FALSE(manager.GetImage(L"nor.png")->IsDecodePending());
  EXPECT_FALSE(manager.GetImage(L"mark.png")->IsDecodePending());
  for (LPCWSTR state : {L"hot.png", L"push.png"}) {
    ASSERT_NE(manager.GetImage(state), nullptr) << state;
    EXPECT_TRUE(manager.GetImage(state)->IsDecodePending()) << state;
  }
  // The normal state (all channels 200, alpha 200) over white.
  EXPECT_LE(ChannelDistance(canvas.Pixel(5, 5), 0xFFD3D3D3), 1);
}

TEST_F(RenderLazyDecoding, AFileThatBreaksAfterItsHeaderLoadsButDrawsNothing) {
  std::string truncated = EncodePng(8, 8, std::vector<unsigned char>(8 * 8 * 4, 77));
  truncated.resize(truncated.size() / 2);
  WriteTestFile(dir_ / "cut.png", truncated);
  CWindowManagerUI manager;
  ImageDrawSpec drawSpec;
  drawSpec.description = L"cut.png";
  TestCanvas canvas(10, 10, kWhite);
  EXPECT_FALSE(CRenderer::DrawImage(canvas.dc(), &manager, RECT{0, 0, 10, 10}, RECT{0, 0, 10, 10}, drawSpec));
  ASSERT_NE(drawSpec.image, nullptr);
  EXPECT_EQ(drawSpec.image->width, 8);
  EXPECT_TRUE(drawSpec.image->Pixels().empty());
  EXPECT_EQ(canvas.ChangedBox(kWhite), RECT{});
  // Nor does the drawing core draw it directly.
  CRenderer::DrawImageRect(canvas.dc(), *drawSpec.image, RECT{0, 0, 10, 10}, RECT{0, 0, 10, 10}, RECT{}, RECT{},
                           false, 255, false, false, false);
  EXPECT_EQ(canvas.ChangedBox(kWhite), RECT{});
}

}  // namespace
