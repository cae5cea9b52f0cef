// A portal address that cannot be loaded: the control shows a page of
// ours in its place, whose link loads the address again.
#include "tests/portal_gtk/PortalFixture.h"
#include "platform/CodePage.h"
#include "platform/window/gtk/WebKitErrorPage.h"
#include "tests/support/LoopbackPort.h"

#include <webkit2/webkit2.h>

#include <algorithm>
#include <cstdlib>

namespace portaltest {
namespace {

constexpr const char* kPageTitle = "门户页面无法打开";

size_t Count(const std::vector<std::wstring>& list, const std::wstring& item) {
  return static_cast<size_t>(std::count(list.begin(), list.end(), item));
}

std::string Title(WebKitWebView* view) {
  const char* title = webkit_web_view_get_title(view);
  return title ? title : "";
}

// The text of the page the view shows (its body's innerText).
std::string PageText(WebKitWebView* view) {
  struct Result {
    bool done = false;
    std::string text;
  } result;
  webkit_web_view_evaluate_javascript(
      view, "document.body.innerText", -1, nullptr, nullptr, nullptr,
      [](GObject* object, GAsyncResult* async, gpointer data) {
        auto* out = static_cast<Result*>(data);
        if (JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(object), async, nullptr)) {
          char* text = jsc_value_to_string(value);
          out->text = text ? text : "";
          g_free(text);
          g_object_unref(value);
        }
        out->done = true;
      },
      &result);
  RunLoopUntil([&] { return result.done; }, 30000);
  return result.text;
}

class PortalLoadFailed : public PortalEndToEnd {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dead_.ok()) << "no loopback port could be held";
    down_ = L"http://127.0.0.1:" + std::to_wstring(dead_.port()) + L"/daohang/";
    PortalEndToEnd::SetUp();
  }
  size_t ErrorsFor(const std::wstring& url) const {
    return static_cast<size_t>(std::count_if(policy_->errors.begin(), policy_->errors.end(),
                                             [&](const auto& error) { return error.first == url; }));
  }
  // What the control went through, for a failure's message.
  std::string Seen(WebKitWebView* view) const {
    std::string seen = "title \"" + Title(view) + "\"";
    for (const auto& url : policy_->allowed) seen += " allowed " + WideToUtf8String(url);
    for (const auto& url : policy_->refused) seen += " refused " + WideToUtf8String(url);
    for (const auto& [url, code] : policy_->errors) seen += " error " + WideToUtf8String(url) + " " + std::to_string(code);
    return seen;
  }
  // Waits for the n-th error of the address and our page shown for it.
  bool WaitForOurPage(WebKitWebView* view, size_t errors) {
    return RunLoopUntil(
        [&] {
          return ErrorsFor(down_) >= errors && Title(view) == kPageTitle && !webkit_web_view_is_loading(view);
        },
        120000);
  }

  // Held, never listening: nothing answers there, every connection is
  // refused.
  LoopbackPort dead_{LoopbackPort::Options{.listening = false}};
  std::wstring down_;  // the portal's address where nothing answers
};

// The address is text of the page, never markup; an address that is no
// web address gets no link to load it again.
TEST(LoadFailedPageText, TheAddressIsEscapedAndOnlyWebAddressesGetTheLink) {
  GError* refused = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED, "Connection refused");
  const std::string page = LoadFailedPage("http://127.0.0.1:9/a?x=\"><script>alert(1)</script>&y='", refused);
  EXPECT_EQ(page.find("<script>alert"), std::string::npos);
  EXPECT_NE(page.find("href=\"http://127.0.0.1:9/a?x=&quot;&gt;&lt;script&gt;alert(1)&lt;/script&gt;&amp;y=&#39;\""),
            std::string::npos);
  EXPECT_NE(page.find(LoadFailedReason(refused)), std::string::npos);
  EXPECT_NE(page.find("<body class=\"\">"), std::string::npos);
  EXPECT_EQ(page.find("{{"), std::string::npos);
  g_error_free(refused);

  const std::string other = LoadFailedPage("javascript:alert(1)", nullptr);
  EXPECT_NE(other.find("<body class=\"no-retry\">"), std::string::npos);
  EXPECT_EQ(other.find("javascript:"), std::string::npos);
  EXPECT_NE(other.find(LoadFailedReason(nullptr)), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Views, PortalLoadFailed, ::testing::Values(ViewOrigin::kFresh));

TEST_P(PortalLoadFailed, ShowsOurPageWhoseLinkLoadsTheAddressAgain) {
  ASSERT_TRUE(WaitForDocument(Home(), 0));
  inside_.Append({down_});
  WebKitWebView* view = ViewOf(browser_);
  ASSERT_NE(view, nullptr);
  const size_t mark = Mark();
  browser_->Navigate(down_.c_str());
  ASSERT_TRUE(WaitForOurPage(view, 1)) << Seen(view);
  Settle(1000);
  // One error for the address, as before; our page is no navigation of
  // the host's and completes no document.
  EXPECT_EQ(ErrorsFor(down_), 1u);
  EXPECT_EQ(policy_->errors.back().second, static_cast<LONG>(G_IO_ERROR_CONNECTION_REFUSED));
  EXPECT_EQ(Count(policy_->allowed, down_), 1u);
  EXPECT_EQ(Mark(), mark);
  const std::string text = PageText(view);
  EXPECT_NE(text.find("门户页面暂时无法打开"), std::string::npos) << text;
  EXPECT_NE(text.find("拒绝了连接"), std::string::npos) << text;
  EXPECT_NE(text.find("重新加载"), std::string::npos) << text;
  EXPECT_EQ(text.find("Could not connect"), std::string::npos) << text;

  // The skin's portal ground fills the control, not the engine's white.
  WaitForDrawing();
  const Screenshot shot = TakeScreenshot(browserOnScreen_);
  ASSERT_FALSE(shot.pixels.empty()) << "screenshot failed";
  EXPECT_EQ(shot.At(browserOnScreen_.left + 10, browserOnScreen_.top + 10), 0x0B111Eu);
  const std::string png = Env("BRISGOL_BUILD_DIR") + "/tests/portal_load_failed.png";
  std::system(("import -window root -crop 800x600+100+100 " + png + " 2>/dev/null").c_str());

  // The link loads the address again in the portal: a navigation the
  // policy is asked about, failing once more into our page, never a
  // pop-up for the default browser.
  RunScript(browser_, "document.getElementById('retry').click();");
  ASSERT_TRUE(RunLoopUntil([&] { return Count(policy_->allowed, down_) == 2; }, 60000));
  ASSERT_TRUE(WaitForOurPage(view, 2));
  Settle(1000);
  EXPECT_EQ(ErrorsFor(down_), 2u);
  EXPECT_EQ(Mark(), mark);
  EXPECT_TRUE(OpenedAddresses().empty());

  // Home comes back from our page.
  policy_->GoHome();
  ASSERT_TRUE(WaitForDocument(Home(), mark, 120000));
}

}  // namespace
}  // namespace portaltest
