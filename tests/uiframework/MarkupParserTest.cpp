// The markup parser: documents it accepts, the errors it reports, and its
// safety on hostile input.
#include "tests/support/TempMachineRoot.h"
#include "uiframework/markup/MarkupElement.h"
#include "uiframework/markup/MarkupParser.h"
#include "uiframework/resources/ResourceSettings.h"
#include "ZipToolFixture.h"

#include <gtest/gtest.h>

#include <string>

using namespace SkinUI;

namespace {

std::wstring ErrorOf(LPCWSTR xml) {
  CMarkupParser parser;
  EXPECT_FALSE(parser.Load(xml)) << std::wstring(xml).substr(0, 60).c_str();
  EXPECT_FALSE(parser.IsValid());
  EXPECT_FALSE(parser.GetRoot().IsValid());
  return parser.GetLastErrorMessage();
}

std::wstring Repeat(const std::wstring& s, int n) {
  std::wstring out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

}  // namespace

TEST(MarkupParser, BuildsTheElementTreeWithAttributesAndText) {
  CMarkupParser parser;
  ASSERT_TRUE(parser.Load(L"<?xml version=\"1.0\"?>\n<!-- skin -->\n<Window size=\"10,20\" caption = \"0,0,0,30\">"
                          L"<VBox name=\"a\"/><Label text=\"x &amp; y\">hi</Label><!-- c --><HBox/></Window>"));
  CMarkupElement root = parser.GetRoot();
  ASSERT_TRUE(root.IsValid());
  EXPECT_STREQ(root.GetName(), L"Window");
  ASSERT_EQ(root.GetAttributeCount(), 2);
  EXPECT_STREQ(root.GetAttributeName(1), L"caption");
  EXPECT_STREQ(root.GetAttributeValue(1), L"0,0,0,30");
  EXPECT_STREQ(root.GetAttributeValue(L"size"), L"10,20");
  EXPECT_EQ(root.GetAttributeValue(L"Size"), nullptr);
  EXPECT_STREQ(root.GetAttributeName(2), L"");
  std::wstring names;
  for (CMarkupElement child = root.GetChild(); child.IsValid(); child = child.GetSibling()) {
    names += child.GetName();
    names += L";";
    EXPECT_STREQ(child.GetParent().GetName(), L"Window");
  }
  EXPECT_EQ(names, L"VBox;Label;HBox;");
  CMarkupElement label = root.GetChild().GetSibling();
  EXPECT_STREQ(label.GetAttributeValue(L"text"), L"x & y");
  EXPECT_STREQ(label.GetValue(), L"hi");
  EXPECT_FALSE(label.HasChildren());
  EXPECT_TRUE(root.HasChildren());
}

TEST(MarkupParser, DecodesKnownEntitiesAndKeepsUnknownOnes) {
  CMarkupParser parser;
  ASSERT_TRUE(parser.Load(L"<a>1 &lt; 2 &amp; 3 &foo; </a>"));
  EXPECT_STREQ(parser.GetRoot().GetValue(), L"1 < 2 & 3 &foo; ");
  ASSERT_TRUE(parser.Load(L"<a v=\"&quot;&apos;&gt;&\"/>"));
  EXPECT_STREQ(parser.GetRoot().GetAttributeValue(L"v"), L"\"'>&");
}

TEST(MarkupParser, ReportsEachKindOfMalformedDocument) {
  EXPECT_EQ(ErrorOf(L"<a x='1'/>"), L"Expected attribute value");
  EXPECT_EQ(ErrorOf(L"<a x=1/>"), L"Expected attribute value");
  EXPECT_EQ(ErrorOf(L"<a x/>"), L"Error while parsing attributes");
  EXPECT_EQ(ErrorOf(L"<a x=\"1/>"), L"Error while parsing attribute string");
  EXPECT_EQ(ErrorOf(L"<a><b></c></a>"), L"Unmatched closing tag");
  EXPECT_EQ(ErrorOf(L"<r><a><b></b>"), L"Expected start tag");
  EXPECT_EQ(ErrorOf(L"<r><a><b></b></r>"), L"Unmatched closing tag");
  EXPECT_EQ(ErrorOf(L"<a"), L"Error parsing element name");
  EXPECT_EQ(ErrorOf(L"<a x=\"1\" %>"), L"Error while parsing attributes");
  EXPECT_EQ(ErrorOf(L"<a / >"), L"Expected start-tag closing");
  EXPECT_EQ(ErrorOf(L"text"), L"Expected start tag");
  EXPECT_EQ(ErrorOf(L"<r><a><b>text"), L"Expected end-tag start");
  // Unterminated comments and processing instructions end at the text's end.
  EXPECT_EQ(ErrorOf(L"<!-- never closed"), L"Expected start tag");
  EXPECT_EQ(ErrorOf(L"<r><?pi "), L"Expected start tag");
  EXPECT_EQ(ErrorOf(L"<r></r"), L"Unmatched closing tag");
  // No element at all is no document.
  EXPECT_EQ(ErrorOf(L""), L"");
  EXPECT_EQ(ErrorOf(L"  \n <!-- only a comment -->"), L"");
}

TEST(MarkupParser, AcceptsAnUnclosedRootWhoseChildrenAreClosed) {
  CMarkupParser parser;
  ASSERT_TRUE(parser.Load(L"<r><a></a>"));
  EXPECT_STREQ(parser.GetRoot().GetName(), L"r");
  EXPECT_STREQ(parser.GetRoot().GetChild().GetName(), L"a");
}

TEST(MarkupParser, KeepsTheErrorLocationShort) {
  CMarkupParser parser;
  std::wstring xml = L"<a x=\"1\" " + std::wstring(200, L'%') + L">";
  ASSERT_FALSE(parser.Load(xml.c_str()));
  EXPECT_EQ(std::wstring(parser.GetLastErrorLocation()), std::wstring(CMarkupParser::kMaxLocationChars, L'%'));
}

TEST(MarkupParser, LimitsNestingDepthInsteadOfOverflowingTheStack) {
  CMarkupParser parser;
  const int allowed = CMarkupParser::kMaxDepth;
  std::wstring ok = Repeat(L"<a>", allowed) + Repeat(L"</a>", allowed);
  EXPECT_TRUE(parser.Load(ok.c_str())) << parser.GetLastErrorMessage();
  std::wstring deep = Repeat(L"<a>", allowed + 2) + Repeat(L"</a>", allowed + 2);
  EXPECT_FALSE(parser.Load(deep.c_str()));
  EXPECT_STREQ(parser.GetLastErrorMessage(), L"Elements nested too deeply");
  std::wstring hostile = Repeat(L"<a>", 200000);
  EXPECT_FALSE(parser.Load(hostile.c_str()));
}

TEST(MarkupParser, ExposesOnlyTheFirst64Attributes) {
  std::wstring xml = L"<a";
  for (int i = 0; i < 70; ++i) xml += L" k" + std::to_wstring(i) + L"=\"" + std::to_wstring(i) + L"\"";
  xml += L"/>";
  CMarkupParser parser;
  ASSERT_TRUE(parser.Load(xml.c_str()));
  CMarkupElement root = parser.GetRoot();
  EXPECT_EQ(root.GetAttributeCount(), 64);
  EXPECT_STREQ(root.GetAttributeValue(L"k63"), L"63");
  EXPECT_EQ(root.GetAttributeValue(L"k64"), nullptr);
}

TEST(MarkupParser, AttributeCopiesAlwaysLeaveRoomForTheTerminator) {
  CMarkupParser parser;
  ASSERT_TRUE(parser.Load(L"<a v=\"abcdef\"/>"));
  CMarkupElement root = parser.GetRoot();
  wchar_t buffer[5] = {L'#', L'#', L'#', L'#', L'#'};
  EXPECT_TRUE(root.GetAttributeValue(L"v", buffer, 4));
  EXPECT_STREQ(buffer, L"abc");
  EXPECT_EQ(buffer[4], L'#');
  EXPECT_FALSE(root.GetAttributeValue(L"w", buffer, 4));
}

TEST(MarkupParser, DecodesTheByteEncodingsOfADocument) {
  CMarkupParser parser;
  const std::string utf8 = "\xEF\xBB\xBF<a t=\"\xE4\xB8\xAD\"/>";
  ASSERT_TRUE(parser.LoadFromMem(reinterpret_cast<const BYTE*>(utf8.data()), static_cast<DWORD>(utf8.size())));
  EXPECT_STREQ(parser.GetRoot().GetAttributeValue(L"t"), L"\x4E2D");
  const std::string little("\xFF\xFE<\0b\0/\0>\0", 10);
  ASSERT_TRUE(parser.LoadFromMem(reinterpret_cast<const BYTE*>(little.data()), 10, MarkupUtf16));
  EXPECT_STREQ(parser.GetRoot().GetName(), L"b");
  const std::string big("\xFE\xFF\0<\0c\0/\0>", 10);
  ASSERT_TRUE(parser.LoadFromMem(reinterpret_cast<const BYTE*>(big.data()), 10, MarkupUtf16));
  EXPECT_STREQ(parser.GetRoot().GetName(), L"c");
  // Without a byte-order mark, UTF-16 is not loaded; short inputs are safe.
  EXPECT_FALSE(parser.LoadFromMem(reinterpret_cast<const BYTE*>("<\0d\0/\0>\0"), 8, MarkupUtf16));
  EXPECT_FALSE(parser.LoadFromMem(reinterpret_cast<const BYTE*>("\xFF"), 1, MarkupUtf16));
  EXPECT_FALSE(parser.LoadFromMem(reinterpret_cast<const BYTE*>("\xEF\xBB"), 2, MarkupUtf8));
  // Invalid UTF-8 inside a value is replaced, not trusted.
  const std::string invalid = "<a t=\"\xC3\x28\xFF\"/>";
  ASSERT_TRUE(parser.LoadFromMem(reinterpret_cast<const BYTE*>(invalid.data()), static_cast<DWORD>(invalid.size())));
  EXPECT_EQ(std::wstring(parser.GetRoot().GetAttributeValue(L"t")).find(L'\xFFFD'), 0u);
}

TEST(MarkupParser, ReloadingDiscardsThePreviousDocument) {
  CMarkupParser parser(L"<first/>");
  ASSERT_STREQ(parser.GetRoot().GetName(), L"first");
  EXPECT_FALSE(parser.Load(L"<broken"));
  EXPECT_FALSE(parser.GetRoot().IsValid());
  EXPECT_TRUE(parser.Load(L"<second/>"));
  EXPECT_STREQ(parser.GetRoot().GetName(), L"second");
}

class MarkupFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    CResourceSettingsUI::ResetResourceZip();
    CResourceSettingsUI::SetResourcePath((root_.path().wstring() + L"/").c_str());
  }
  void TearDown() override {
    CResourceSettingsUI::ResetResourceZip();
    CResourceSettingsUI::SetResourcePath(L"");
  }
  std::wstring LoadError(LPCWSTR name) {
    CMarkupParser parser;
    EXPECT_FALSE(parser.LoadFromFile(name));
    EXPECT_STREQ(parser.GetLastErrorLocation(), L"");
    return parser.GetLastErrorMessage();
  }
  TempMachineRoot root_;
};

