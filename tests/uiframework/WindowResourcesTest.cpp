// Per-window and shared resource tables, fonts and the process-wide
// settings.
#include "platform/Resources.h"
#include "uiframework/resources/RenderServices.h"
#include "uiframework/resources/WindowResources.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

using namespace SkinUI;

namespace {

int g_loads = 0;
// A stand-in decoder: names starting with "ok" decode to a 2x3 image.
// Decodes names that start with "ok" to a 2 × 3 image, counting calls.
class FakeDecoder : public IImageDecoderUI {
 public:
  std::unique_ptr<ImageEntry> LoadImage(LPCWSTR name, LPCWSTR, DWORD) override {
    ++g_loads;
    if (IS_INTRESOURCE(name) || std::wstring(name).rfind(L"ok", 0) != 0) return nullptr;
    auto entry = std::make_unique<ImageEntry>();
    entry->width = 2;
    entry->height = 3;
    entry->SetPixels(std::vector<std::uint32_t>(6, 0xFF112233u), false);
    return entry;
  }
  bool LoadImageSpec(CWindowManagerUI*, ImageDrawSpec&) override { return false; }
  AnimationStatus LoadAnimation(LPCWSTR, size_t, AnimatedImage&) override { return AnimationStatus::Unreadable; }
};

}  // namespace

TEST(WindowFonts, LookupFallsBackFromWindowToSharedToDefault) {
  CWindowResourcesUI a, b;
  HFONT sharedDefault = a.GetFont(-1);
  ASSERT_NE(sharedDefault, nullptr);
  EXPECT_EQ(a.GetFont(4711), sharedDefault);
  EXPECT_EQ(a.GetDefaultFontInfo()->faceName, kDefaultFontFace);

  HFONT shared = a.AddFont(101, L"WenQuanYi Micro Hei", 14, true, false, false, false, true);
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(b.GetFont(101), shared);
  HFONT own = b.AddFont(101, L"WenQuanYi Micro Hei", 18, false, false, false, false);
  EXPECT_EQ(b.GetFont(101), own);
  EXPECT_EQ(a.GetFont(101), shared);

  ASSERT_TRUE(b.SetDefaultFont(L"WenQuanYi Micro Hei", 20, false, false, false, false));
  EXPECT_EQ(b.GetFont(-1), b.GetDefaultFontInfo()->font);
  EXPECT_EQ(b.GetFont(99999), b.GetDefaultFontInfo()->font);
  EXPECT_EQ(b.GetDefaultFontInfo()->size, 20);
  EXPECT_EQ(a.GetFont(-1), sharedDefault);

  EXPECT_EQ(a.FindFont(L"WenQuanYi Micro Hei", 14, true, false, false, false), shared);
  EXPECT_EQ(a.FindFont(L"wenquanyi micro hei", 14, true, false, false, false), nullptr);
  EXPECT_EQ(a.FindFont(L"WenQuanYi Micro Hei", 14, false, false, false, false), nullptr);
  EXPECT_EQ(a.GetFontInfo(shared)->size, 14);
  EXPECT_TRUE(a.GetFontInfo(shared)->bold);
  a.RemoveAllFonts(true);
}

TEST(WindowFonts, ReplacedFontsStayUsableUntilTheWindowGoes) {
  CWindowResourcesUI window;
  HFONT first = window.AddFont(1, L"WenQuanYi Micro Hei", 12, false, false, false, false);
  HFONT second = window.AddFont(1, L"WenQuanYi Micro Hei", 16, false, false, false, false);
  ASSERT_NE(first, second);
  EXPECT_EQ(window.GetFont(1), second);
  // Something drawn earlier may still hold the first font.
  EXPECT_GT(first->GetMetrics().height, 0);
  window.RemoveAllFonts();
  EXPECT_GT(second->GetMetrics().height, 0);
  EXPECT_EQ(window.GetFont(1), window.GetFont(-1));
  EXPECT_EQ(window.AddFont(2, L"", 12, false, false, false, false), nullptr);
  EXPECT_EQ(window.AddFont(2, L"WenQuanYi Micro Hei", 0, false, false, false, false), nullptr);
}

