// The portal inside the main window, on the headless window system with
// the scripted browser engine: window-init sets the "IeWeb" browser up and
// shows home, the policy decides with the window's whitelists, pop-ups go
// to the default browser or into the portal through the window's call
// queue, a page closing the window ends it (acceleration left running),
// "top_btn" returns home, and pop-up addresses whose queued call is
// dropped are freed.
#include "BuildSettings.h"
#include "MainWnd/MainWnd.h"
#include "platform/window/Headless.h"
#include "system/Paths.h"
#include "system/WriteLogFile.h"
#include "tests/MainWnd/MainWndStandIns.h"
#include "tests/http/LogText.h"
#include "tests/support/TempMachineRoot.h"
#include "tests/uiframework_activex/ScriptedBrowser.h"
#include "uiframework/activex/WebBrowserUI.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <thread>
#include <optional>
#include <string>
#include <vector>

namespace {

using SkinUI::CWebBrowserUI;

const std::wstring kHost = L"portal.test:8443";
const std::wstring kHome = L"https://portal.test:8443/daohang/";

std::wstring LayoutWith(const std::wstring& portalElement) {
  return L"<Window size=\"600,400\" caption=\"0,0,0,40\">"
         L"<VerticalLayout name=\"root\">"
         L"<HorizontalLayout height=\"40\">"
         L"<Control name=\"version_lab\" /><Button name=\"top_btn\" width=\"40\" />"
         L"<Button name=\"min_btn\" width=\"40\" /><Button name=\"close_btn\" width=\"40\" />"
         L"</HorizontalLayout>"
         L"<HorizontalLayout height=\"40\">"
         L"<Option name=\"Line1_pot\" /><Option name=\"Line2_pot\" /><Option name=\"Line3_pot\" />"
         L"</HorizontalLayout>" +
         portalElement + L"<Container name=\"init_loading_container\" visible=\"false\" />"
         L"</VerticalLayout></Window>";
}

class NoBoxes : public IMessageBoxUI {
 public:
  int Ask(HWND, const std::wstring&, int, const wchar_t*, const wchar_t*) override { return 0; }
};

// The user's default browser, recording what it is handed.
class RecordingDefaultBrowser : public IDefaultBrowser {
 public:
  bool Open(const std::wstring& address) override {
    opened.push_back(address);
    return true;
  }
  std::vector<std::wstring> opened;
};

void Pump() {
  for (int i = 0; i < 50 && Headless::PumpMessages() > 0; ++i) {
  }
}

class MainWndPortalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_programDir = root.Dir("program").wstring() + L"/";
    g_logFile.SetLogFile(g_programDir + L"log2.log", 1024);
    seams.layout = LayoutWith(L"<WebBrowser name=\"IeWeb\" />");
    seams.portalHost = kHost;
    seams.defaultBrowser = &defaultBrowser;
  }
  void TearDown() override {
    if (window && IsWindow(window->GetHWND())) DestroyWindow(window->GetHWND());
    Pump();
  }

  HWND Open() {
    window = std::make_unique<CMainWnd>(seams);
    HWND hwnd = window->Create(nullptr, kProductTitle, kMainWindowStyle, 0, 0, 0, 0, 0);
    if (hwnd != nullptr) Pump();  // the first paint lays out (creating the browser) and sends "windowinit"
    return hwnd;
  }
  scripted::ScriptedBrowser& Engine() {
    EXPECT_NE(web.last, nullptr);
    return *web.last;
  }
  CWebBrowserUI* IeWeb() {
    return static_cast<CWebBrowserUI*>(window->PaintManager().FindControl(L"IeWeb")->FindInterface(L"WebBrowser"));
  }
  std::wstring Click(const std::wstring& url) {
    Engine().ClickLink(url);
    Pump();
    return Engine().Shown();
  }
  std::wstring PopUp(const std::wstring& url) {
    EXPECT_TRUE(Engine().OpenWindow(url)) << "never a second browser window";
    Pump();
    return Engine().Shown();
  }
  void ClickTopButton() {
    auto& pm = window->PaintManager();
    pm.SendNotify(pm.FindControl(L"top_btn"), L"click");
  }
  std::wstring Log() const { return ReadLogText(root.path() / "program" / "log2.log"); }
  // No browser was made (logged); the window still answers and exits.
  void ExpectAnEmptyPortalAndAWorkingWindow() {
    EXPECT_EQ(web.created, 0);
    EXPECT_NE(Log().find(L"门户浏览器无法创建"), std::wstring::npos) << Log();
    ClickTopButton();
    EXPECT_TRUE(window->RequestExit());
    Pump();
    EXPECT_FALSE(IsWindow(window->GetHWND()));
  }

  TempMachineRoot root;
  scripted::ScriptedWeb web;
  std::optional<scripted::ScriptedBrowserClass> registration{std::in_place, web};
  NoBoxes boxes;
  std::shared_ptr<ScriptedCore> core = std::make_shared<ScriptedCore>();
  RecordingDefaultBrowser defaultBrowser;
  MainWndSeams seams{boxes, core};
  std::unique_ptr<CMainWnd> window;
};

