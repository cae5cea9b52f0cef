// Layouts name the hosted-object controls by element name, ignoring case:
// "ActiveX" builds the host control and "WebBrowser" the browser control,
// which then creates the registered browser at its first layout.
#include "tests/uiframework_activex/BrowserFixture.h"
#include "uiframework/markup/ControlClassTable.h"
#include "uiframework/markup/DialogBuilder.h"

namespace activextest {
namespace {

TEST(MarkupClassTable, HostedObjectControlsByElementNameIgnoringCase) {
  const struct {
    const wchar_t* element;
    const wchar_t* className;
  } rows[] = {{L"ActiveX", L"ActiveX"},       {L"activex", L"ActiveX"},       {L"ACTIVEX", L"ActiveX"},
              {L"WebBrowser", L"WebBrowser"}, {L"webbrowser", L"WebBrowser"}, {L"WEBBROWSER", L"WebBrowser"}};
  for (const auto& row : rows) {
    CControlUI* control = CreateControlByClass(row.element);
    ASSERT_NE(control, nullptr) << row.element;
    EXPECT_STREQ(control->GetClass(), row.className);
    control->Delete();
  }
  EXPECT_EQ(CreateControlByClass(L"WebBrowse"), nullptr);
  EXPECT_EQ(CreateControlByClass(L"ActiveXs"), nullptr);
}

using MarkupBrowserTest = BrowserWindowTest;

TEST_F(MarkupBrowserTest, ALayoutsWebBrowserElementShowsItsHomePage) {
  CDialogBuilder builder;
  CControlUI* root = builder.Create(
      L"<Window size=\"400,300\"><HorizontalLayout>"
      L"<Control width=\"50\" />"
      L"<WebBrowser name=\"IeWeb\" homepage=\"https://portal/home\" autonavi=\"true\" />"
      L"<ActiveX name=\"plain\" width=\"10\" />"
      L"</HorizontalLayout></Window>",
      nullptr, nullptr, &window.pm);
  ASSERT_NE(root, nullptr) << builder.GetLastErrorMessage();
  window.pm.AttachRoot(root);
  Layout();

  auto* ieWeb = static_cast<CWebBrowserUI*>(window.pm.FindControl(L"IeWeb")->FindInterface(L"WebBrowser"));
  ASSERT_NE(ieWeb, nullptr);
  EXPECT_NE(ieWeb->GetBrowser(), nullptr) << "created at the first layout";
  EXPECT_EQ(Engine().Shown(), L"https://portal/home");
  RECT view = Engine().ViewRect();
  EXPECT_EQ(view.right - view.left, 340);

  CControlUI* plain = window.pm.FindControl(L"plain");
  ASSERT_NE(plain, nullptr);
  EXPECT_NE(plain->FindInterface(L"ActiveX"), nullptr);
  EXPECT_EQ(plain->FindInterface(L"WebBrowser"), nullptr);
}

}  // namespace
}  // namespace activextest