TEST(WindowFonts, MetricsGrowWithThePixelHeight) {
  CWindowResourcesUI window;
  window.AddFont(1, L"WenQuanYi Micro Hei", 12, false, false, false, false);
  window.AddFont(2, L"WenQuanYi Micro Hei", 24, true, false, false, false);
  const FontEntry* small = window.GetFontInfo(1);
  const FontEntry* large = window.GetFontInfo(2);
  ASSERT_TRUE(small->metricsValid);
  EXPECT_GE(small->metrics.height, 12);
  EXPECT_GT(large->metrics.height, small->metrics.height);
  EXPECT_GT(small->metrics.aveCharWidth, 0);
  EXPECT_GE(small->metrics.maxCharWidth, small->metrics.aveCharWidth);
  EXPECT_GE(small->metrics.externalLeading, 0);
}

TEST(WindowImages, FailedLoadsStoreNothingAndAreRetried) {
  FakeDecoder decoder;
  auto installed = std::make_unique<CScopedRenderServicesUI>(RenderServicesUI{&decoder, nullptr});
  CWindowResourcesUI window;
  g_loads = 0;
  EXPECT_EQ(window.GetOrAddImage(L"bad.png"), nullptr);
  EXPECT_EQ(window.GetOrAddImage(L"bad.png"), nullptr);
  EXPECT_EQ(g_loads, 2);
  EXPECT_EQ(window.AddImage(L""), nullptr);
  const ImageEntry* image = window.GetOrAddImage(L"ok.png", nullptr, 0xFFFF00FF, true);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(window.GetOrAddImage(L"ok.png"), image);
  EXPECT_EQ(g_loads, 3);
  EXPECT_EQ(image->mask, 0xFFFF00FFu);
  EXPECT_EQ(image->original, image->Pixels());
  // Numeric names with a resource type are resource ids.
  EXPECT_EQ(window.AddImage(L"123", L"PNG"), nullptr);

  const ImageEntry* replacement = window.AddImage(L"ok.png");
  EXPECT_NE(replacement, image);
  EXPECT_EQ(image->width, 2);  // still alive for anyone holding it
  CWindowResourcesUI other;
  EXPECT_EQ(other.GetImage(L"ok.png"), nullptr);
  const ImageEntry* shared = window.AddImage(L"ok-shared.png", nullptr, 0, false, true);
  EXPECT_EQ(other.GetImage(L"ok-shared.png"), shared);
  window.RemoveAllImages(true);
  installed.reset();
  EXPECT_EQ(window.AddImage(L"ok-new.png"), nullptr);
}

TEST(WindowTables, DefaultAttributeListsAndAllSharedMode) {
  CWindowResourcesUI a, b;
  a.AddDefaultAttributeList(L"Button", L"height=\"30\"");
  EXPECT_STREQ(a.GetDefaultAttributeList(L"Button"), L"height=\"30\"");
  EXPECT_EQ(b.GetDefaultAttributeList(L"Button"), nullptr);
  b.SetAllResourcesShared(true);
  b.AddDefaultAttributeList(L"Button", L"width=\"5\"");
  b.SetAllResourcesShared(false);
  EXPECT_STREQ(a.GetDefaultAttributeList(L"Button"), L"height=\"30\"");
  EXPECT_STREQ(b.GetDefaultAttributeList(L"Button"), L"width=\"5\"");
  a.RemoveAllDefaultAttributeLists();
  EXPECT_STREQ(a.GetDefaultAttributeList(L"Button"), L"width=\"5\"");
  a.RemoveAllDefaultAttributeLists(true);
  EXPECT_EQ(b.GetDefaultAttributeList(L"Button"), nullptr);
}

