// The portal's navigation policy: what the portal may show, where pop-ups
// go, what closing the window does, and the home button.
#include <gtest/gtest.h>

#include "MainWnd/PortalPolicy.h"
#include "tests/MainWnd/PortalCallQueue.h"
#include "tests/uiframework_activex/ScriptedBrowser.h"
#include "tests/uiframework_window/SkinTestWindow.h"

namespace {

using namespace SkinUI;

const std::wstring kHost = L"127.0.0.1:18443";
const std::wstring kHome = L"https://127.0.0.1:18443/daohang/";

// The main window's part: its call queue, its Close, the shell's "open".
class PortalTestWindow : public skintest::SkinTestWindow, public IPortalWindow, public IDefaultBrowser {
 public:
  bool QueueNavigatePortal(void* pending) override {
    if (refuseQueue) return false;
    return queue.Queue(GetHWND(), pending);
  }
  void CloseWindow() override { Close(0); }
  bool Open(const std::wstring& address) override {
    opened.push_back(address);
    return true;
  }
  CPortalPolicy* policy = nullptr;
  PortalCallQueue queue;
  std::vector<std::wstring> opened;
  bool refuseQueue = false;

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == PortalCallQueue::kWakeUp) {
      queue.Run(*policy);
      return 0;
    }
    return SkinTestWindow::OnMessage(message, wParam, lParam);
  }
};

class PortalPolicyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(window.SkinTestWindow::Open(0, 0, 600, 400), nullptr);
    window.policy = &policy;
    browser = new CWebBrowserUI;
    window.AttachRow({browser}, {});
    window.pm.UpdateLayout(RECT{0, 0, 600, 400});
    policy.AttachBrowser(browser);
    skintest::Pump();
  }
  void TearDown() override {
    window.queue.Drop();
    if (::IsWindow(window.GetHWND())) ::DestroyWindow(window.GetHWND());
    skintest::Pump();
  }
  scripted::ScriptedBrowser& Engine() { return *web.last; }
  void Lists(const WhitelistEntries& in, const WhitelistEntries& out) {
    inside.Append(in);
    outside.Append(out);
  }
  // A link clicked on the current page; returns what the portal shows.
  std::wstring Click(const std::wstring& url) {
    Engine().ClickLink(url);
    skintest::Pump();
    return Engine().Shown();
  }
  std::wstring PopUp(const std::wstring& url) {
    EXPECT_TRUE(Engine().OpenWindow(url));  // never a second window
    skintest::Pump();
    return Engine().Shown();
  }

  scripted::ScriptedWeb web;
  scripted::ScriptedBrowserClass registration{web};
  CWhitelist inside;
  CWhitelist outside;
  PortalTestWindow window;
  CPortalPolicy policy{kHost, inside, outside, window, window};
  CWebBrowserUI* browser = nullptr;
};

TEST_F(PortalPolicyTest, SetUpMakesTheBrowserSilentAndShowsHome) {
  EXPECT_EQ(policy.HomeAddress(), kHome);
  EXPECT_TRUE(Engine().IsSilent());
  EXPECT_EQ(browser->GetEventHandler(), &policy);
  EXPECT_EQ(Engine().Shown(), kHome);
}

TEST_F(PortalPolicyTest, HomeIsAllowedWithEmptyListsButNotItsVariants) {
  EXPECT_EQ(Click(kHome + L"?from=link"), kHome);
  EXPECT_EQ(Click(L"https://127.0.0.1:18443/DAOHANG/"), kHome);
  EXPECT_EQ(Click(L"https://127.0.0.1:18443/daohang"), kHome);
  EXPECT_EQ(Click(L"https://127.0.0.1:18443/"), kHome);
  EXPECT_EQ(Engine().Loads(), std::vector<std::wstring>{kHome});
  EXPECT_EQ(Click(kHome), kHome);
  EXPECT_EQ(Engine().Loads().size(), 2u);
}

TEST_F(PortalPolicyTest, QueryOrUpperCaseIsAllowedWhenAnInsideEntryMatches) {
  Lists({L"/DAOHANG/"}, {});
  EXPECT_EQ(Click(L"https://127.0.0.1:18443/DAOHANG/"), L"https://127.0.0.1:18443/DAOHANG/");
}

TEST_F(PortalPolicyTest, InsideKeyMayStandAnywhereInTheAddress) {
  Lists({L"games.example?ignored=part"}, {});
  EXPECT_EQ(Click(L"https://cdn.games.example/page"), L"https://cdn.games.example/page");
  EXPECT_EQ(Click(L"https://other.test/?ref=games.example"), L"https://other.test/?ref=games.example");
  EXPECT_EQ(Click(L"https://other.test/"), L"https://other.test/?ref=games.example");
}

TEST_F(PortalPolicyTest, FramesArePolicedLikePages) {
  Lists({L"allowed.test"}, {});
  web.pages[L"https://allowed.test/page"] =
      scripted::Page{{L"https://allowed.test/frame", L"https://tracker.test/frame", kHome}, 0};
  EXPECT_EQ(Click(L"https://allowed.test/page"), L"https://allowed.test/page");
  EXPECT_EQ(Engine().LoadedFrames(), (std::vector<std::wstring>{L"https://allowed.test/frame", kHome}));
}

