// The portal with the real WebKit engine in a skinned window under Xvfb.
#include "tests/portal_gtk/PortalFixture.h"

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

TEST_F(PortalEndToEnd, HomeRendersInTheControlAndFramesArePoliced) {
  ASSERT_TRUE(WaitForDocument(Home(), 0));
  Settle(1500);
  WaitForDrawing();
  // The page's background fills the control's rectangle; the bar beside
  // it keeps the skin's colour.
  const Screenshot shot = TakeScreenshot(RECT{100, 100, 900, 700});
  ASSERT_FALSE(shot.pixels.empty()) << "screenshot failed";
  EXPECT_EQ(shot.At(120, 400), 0x303030u);
  EXPECT_EQ(shot.At(150, 690), 0x1F6F5Cu);
  EXPECT_EQ(shot.At(880, 690), 0x1F6F5Cu);
  const std::string png = Env("BRISGOL_BUILD_DIR") + "/tests/portal_home.png";
  std::system(("import -window root -crop 800x600+100+100 " + png + " 2>/dev/null").c_str());

  EXPECT_EQ(browser_->framesLoaded, std::vector<std::wstring>{L"allowed"});
  EXPECT_TRUE(Contains(policy_->allowed, L"https://127.0.0.1:18443/daohang/frame.html"));
  EXPECT_TRUE(Contains(policy_->refused, L"https://127.0.0.1:18443/other/frame.html"));
}

TEST_F(PortalEndToEnd, LinksAndPopUpsFollowThePolicy) {
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
  ASSERT_TRUE(RunLoopUntil([&] { return !OpenedAddresses().empty(); }, 10000));
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

TEST_F(PortalEndToEnd, ScriptCallsReachTheHostAndBadPagesStayInsideThePolicy) {
  ASSERT_TRUE(WaitForDocument(Home(), 0));
  Click(browser_, "whitelist");
  ASSERT_TRUE(RunLoopUntil(
      [&] {
        for (const auto& [id, hr] : browser_->externalCalls)
          if (id == 500 && hr == S_OK) return true;
        return false;
      },
      10000));

  // A page that opens 1000 pop-ups, calls window.external wrongly and
  // navigates to a local file.
  size_t mark = Mark();
  browser_->Navigate(L"https://127.0.0.1:18443/daohang/abuse.html");
  ASSERT_TRUE(RunLoopUntil([&] { return Contains(policy_->refused, L"https://127.0.0.1:18443/other/999"); }, 30000));
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
  ASSERT_TRUE(WaitForDocument(Home(), mark, 30000));

  // The portal's certificate under another host name is refused.
  mark = Mark();
  browser_->Navigate(L"https://localhost:18444/daohang/");
  // The engine may also report the failed load as cancelled, before or
  // after the certificate error: wait for the certificate error itself.
  const auto refusedCertificate = [&] {
    for (const auto& [url, code] : policy_->errors)
      if (url == L"https://localhost:18444/daohang/" && code == static_cast<LONG>(0x800C0019u)) return true;
    return false;
  };
  EXPECT_TRUE(RunLoopUntil(refusedCertificate, 20000));
  EXPECT_EQ(Mark(), mark);
}

TEST_F(PortalEndToEnd, PageClosingItsWindowEndsTheWindow) {
  ASSERT_TRUE(WaitForDocument(Home(), 0));
  Click(browser_, "close");
  ASSERT_TRUE(RunLoopUntil([&] { return window_.destroyed; }, 10000));
}

}  // namespace
}  // namespace portaltest