TEST(WindowTables, OptionGroupsRefuseDuplicatesAndVanishWhenEmpty) {
  CWindowResourcesUI window;
  int x, y;
  EXPECT_FALSE(window.AddOptionGroup(nullptr, &x));
  EXPECT_FALSE(window.AddOptionGroup(L"lines", nullptr));
  EXPECT_TRUE(window.AddOptionGroup(L"lines", &x));
  EXPECT_FALSE(window.AddOptionGroup(L"lines", &x));
  EXPECT_TRUE(window.AddOptionGroup(L"lines", &y));
  ASSERT_NE(window.GetOptionGroup(L"lines"), nullptr);
  EXPECT_EQ(window.GetOptionGroup(L"lines")->GetSize(), 2);
  window.RemoveOptionGroup(L"lines", &x);
  EXPECT_EQ(window.GetOptionGroup(L"lines")->GetSize(), 1);
  window.RemoveOptionGroup(L"lines", &y);
  EXPECT_EQ(window.GetOptionGroup(L"lines"), nullptr);
}

TEST(WindowTables, SharedColourChangesFollowOnlyWindowsStillOnTheOldValue) {
  CWindowResourcesUI a, b;
  EXPECT_EQ(a.GetDefaultFontColor(), 0xFF000000u);
  EXPECT_EQ(a.GetDefaultLinkHoverFontColor(), 0xFFD3215Fu);
  b.SetDefaultFontColor(0xFF00FF00);
  a.SetDefaultFontColor(0xFF123456, true);
  EXPECT_EQ(a.GetDefaultFontColor(), 0xFF123456u);
  EXPECT_EQ(b.GetDefaultFontColor(), 0xFF00FF00u);
  CWindowResourcesUI c;
  EXPECT_EQ(c.GetDefaultFontColor(), 0xFF123456u);
  a.SetDefaultFontColor(0xFF000000, true);
}

TEST(ResourceSettings, LanguageTokensExpandOnceScanningForward) {
  CResourceSettingsUI::AddLanguageString(12, L"twelve");
  CResourceSettingsUI::AddLanguageString(5, L"<%{5}>");
  EXPECT_STREQ(CResourceSettingsUI::LanguageString(12), L"twelve");
  EXPECT_EQ(CResourceSettingsUI::LanguageString(13), nullptr);
  CUIString text(L"a %{12} b %{99} c %{} d %{12}%{5}%{12");
  CResourceSettingsUI::ExpandLanguageTokens(text);
  EXPECT_EQ(text, L"a twelve b %{99} c %{} d twelve<%{5}>%{12");
  CResourceSettingsUI::AddLanguageString(12, L"replaced");
  EXPECT_STREQ(CResourceSettingsUI::LanguageString(12), L"replaced");
  CResourceSettingsUI::RemoveAllLanguageStrings();
}

TEST(ResourceSettings, KeepsTheFirstArchiveAndCutsThePassword) {
  CResourceSettingsUI::ResetResourceZip();
  EXPECT_TRUE(CResourceSettingsUI::GetResourceZip().IsEmpty());
  EXPECT_TRUE(CResourceSettingsUI::IsResourceZipKeptOpen());
  const std::string junk = "junk";
  std::string longPassword(100, 'p');
  CResourceSettingsUI::SetResourceZip(junk.data(), static_cast<DWORD>(junk.size()), longPassword.c_str());
  EXPECT_EQ(std::string(CResourceSettingsUI::GetResourceZipPassword()), std::string(64, 'p'));
  EXPECT_EQ(CResourceSettingsUI::GetResourceZipHandle(), nullptr);
  CResourceSettingsUI::SetResourceZip(junk.data(), static_cast<DWORD>(junk.size()), "");
  EXPECT_EQ(CResourceSettingsUI::GetResourceZipPassword(), nullptr);
  EXPECT_STREQ(CResourceSettingsUI::GetResourceZip().GetData(), L"membuffer");
  CResourceSettingsUI::ResetResourceZip();
  short h, s, l;
  EXPECT_FALSE(CResourceSettingsUI::GetHSL(&h, &s, &l));
  EXPECT_EQ(h, 180);
  EXPECT_EQ(s, 100);
  EXPECT_EQ(l, 100);
}
