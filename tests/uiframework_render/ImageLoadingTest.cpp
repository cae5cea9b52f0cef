// Loading images: files under the resource path, plain paths, colours,
// conversion to premultiplied pixels and colour keys.
#include "tests/uiframework_render/SkinFolderTest.h"
#include "platform/Resources.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/render/RenderEngine.h"
#include "uiframework/render/Renderer.h"

#include <gtest/gtest.h>

#include <memory>

using namespace SkinUI;

namespace {

using RenderImageLoading = SkinFolderTest;

using Entry = std::unique_ptr<ImageEntry, void (*)(ImageEntry*)>;
Entry Load(LPCWSTR name, LPCWSTR type = nullptr, DWORD mask = 0) {
  return Entry(CRenderer::LoadImage(name, type, mask), &CRenderer::FreeImage);
}

TEST_F(RenderImageLoading, PremultipliesTranslucentPixelsAndCopiesOpaqueOnes) {
  WritePng("px.png", 2, 1, {200, 100, 50, 128, 10, 20, 30, 255});
  Entry image = Load(L"px.png");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width, 2);
  EXPECT_EQ(image->height, 1);
  // blue 25, green 50, red 100, alpha 128
  EXPECT_EQ(image->Pixels()[0], 0x80643219u);
  EXPECT_EQ(image->Pixels()[1], 0xFF0A141Eu);
  EXPECT_TRUE(image->HasAlpha());
}

TEST_F(RenderImageLoading, OpaqueImageHasNoAlphaUntilKeyed) {
  WritePng("keyed.png", 2, 1, {255, 0, 255, 255, 0, 255, 0, 255});
  Entry plain = Load(L"keyed.png");
  ASSERT_NE(plain, nullptr);
  EXPECT_FALSE(plain->HasAlpha());
  Entry keyed = Load(L"keyed.png", nullptr, 0xFFFF00FF);
  ASSERT_NE(keyed, nullptr);
  EXPECT_EQ(keyed->Pixels()[0], 0u);
  EXPECT_EQ(keyed->Pixels()[1], 0xFF00FF00u);
  EXPECT_TRUE(keyed->HasAlpha());
}

TEST_F(RenderImageLoading, FallsBackToTheNameAsAPath) {
  const std::filesystem::path elsewhere = root_.Dir("other") / "x.png";
  WriteTestFile(elsewhere, EncodePng(1, 1, {1, 2, 3, 255}));
  Entry image = Load(elsewhere.wstring().c_str());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->Pixels()[0], 0xFF010203u);
}

TEST_F(RenderImageLoading, ColoursAreOnePixel) {
  Entry red = Load(L"#80FF0000", L"*COLOR*");
  ASSERT_NE(red, nullptr);
  EXPECT_EQ(red->width, 1);
  EXPECT_EQ(red->height, 1);
  EXPECT_EQ(red->Pixels()[0], 0x80800000u);
  EXPECT_TRUE(red->HasAlpha());
  Entry opaque = Load(L"FF00FF00", L"*COLOR*");
  ASSERT_NE(opaque, nullptr);
  EXPECT_EQ(opaque->Pixels()[0], 0xFF00FF00u);
  EXPECT_FALSE(opaque->HasAlpha());
}

TEST_F(RenderImageLoading, MissingEmptyAndUndecodableFilesGiveNull) {
  EXPECT_EQ(Load(L"missing.png"), nullptr);
  WriteTestFile(dir_ / "empty.png", "");
  EXPECT_EQ(Load(L"empty.png"), nullptr);
  WriteTestFile(dir_ / "junk.png", "this is not an image at all");
  EXPECT_EQ(Load(L"junk.png"), nullptr);
  // A short file whose header is cut.
  WriteTestFile(dir_ / "head.png", EncodePng(8, 8, std::vector<unsigned char>(8 * 8 * 4, 77)).substr(0, 20));
  EXPECT_EQ(Load(L"head.png"), nullptr);
  EXPECT_EQ(Load(L"nothing", L"PNG"), nullptr);
}

TEST_F(RenderImageLoading, ModuleResourcesByNumericIdAndType) {
  static const std::string png = EncodePng(1, 1, {9, 8, 7, 255});
  RegisterModuleResource(L"PNG", MAKEINTRESOURCEW(555), png.data(), png.size());
  Entry direct = Load(MAKEINTRESOURCEW(555), L"PNG");
  ASSERT_NE(direct, nullptr);
  EXPECT_EQ(direct->Pixels()[0], 0xFF090807u);
  EXPECT_EQ(Load(MAKEINTRESOURCEW(556), L"PNG"), nullptr);

  CRenderEngineUI engine;
  CScopedRenderServicesUI installed(engine.Services());
  CWindowManagerUI manager;
  ImageDrawSpec drawSpec;
  drawSpec.description = L"res='555' restype='PNG'";
  EXPECT_TRUE(LoadImageSpec(&manager, drawSpec));
}

TEST_F(RenderImageLoading, ManagerTablesGetImagesThroughTheInstalledEngine) {
  WritePng("t.png", 3, 2, std::vector<unsigned char>(3 * 2 * 4, 255));
  CWindowManagerUI manager;
  // Nothing decodes before an engine is installed; a failed add is retried.
  EXPECT_EQ(manager.GetOrAddImage(L"t.png"), nullptr);
  CRenderEngineUI engine;
  CScopedRenderServicesUI installed(engine.Services());
  const ImageEntry* image = manager.GetOrAddImage(L"t.png");
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width, 3);
  EXPECT_EQ(manager.GetOrAddImage(L"t.png"), image);
  // A colour whose text starts with a digit still loads as a colour.
  ImageDrawSpec drawSpec;
  drawSpec.description = L"color='80FF0000'";
  EXPECT_TRUE(LoadImageSpec(&manager, drawSpec));
  ASSERT_NE(drawSpec.image, nullptr);
  EXPECT_EQ(drawSpec.image->Pixels()[0], 0x80800000u);
}

}  // namespace
