// The layout builder: resources, window attributes, the class table, the
// callback, covers, includes and hostile documents.
#include "platform/Resources.h"
#include "system/WriteLogFile.h"
#include "tests/support/TempMachineRoot.h"
#include "uiframework/layout/VerticalLayoutUI.h"
#include "uiframework/manager/WindowManagerUI.h"
#include "uiframework/markup/DialogBuilder.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>
#include <string>
#include <vector>

using namespace SkinUI;

namespace {

class Callback : public IDialogBuilderCallback {
 public:
  std::vector<std::wstring> asked;
  CControlUI* CreateControl(LPCWSTR className) override {
    asked.emplace_back(className);
    if (std::wcscmp(className, L"ContainerEx") == 0) return new CContainerUI;
    return nullptr;
  }
};

std::wstring ChildClasses(CControlUI* control) {
  auto* container = static_cast<IContainerUI*>(control->FindInterface(L"IContainer"));
  std::wstring out;
  for (int i = 0; container != nullptr && i < container->GetCount(); ++i) {
    out += container->GetItemAt(i)->GetClass();
    out += L";";
  }
  return out;
}

// How often part stands in the UTF-16 log file.
size_t LogCount(const std::filesystem::path& log, const std::u16string& part) {
  const std::string bytes = ReadTestFile(log);
  const std::u16string text(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2);
  size_t n = 0;
  for (size_t at = text.find(part); at != std::u16string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(DialogBuilder, RegistersResourcesAndWindowAttributesThenBuildsTheTree) {
  CWindowManagerUI manager;
  CDialogBuilder builder;
  CControlUI* root = builder.Create(
      L"<Window size=\"900,600\" caption=\"0,0,0,-1\" defaultfontcolor=\"#FF112233\" mystery=\"m\">"
      L"<Font id=\"1\" name=\"WenQuanYi Micro Hei\" size=\"18\" bold=\"TRUE\" default=\"true\"/>"
      L"<FONT ID=\"2\" NAME=\"WenQuanYi Micro Hei\"/>"
      L"<Font id=\"-1\" name=\"WenQuanYi Micro Hei\"/>"
      L"<Default name=\"Control\" value=\"width=&quot;10&quot; height=&quot;5&quot;\"/>"
      L"<MultiLanguage id=\"77\" value=\"seventy-seven\"/>"
      L"<VerticalLayout name=\"main\" inset=\"1,1,1,1\">"
      L"<HBox><Control height=\"7\" name=\"c\"/><control/></HBox>"
      L"<Container><Image name=\"ignored.png\"/></Container>"
      L"</VerticalLayout></Window>",
      nullptr, nullptr, &manager);
  ASSERT_NE(root, nullptr) << builder.GetLastErrorMessage();
  EXPECT_STREQ(root->GetClass(), L"VerticalLayout");
  EXPECT_EQ(ChildClasses(root), L"HorizontalLayout;Container;");
  EXPECT_EQ(manager.GetWindowAttributes().initSize, (SIZE{900, 600}));
  EXPECT_EQ(manager.GetWindowAttributes().caption.bottom, -1);
  EXPECT_EQ(manager.GetDefaultFontColor(), 0xFF112233u);
  EXPECT_STREQ(manager.GetWindowCustomAttribute(L"mystery"), L"m");
  ASSERT_NE(manager.GetFontInfo(1), nullptr);
  EXPECT_EQ(manager.GetFontInfo(1)->size, 18);
  EXPECT_TRUE(manager.GetFontInfo(1)->bold);
  EXPECT_EQ(manager.GetDefaultFontInfo()->size, 18);
  EXPECT_EQ(manager.GetFontInfo(2)->size, 12);
  EXPECT_STREQ(CResourceSettingsUI::LanguageString(77), L"seventy-seven");
  // Default attribute lists apply first; the element's own attributes win.
  manager.AttachRoot(root);
  CControlUI* c = manager.FindControl(L"c");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->GetFixedWidth(), 10);
  EXPECT_EQ(c->GetFixedHeight(), 7);
  EXPECT_EQ(manager.FindControl(L"main"), root);
  EXPECT_EQ(c->GetParent()->GetParent(), root);
  CResourceSettingsUI::RemoveAllLanguageStrings();
}

TEST(DialogBuilder, OnlyAWindowRootSetsWindowAttributes) {
  CWindowManagerUI lower, other;
  CDialogBuilder a, b;
  CControlUI* first = a.Create(L"<window size=\"5,6\"><Control/></window>", nullptr, nullptr, &lower);
  ASSERT_NE(first, nullptr);
  delete first;
  EXPECT_EQ(lower.GetWindowAttributes().initSize, (SIZE{5, 6}));
  CControlUI* built = b.Create(L"<Layout size=\"5,6\"><Control/></Layout>", nullptr, nullptr, &other);
  ASSERT_NE(built, nullptr);
  EXPECT_EQ(other.GetWindowAttributes().initSize, (SIZE{0, 0}));
  delete built;
  CControlUI* again = a.Create(static_cast<IDialogBuilderCallback*>(nullptr));  // from the parsed document
  ASSERT_NE(again, nullptr);
  EXPECT_STREQ(again->GetClass(), L"Control");
  delete again;
}

TEST(DialogBuilder, OffersUnknownElementsToTheCallbackAndSkipsTheRest) {
  CWindowManagerUI manager;
  Callback callback;
  CDialogBuilder builder;
  CControlUI* root = builder.Create(L"<Window><VBox><Fancy/><ContainerEx><Control/></ContainerEx><TreeNode/></VBox></Window>",
                                    nullptr, &callback, &manager);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(callback.asked, (std::vector<std::wstring>{L"Fancy", L"ContainerEx", L"TreeNode"}));
  EXPECT_EQ(ChildClasses(root), L"Container;");
  EXPECT_EQ(ChildClasses(static_cast<CContainerUI*>(root)->GetItemAt(0)), L"Control;");
  manager.AttachRoot(root);
  // Without a callback unknown elements are skipped too.
  CDialogBuilder plain;
  CControlUI* alone = plain.Create(L"<Window><Fancy/><Control/></Window>");
  ASSERT_NE(alone, nullptr);
  EXPECT_STREQ(alone->GetClass(), L"Control");
  delete alone;
}

TEST(DialogBuilder, AnElementOfAnUnknownClassIsLoggedOncePerNameWithTheName) {
  TempMachineRoot machine;
  const std::filesystem::path log = machine.path() / "log2.log";
  g_logFile.SetLogFile(log.wstring(), 1024);
  CWindowManagerUI manager;
  Callback callback;
  CDialogBuilder builder;
  CControlUI* root = builder.Create(
      L"<Window><VBox><Fancy><Control name=\"inside\"/></Fancy><ContainerEx/><Fancy/><VBox><Fancy/></VBox>"
      L"<Gadget/><Control/></VBox></Window>",
      nullptr, &callback, &manager);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(ChildClasses(root), L"Container;VerticalLayout;Control;");
  manager.AttachRoot(root);
  EXPECT_EQ(manager.FindControl(L"inside"), nullptr) << "what an unknown element holds is not built";
  EXPECT_EQ(LogCount(log, u"控件类 Fancy 未知"), 1u);
  EXPECT_EQ(LogCount(log, u"控件类 Gadget 未知"), 1u);
  EXPECT_EQ(LogCount(log, u"ContainerEx"), 0u) << "the callback made it";
  // A build of its own tells again.
  delete builder.Create(static_cast<IDialogBuilderCallback*>(nullptr));
  EXPECT_EQ(LogCount(log, u"控件类 Fancy 未知"), 2u);
  g_logFile.SetLogFile(L"", 1024);
}

TEST(DialogBuilder, WithoutAParentOnlyTheFirstTopLevelElementIsBuilt) {
  CDialogBuilder builder;
  CControlUI* first = builder.Create(L"<Window><VBox><Control/></VBox><HBox><Control/></HBox>"
                                     L"<Include source=\"part.xml\"/></Window>");
  ASSERT_NE(first, nullptr);
  EXPECT_STREQ(first->GetClass(), L"VerticalLayout");
  delete first;  // the leak checker sees nothing else left
}

TEST(DialogBuilder, CoverElementsBecomeTheParentsCover) {
  CDialogBuilder builder;
  CControlUI* root =
      builder.Create(L"<Window><VBox><Control name=\"a\"/><Container cover=\"true\" name=\"over\"/></VBox></Window>");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(ChildClasses(root), L"Control;");
  ASSERT_NE(root->GetCover(), nullptr);
  EXPECT_EQ(root->GetCover()->GetName(), L"over");
  delete root;
  // Children cannot go into a control without the container interface.
  CDialogBuilder leaf;
  CControlUI* control = leaf.Create(L"<Window><Control><Control/></Control></Window>");
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(control->GetCover(), nullptr);
  delete control;
}

class BuilderFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    CResourceSettingsUI::ResetResourceZip();
    CResourceSettingsUI::SetResourcePath((root_.path().wstring() + L"/").c_str());
  }
  void TearDown() override { CResourceSettingsUI::SetResourcePath(L""); }
  void Write(const char* name, const std::string& text) { WriteTestFile(root_.path() / name, text); }
  TempMachineRoot root_;
};

