// The portal with the real WebKit engine in a skinned window under Xvfb.
#include "tests/portal_gtk/PortalFixture.h"
#include "platform/CodePage.h"

#include <webkit2/webkit2.h>

#include <algorithm>
#include <cstdlib>

namespace portaltest {
namespace {

constexpr const wchar_t* kNews = L"https://127.0.0.1:18443/daohang/news.html";
constexpr const wchar_t* kPopup = L"https://127.0.0.1:18443/daohang/popup.html";

bool Contains(const std::vector<std::wstring>& list, const std::wstring& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

void Click(CWebBrowserUI* browser, const char* id) {
  RunScript(browser, std::string("document.getElementById('") + id + "').click();");
}

std::string OriginName(const ::testing::TestParamInfo<ViewOrigin>& info) {
  return info.param == ViewOrigin::kSpare ? "AdoptedSpare" : "FreshView";
}

INSTANTIATE_TEST_SUITE_P(Views, PortalEndToEnd, ::testing::Values(ViewOrigin::kFresh, ViewOrigin::kSpare),
                         OriginName);

TEST_P(PortalEndToEnd, HomeRendersInTheControlAndFramesArePoliced) {
  ASSERT_TRUE(WaitForDocument(Home(), 0));
  Settle(1500);
  WaitForDrawing();
  // The page's background fills the control's rectangle; the bar beside
  // it keeps the skin's colour.
  const Screenshot shot = TakeScreenshot(RECT{100, 100, 900, 700});
  ASSERT_FALSE(shot.pixels.empty()) << "screenshot failed";
  EXPECT_EQ(shot.At(120, 400), 0x303030u);
  EXPECT_EQ(shot.At(150, 690), 0x0E1526u);
  EXPECT_EQ(shot.At(880, 690), 0x0E1526u);
  const std::string png = Env("BRISGOL_BUILD_DIR") + "/tests/portal_home.png";
  std::system(("import -window root -crop 800x600+100+100 " + png + " 2>/dev/null").c_str());

  EXPECT_EQ(browser_->framesLoaded, std::vector<std::wstring>{L"allowed"});
  EXPECT_TRUE(Contains(policy_->allowed, L"https://127.0.0.1:18443/daohang/frame.html"));
  EXPECT_TRUE(Contains(policy_->refused, L"https://127.0.0.1:18443/other/frame.html"));
}

TEST_P(PortalEndToEnd, LinksAndPopUpsFollowThePolicy) {
  ASSERT_TRUE(WaitForDocument(Home(), 0));
  size_t mark = Mark();
  Click(browser_, "inside");
  ASSERT_TRUE(WaitForDocument(kNews, mark));

  mark = Mark();
  policy_->GoHome();  // "top_btn"
  ASSERT_TRUE(WaitForDocument(Home(), mark));

  mark = Mark();
  Click(browser_, "refused");
  Settle(1000);
  EXPECT_TRUE(Contains(policy_->refused, L"https://127.0.0.1:18443/other/page.html"));
  EXPECT_EQ(Mark(), mark);

  Click(browser_, "outside");
  ASSERT_TRUE(RunLoopUntil([&] { return !OpenedAddresses().empty(); }, 60000));
  EXPECT_EQ(OpenedAddresses(), "https://www.example.com/?from=portal\n");
  EXPECT_EQ(Mark(), mark);  // the portal stays as it was

  Click(browser_, "blank");
  ASSERT_TRUE(WaitForDocument(kPopup, mark));

  mark = Mark();
  policy_->GoHome();
  ASSERT_TRUE(WaitForDocument(Home(), mark));
  mark = Mark();
  Click(browser_, "open");
  ASSERT_TRUE(WaitForDocument(kPopup, mark));
}


}  // namespace
}  // namespace portaltest
namespace portaltest {
namespace {

TEST_P(PortalEndToEnd, ScriptCallsReachTheHostAndBadPagesStayInsideThePolicy) {
  ASSERT_TRUE(WaitForDocument(Home(), 0));
  Click(browser_, "whitelist");
  ASSERT_TRUE(WaitForExternalCall(500, S_OK));

  // A page that opens 1000 pop-ups, calls window.external wrongly and
  // navigates to a local file.
  size_t mark = Mark();
  browser_->Navigate(L"https://127.0.0.1:18443/daohang/abuse.html");
  ASSERT_TRUE(RunLoopUntil([&] { return Contains(policy_->refused, L"https://127.0.0.1:18443/other/999"); }, 120000));
  Settle(2000);
  EXPECT_TRUE(Contains(policy_->allowed, L"https://127.0.0.1:18443/daohang/abuse.html"));
  // The engine refuses a web page's way to a local file before asking;
  // either way it is never shown.
  EXPECT_FALSE(Contains(policy_->allowed, L"file:///etc/passwd"));
  EXPECT_FALSE(Contains(policy_->documents, L"file:///etc/passwd"));
  EXPECT_TRUE(OpenedAddresses().empty());
  bool badCount = false;
  for (const auto& [id, hr] : browser_->externalCalls) badCount |= id == 500 && hr == DISP_E_BADPARAMCOUNT;
  EXPECT_TRUE(badCount);
  // Still responsive: home comes back.
  mark = Mark();
  policy_->GoHome();
  ASSERT_TRUE(WaitForDocument(Home(), mark, 120000));
}

// Counts the loads of a view that ended, however they ended (finished,
// failed, refused or cancelled by another navigation).
struct LoadWatch {
  int ended = 0;
  bool loading = false;
  static void Changed(GObject* view, GParamSpec*, LoadWatch* watch) {
    const bool now = webkit_web_view_is_loading(WEBKIT_WEB_VIEW(view)) != FALSE;
    if (watch->loading && !now) ++watch->ended;
    watch->loading = now;
  }
};

TEST_P(PortalEndToEnd, ThePortalCertificateUnderAnotherHostIsRefused) {
  ASSERT_TRUE(WaitForDocument(Home(), 0));
  WebKitWebView* view = ViewOf(browser_);
  ASSERT_NE(view, nullptr);
  LoadWatch watch;
  g_signal_connect(view, "notify::is-loading", G_CALLBACK(&LoadWatch::Changed), &watch);
  const std::wstring other = L"https://localhost:18444/daohang/";
  const auto refusedCertificate = [&] {
    for (const auto& [url, code] : policy_->errors)
      if (url == other && code == static_cast<LONG>(0x800C0019u)) return true;
    return false;
  };
  // The outcome of each load is waited for, not a time: a load that
  // something else cancelled before its certificate was looked at is
  // started again.
  const size_t mark = Mark();
  for (int attempt = 0; attempt < 3 && !refusedCertificate(); ++attempt) {
    const int ended = watch.ended;
    browser_->Navigate(other.c_str());
    RunLoopUntil([&] { return refusedCertificate() || watch.ended > ended; }, 120000);
  }
  g_signal_handlers_disconnect_by_data(view, &watch);
  EXPECT_TRUE(refusedCertificate());
  std::string shown;
  for (size_t i = mark; i < policy_->documents.size(); ++i) shown += WideToUtf8String(policy_->documents[i]) + " ";
  for (const auto& [url, code] : policy_->errors) shown += " error " + WideToUtf8String(url) + " " + std::to_string(code);
  EXPECT_EQ(Mark(), mark) << "nothing of the other host was shown: " << shown;
}

TEST_P(PortalEndToEnd, ASecondControlAfterTheFirstIsDestroyedAdoptsTheSpare) {
  ASSERT_TRUE(WaitForDocument(Home(), 0));
  ClosePortal();
  // Once no view is in use the engine readies a spare by itself.
  CWebKitViewSource& views = *engine_->Views();
  ASSERT_TRUE(RunLoopUntil([&] { return views.SpareReady(); }, 120000));
  WebKitWebView* spare = views.Spare();
  OpenPortal();
  EXPECT_EQ(ViewOf(browser_), spare);
  EXPECT_EQ(views.Spare(), nullptr);  // none beside a view in use
  ASSERT_TRUE(WaitForDocument(Home(), 0));
  EXPECT_TRUE(Contains(policy_->allowed, Home()));  // the policy was asked
  Click(browser_, "whitelist");
  ASSERT_TRUE(WaitForExternalCall(500, S_OK));
  Settle(2 * CWebKitViewSource::kSpareDelayMs);
  EXPECT_EQ(views.Spare(), nullptr);
}

TEST_P(PortalEndToEnd, PageClosingItsWindowEndsTheWindow) {
  ASSERT_TRUE(WaitForDocument(Home(), 0));
  Click(browser_, "close");
  ASSERT_TRUE(RunLoopUntil([&] { return window_.destroyed; }, 60000));
}

}  // namespace
}  // namespace portaltest