TEST_F(MainWndPortalTest, WindowInitSetsTheBrowserUpAndShowsHome) {
  ASSERT_NE(Open(), nullptr);
  ASSERT_NE(IeWeb(), nullptr);
  EXPECT_NE(IeWeb()->GetEventHandler(), nullptr);
  EXPECT_TRUE(Engine().IsSilent());
  EXPECT_EQ(Engine().Loads(), std::vector<std::wstring>{kHome});
  EXPECT_EQ(Engine().Shown(), kHome);
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(Engine().CallExternal(L"GetWebWhitelist", {}, &result), S_OK);

  // A second "windowinit" leaves the portal as it is.
  auto& pm = window->PaintManager();
  pm.SendNotify(pm.FindControl(L"root"), L"windowinit");
  EXPECT_EQ(Engine().Loads().size(), 1u);
  EXPECT_EQ(web.created, 1);
}

TEST_F(MainWndPortalTest, WithoutAHostTheBuildsPortalHostIsHome) {
  seams.portalHost.clear();
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(Engine().Shown(), std::wstring(L"https://") + build_settings::kPortalHost + L"/daohang/");
}

TEST_F(MainWndPortalTest, ThePolicyDecidesWithTheWindowsWhitelists) {
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(Click(L"https://news.test/a"), kHome) << "refused while the lists are empty";
  EXPECT_EQ(Click(kHome + L"?q=1"), kHome);
  window->InsideWhitelist().Append({L"news.test"});
  EXPECT_EQ(Click(L"https://news.test/a"), L"https://news.test/a");
  EXPECT_EQ(Click(L"https://other.test/"), L"https://news.test/a");
  EXPECT_EQ(Engine().Loads(), (std::vector<std::wstring>{kHome, L"https://news.test/a"}));
}

TEST_F(MainWndPortalTest, PopUpsGoToTheDefaultBrowserOrIntoThePortal) {
  ASSERT_NE(Open(), nullptr);
  window->InsideWhitelist().Append({L"news.test", L"both.test"});
  window->OutsideWhitelist().Append({L"shop.test", L"both.test"});

  EXPECT_EQ(PopUp(L"https://shop.test/item"), kHome) << "the portal stays as it was";
  EXPECT_EQ(PopUp(L"https://both.test/x"), kHome);
  EXPECT_EQ(defaultBrowser.opened, (std::vector<std::wstring>{L"https://shop.test/item", L"https://both.test/x"}));

  Engine().OpenWindow(L"https://news.test/b");
  EXPECT_EQ(Engine().Shown(), kHome) << "loaded a moment later, through the window's queue";
  Pump();
  EXPECT_EQ(Engine().Shown(), L"https://news.test/b");
  EXPECT_EQ(PopUp(L"https://elsewhere.test/"), L"https://news.test/b") << "dropped by the policy";
  EXPECT_EQ(defaultBrowser.opened.size(), 2u);
  EXPECT_EQ(web.created, 1);
}