TEST_F(BuilderFiles, IncludeAddsEveryRepetitionToTheCurrentParent) {
  Write("main.xml", "<Window><VBox><Control/><Include source=\"part.xml\" count=\"3\"/></VBox></Window>");
  Write("part.xml", "<Window><HBox/><Container/></Window>");
  CWindowManagerUI manager;
  CDialogBuilder builder;
  CControlUI* root = builder.Create(L"main.xml", nullptr, nullptr, &manager);
  ASSERT_NE(root, nullptr) << builder.GetLastErrorMessage();
  EXPECT_EQ(ChildClasses(root),
            L"Control;HorizontalLayout;Container;HorizontalLayout;Container;HorizontalLayout;Container;");
  manager.AttachRoot(root);
}

TEST_F(BuilderFiles, IncludeCyclesAndMissingSourcesEndQuietly) {
  Write("self.xml", "<Window><VBox><Control/><Include source=\"self.xml\"/></VBox></Window>");
  Write("b.xml", "<Window><VBox><Include source=\"c.xml\" count=\"1000000\"/></VBox></Window>");
  Write("c.xml", "<Window><Control/><Include source=\"b.xml\"/></Window>");
  CDialogBuilder self;
  CControlUI* root = self.Create(L"self.xml");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(ChildClasses(root), L"Control;");
  delete root;
  CDialogBuilder cycle;
  root = cycle.Create(L"b.xml");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(static_cast<CContainerUI*>(root)->GetCount(), CDialogBuilder::kMaxIncludeCount);
  delete root;
  Write("missing.xml", "<Window><VBox><Include source=\"nothere.xml\"/><Include/><Control/></VBox></Window>");
  CDialogBuilder missing;
  root = missing.Create(L"missing.xml");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(ChildClasses(root), L"Control;");
  delete root;
  CDialogBuilder absent;
  EXPECT_EQ(absent.Create(L"absent.xml"), nullptr);
  EXPECT_STREQ(absent.GetLastErrorMessage(), L"Error opening file");
}