TEST_F(PortalPolicyTest, OutsidePopUpGoesToTheDefaultBrowserAndThePortalStays) {
  Lists({}, {L"shop.test"});
  EXPECT_EQ(PopUp(L"https://shop.test/item"), kHome);
  EXPECT_EQ(window.opened, std::vector<std::wstring>{L"https://shop.test/item"});
  EXPECT_TRUE(window.queue.Empty());
}

TEST_F(PortalPolicyTest, OtherPopUpsAreLoadedIntoThePortalWhenAllowed) {
  Lists({L"news.test"}, {});
  Click(L"https://news.test/a");
  EXPECT_EQ(PopUp(L"https://news.test/b"), L"https://news.test/b");
  EXPECT_EQ(PopUp(kHome), kHome);
  EXPECT_TRUE(window.opened.empty());
}

TEST_F(PortalPolicyTest, PopUpsThePolicyRefusesAreDropped) {
  EXPECT_EQ(PopUp(L"https://elsewhere.test/"), kHome);
  EXPECT_TRUE(window.opened.empty());
  EXPECT_EQ(Engine().Loads().size(), 1u);
}

TEST_F(PortalPolicyTest, AddressInBothListsIsAPageInThePortalAndAPopUpOutside) {
  Lists({L"both.test"}, {L"both.test"});
  EXPECT_EQ(Click(L"https://both.test/x"), L"https://both.test/x");
  EXPECT_EQ(PopUp(L"https://both.test/y"), L"https://both.test/x");
  EXPECT_EQ(window.opened, std::vector<std::wstring>{L"https://both.test/y"});
}

TEST_F(PortalPolicyTest, OnlyWebAddressesLeaveForTheDefaultBrowser) {
  Lists({}, {L""});  // an empty key matches every address
  for (const wchar_t* address : {L"file:///etc/passwd", L"/etc/passwd", L"javascript:alert(1)", L"data:text/html,x",
                                 L"custom-scheme://x", L"http:///nohost", L"https://host/with space", L""}) {
    PopUp(address);
  }
  EXPECT_TRUE(window.opened.empty());
  PopUp(L"HTTP://upper.test/");
  EXPECT_EQ(window.opened, std::vector<std::wstring>{L"HTTP://upper.test/"});
}

TEST_F(PortalPolicyTest, OtherSchemesNeverLoadIntoThePortalWithoutAnEntry) {
  for (const wchar_t* address :
       {L"file:///etc/passwd", L"javascript:alert(1)", L"data:text/html,<b>x</b>", L"custom://x"}) {
    EXPECT_EQ(Click(address), kHome);
    EXPECT_EQ(PopUp(address), kHome);
  }
  EXPECT_EQ(Engine().Loads().size(), 1u);
}

TEST_F(PortalPolicyTest, ThousandPopUpsStayBounded) {
  Lists({L"news.test"}, {});
  for (int i = 0; i < 1000; ++i) Engine().OpenWindow(L"https://news.test/" + std::to_wstring(i));
  EXPECT_EQ(window.queue.Size(), 1000u);
  skintest::Pump();
  EXPECT_TRUE(window.queue.Empty());
  EXPECT_EQ(Engine().Shown(), L"https://news.test/999");
  EXPECT_EQ(web.created, 1);
}

TEST_F(PortalPolicyTest, QueuedNavigationWhoseWindowIsGoneIsFreed) {
  Lists({L"news.test"}, {});
  Engine().OpenWindow(L"https://news.test/late");
  ASSERT_EQ(window.queue.Size(), 1u);
  window.queue.Drop();  // runs under LeakSanitizer in the sanitizer build
  window.refuseQueue = true;
  Engine().OpenWindow(L"https://news.test/refused");
  EXPECT_TRUE(window.queue.Empty());
}

TEST_F(PortalPolicyTest, PageClosingTheWindowClosesIt) {
  EXPECT_FALSE(Engine().CloseFromPage());
  skintest::Pump();
  EXPECT_TRUE(window.destroyed);
}

TEST_F(PortalPolicyTest, TopButtonReturnsHomeFromAnyPage) {
  Lists({L"news.test"}, {});
  Click(L"https://news.test/deep/page");
  policy.GoHome();
  EXPECT_EQ(Engine().Shown(), kHome);
}

TEST_F(PortalPolicyTest, HostInfoAddsTheFlagsAndKeepsThoseSet) {
  DOCHOSTUIINFO info{};
  info.dwFlags = 0x10;
  info.dwDoubleClick = 3;
  EXPECT_EQ(Engine().ProbeHostInfo(&info), S_OK);
  EXPECT_EQ(info.cbSize, 20u);
  EXPECT_EQ(info.dwFlags, 0x10u | 0x1 | 0x2 | 0x4 | 0x40000 | 0x200000);
  EXPECT_EQ(info.dwDoubleClick, 0u);
  EXPECT_EQ(policy.GetHostInfo(nullptr), S_OK);
}

TEST_F(PortalPolicyTest, GetWebWhitelistIsCallableAndDoesNothing) {
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(Engine().CallExternal(L"GetWebWhitelist", {}, &result), S_OK);
  EXPECT_EQ(result.vt, VT_EMPTY);
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_I4;
  EXPECT_EQ(Engine().CallExternal(L"GetWebWhitelist", {arg}, &result), DISP_E_BADPARAMCOUNT);
}

}  // namespace