TEST_F(MarkupFiles, ReadsFilesAndReportsLoadErrors) {
  WriteTestFile(root_.path() / "main.xml", "<Window/>");
  WriteTestFile(root_.path() / "empty.xml", "");
  WriteTestFile(root_.path() / "huge.xml", std::string(CMarkupParser::kMaxFileBytes + 1, ' '));
  CMarkupParser parser;
  ASSERT_TRUE(parser.LoadFromFile(L"main.xml"));
  EXPECT_STREQ(parser.GetRoot().GetName(), L"Window");
  EXPECT_EQ(LoadError(L"missing.xml"), L"Error opening file");
  EXPECT_EQ(LoadError(L"empty.xml"), L"File is empty");
  EXPECT_EQ(LoadError(L"huge.xml"), L"File too large");
}

TEST_F(MarkupFiles, ReadsFromTheEncryptedSkinArchive) {
  const std::string zip = BuildZipWithTool(root_.Dir("zip"), {{"main.xml", "<Window><VBox/></Window>"},
                                                             {"empty.xml", ""},
                                                             {"huge.xml", std::string(CMarkupParser::kMaxFileBytes + 1, ' ')}},
                                           "pw");
  ASSERT_FALSE(zip.empty());
  CResourceSettingsUI::SetResourceZip(zip.data(), static_cast<DWORD>(zip.size()), "pw");
  EXPECT_STREQ(CResourceSettingsUI::GetResourceZip().GetData(), L"membuffer");
  CMarkupParser parser;
  ASSERT_TRUE(parser.LoadFromFile(L"MAIN.XML")) << parser.GetLastErrorMessage();
  EXPECT_STREQ(parser.GetRoot().GetChild().GetName(), L"VBox");
  EXPECT_EQ(LoadError(L"other.xml"), L"Could not find ziped file");
  EXPECT_EQ(LoadError(L"empty.xml"), L"File is empty");
  EXPECT_EQ(LoadError(L"huge.xml"), L"File too large");

  CResourceSettingsUI::ResetResourceZip();
  CResourceSettingsUI::SetResourceZip(zip.data(), static_cast<DWORD>(zip.size()), "wrong");
  EXPECT_EQ(LoadError(L"main.xml"), L"Could not unzip file");
  CResourceSettingsUI::ResetResourceZip();
  const std::string junk = "not a zip";
  CResourceSettingsUI::SetResourceZip(junk.data(), static_cast<DWORD>(junk.size()), nullptr);
  EXPECT_EQ(LoadError(L"main.xml"), L"Error opening zip file");
}