TEST(DialogBuilder, BuildsFromAModuleResource) {
  static const char kLayout[] = "<Window><HBox name=\"fromres\"/></Window>";
  RegisterModuleResource(L"XMLTEST", MAKEINTRESOURCEW(4321), kLayout, sizeof(kLayout) - 1);
  CWindowManagerUI manager;
  CDialogBuilder builder;
  CControlUI* root = builder.Create(MAKEINTRESOURCEW(4321), L"XMLTEST", nullptr, &manager);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->GetName(), L"fromres");
  delete root;
  CDialogBuilder none;
  EXPECT_EQ(none.Create(MAKEINTRESOURCEW(4322), L"XMLTEST", nullptr, &manager), nullptr);
}

TEST(DialogBuilder, HostileDocumentsBuildBoundedTrees) {
  std::wstring deep = L"<Window>";
  for (int i = 0; i < 250; ++i) deep += L"<VBox>";
  for (int i = 0; i < 250; ++i) deep += L"</VBox>";
  deep += L"</Window>";
  CDialogBuilder builder;
  CControlUI* root = builder.Create(deep.c_str());
  ASSERT_NE(root, nullptr);
  delete root;
  CDialogBuilder broken;
  EXPECT_EQ(broken.Create(L"<Window><VBox></Window>"), nullptr);
  EXPECT_STREQ(broken.GetLastErrorMessage(), L"Unmatched closing tag");
}
