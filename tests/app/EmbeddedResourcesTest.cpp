// The resources the build links into the program: the skin archive packed
// from res/skin with the skin password, the icon group and the version
// block, found the way start-up and the windows look them up.
#include "platform/Module.h"
#include "platform/Resources.h"
#include "platform/VersionInfo.h"
#include "platform/window/Icons.h"
#include "uiframework/archive/ZipEntryReader.h"
#include "uiframework/markup/MarkupElement.h"
#include "uiframework/markup/MarkupParser.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <string>

namespace {

std::string Resource(LPCWSTR name, LPCWSTR type) {
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC resource = FindResourceW(module, name, type);
  if (!resource) return std::string();
  return std::string(static_cast<const char*>(LockResource(LoadResource(module, resource))),
                     SizeofResource(module, resource));
}

TEST(EmbeddedResources, TheSkinArchiveOpensWithTheSkinPasswordOnly) {
  std::string zip = Resource(MAKEINTRESOURCEW(102), L"ZIPRES");
  ASSERT_GT(zip.size(), 22u);
  EXPECT_EQ(zip.substr(0, 2), "PK");

  SkinUI::ZipArchive* archive = SkinUI::OpenArchiveMemory(zip.data(), static_cast<DWORD>(zip.size()), "&%kR7pwz");
  ASSERT_NE(archive, nullptr);
  std::string markup;
  ASSERT_EQ(SkinUI::ReadEntryBytes(archive, L"MAIN.XML", 1 << 20, markup), SkinUI::EntryReadStatus::Ok);
  SkinUI::CloseArchive(archive);
  SkinUI::CMarkupParser parser;
  ASSERT_TRUE(parser.LoadFromMem(reinterpret_cast<const BYTE*>(markup.data()), static_cast<DWORD>(markup.size())));
  EXPECT_STREQ(parser.GetRoot().GetName(), L"Window");

  archive = SkinUI::OpenArchiveMemory(zip.data(), static_cast<DWORD>(zip.size()), "wrong");
  if (archive) {
    EXPECT_EQ(SkinUI::ReadEntryBytes(archive, L"main.xml", 1 << 20, markup), SkinUI::EntryReadStatus::Failed);
    SkinUI::CloseArchive(archive);
  }
}

TEST(EmbeddedResources, TheProgramIconAndVersionAreThere) {
  HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(101));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(cairo_image_surface_get_width(GetIconSurface(icon)), 32);
  EXPECT_NE(Resource(MAKEINTRESOURCEW(1), RT_VERSION).find("FILEVERSION 1.0.4.0"), std::string::npos);
  EXPECT_NE(Resource(MAKEINTRESOURCEW(1), RT_MANIFEST).find("requireAdministrator"), std::string::npos);
}

}  // namespace