TEST_F(MainWndPortalTest, APageClosingTheWindowEndsItAndLeavesAcceleration) {
  ASSERT_NE(Open(), nullptr);
  HWND hwnd = window->GetHWND();
  EXPECT_FALSE(Engine().CloseFromPage()) << "the close is not cancelled";
  EXPECT_TRUE(IsWindow(hwnd)) << "closed when the posted WM_CLOSE arrives";
  Pump();
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_TRUE(window->IsQueueClosed());
  EXPECT_FALSE(window->IsExiting()) << "not the exit routine";
  EXPECT_EQ(core->stopsIfObtained, 0) << "acceleration is left running";
}

TEST_F(MainWndPortalTest, TheTopButtonReturnsHomeFromAnyPage) {
  ASSERT_NE(Open(), nullptr);
  window->InsideWhitelist().Append({L"news.test"});
  Click(L"https://news.test/deep/page");
  ClickTopButton();
  EXPECT_EQ(Engine().Shown(), kHome);
  EXPECT_EQ(Engine().Loads(), (std::vector<std::wstring>{kHome, L"https://news.test/deep/page", kHome}));
}

TEST_F(MainWndPortalTest, PopUpAddressesWhoseCallIsDroppedAreFreed) {
  // LeakSanitizer (the sanitizer build) sees any copy left behind.
  ASSERT_NE(Open(), nullptr);
  window->InsideWhitelist().Append({L"news.test"});
  Engine().OpenWindow(L"https://news.test/late");
  Engine().OpenWindow(L"https://elsewhere.test/late");
  DestroyWindow(window->GetHWND());  // the window goes with both calls queued
  Pump();
  EXPECT_TRUE(window->IsQueueClosed());
  window.reset();
}

TEST_F(MainWndPortalTest, PopUpAddressesQueuedWhenTheWindowObjectGoesAreFreed) {
  ASSERT_NE(Open(), nullptr);
  Engine().OpenWindow(L"https://news.test/late");
  window.reset();
}

TEST_F(MainWndPortalTest, PopUpsAfterTheExitRoutineBeganAreFreed) {
  ASSERT_NE(Open(), nullptr);
  EXPECT_TRUE(window->RequestExit());
  Engine().OpenWindow(L"https://news.test/queued-before-exit");
  Pump();
  EXPECT_FALSE(IsWindow(window->GetHWND()));
  EXPECT_EQ(core->stopsIfObtained, 1);
}

TEST_F(MainWndPortalTest, WithoutABrowserEngineTheWindowStillWorks) {
  registration.reset();  // no engine: the class is missing, so creation fails
  ASSERT_NE(Open(), nullptr);
  ASSERT_NE(IeWeb(), nullptr);
  EXPECT_EQ(IeWeb()->GetBrowser(), nullptr);
  ExpectAnEmptyPortalAndAWorkingWindow();
}

// An engine made ready on request, as the program's module is once the
// window is on screen: the test decides when it is ready.
class HeldPortalEngine : public IPortalEngine {
 public:
  void Prepare(std::function<void(bool)> onReady) override {
    ++prepared;
    ready = std::move(onReady);
  }
  int prepared = 0;
  std::function<void(bool)> ready;
};

TEST_F(MainWndPortalTest, TheEngineIsPreparedAfterTheFirstPaintAndThePortalThenShowsHome) {
  registration.reset();
  auto engine = std::make_shared<HeldPortalEngine>();
  seams.portalEngine = engine;
  ASSERT_NE(Open(), nullptr);
  // The first paint came first: window-init's later steps ran, the engine
  // is being prepared and no browser exists yet.
  const std::wstring log = Log();
  ASSERT_NE(log.find(L"]主窗口已显示\r\n"), std::wstring::npos) << log;
  EXPECT_LT(log.find(L"]初始化\r\n"), log.find(L"]主窗口已显示\r\n"));
  EXPECT_EQ(core->stops, 1);
  ASSERT_EQ(engine->prepared, 1);
  EXPECT_EQ(web.created, 0);
  EXPECT_EQ(IeWeb()->GetBrowser(), nullptr);
  // A second "windowinit" meanwhile asks for nothing more.
  auto& pm = window->PaintManager();
  pm.SendNotify(pm.FindControl(L"root"), L"windowinit");
  Pump();
  EXPECT_EQ(engine->prepared, 1);

  registration.emplace(web);
  engine->ready(true);
  Pump();
  EXPECT_EQ(web.created, 1);
  EXPECT_NE(IeWeb()->GetBrowser(), nullptr);
  EXPECT_EQ(Engine().Loads(), std::vector<std::wstring>{kHome});
  EXPECT_TRUE(Engine().IsSilent());
  EXPECT_EQ(Log().find(L"门户浏览器无法创建"), std::wstring::npos) << Log();
}

TEST_F(MainWndPortalTest, AnEngineThatCannotBePreparedLeavesThePortalEmptyAndTheWindowWorking) {
  registration.reset();
  auto engine = std::make_shared<HeldPortalEngine>();
  seams.portalEngine = engine;
  ASSERT_NE(Open(), nullptr);
  engine->ready(false);
  Pump();
  ExpectAnEmptyPortalAndAWorkingWindow();
}

TEST_F(MainWndPortalTest, AnEngineReadyAfterTheWindowWentReachesNothing) {
  auto engine = std::make_shared<HeldPortalEngine>();
  seams.portalEngine = engine;
  ASSERT_NE(Open(), nullptr);
  ASSERT_TRUE(engine->ready != nullptr);
  EXPECT_TRUE(window->RequestExit());
  Pump();
  engine->ready(true);  // the exit routine has begun: dropped
  Pump();
  window.reset();
  engine->ready(true);  // the window object is gone
  Pump();
  EXPECT_EQ(web.created, 1) << "only the browser the first layout made";
}

TEST_F(MainWndPortalTest, AnIeWebThatIsNoBrowserIsLoggedAndSkipped) {
  seams.layout = LayoutWith(L"<Control name=\"IeWeb\" />");
  ASSERT_NE(Open(), nullptr);
  EXPECT_NE(Log().find(L"控件 IeWeb 不是网页浏览器控件"), std::wstring::npos) << Log();
  ClickTopButton();
  EXPECT_EQ(web.created, 0);
}

// The shell's "open" hands only web addresses to the desktop: a recording
// xdg-open on PATH hears the one it may, never a file or a program.
TEST(ShellDefaultBrowser, OnlyWebAddressesReachTheDesktop) {
  TempMachineRoot root;
  g_programDir = root.Dir("program").wstring() + L"/";
  g_logFile.SetLogFile(g_programDir + L"log2.log", 1024);
  const std::filesystem::path bin = root.Dir("bin");
  const std::filesystem::path opened = root.path() / "opened.txt";
  std::ofstream(bin / "xdg-open") << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << opened.string() << "'\n";
  std::filesystem::permissions(bin / "xdg-open", std::filesystem::perms::owner_all);
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  setenv("PATH", (bin.string() + ":" + path).c_str(), 1);

  CShellDefaultBrowser shell;
  for (const wchar_t* refused : {L"file:///etc/passwd", L"/usr/bin/true", L"javascript:alert(1)",
                                 L"custom://x", L"https://host/with space", L""})
    EXPECT_FALSE(shell.Open(refused)) << std::wstring(refused).size();
  EXPECT_TRUE(shell.Open(L"https://www.example.com/?from=portal"));
  std::string text;
  for (int i = 0; i < 500 && text.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::stringstream read;
    read << std::ifstream(opened).rdbuf();
    text = read.str();
  }
  setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(text, "https://www.example.com/?from=portal\n");
  EXPECT_NE(ReadLogText(root.path() / "program" / "log2.log").find(L"不是网页地址"), std::wstring::npos);
}

}  // namespace
