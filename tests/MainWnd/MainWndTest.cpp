// The main window on the headless window system, with a layout of the
// test's own: creation, window-init with a missing control, the hit test,
// the rounded shape, the system commands, the notifications, the error-code
// message, the configuration thread's notices and the exit routine.
#include "MainWnd/MainWnd.h"
#include "http/HttpModule.h"
#include "platform/Threads.h"
#include "platform/window/Headless.h"
#include "platform/window/Regions.h"
#include "system/Paths.h"
#include "system/WriteLogFile.h"
#include "tests/MainWnd/MainWndStandIns.h"
#include "tests/http/LogText.h"
#include "tests/http/SilentListener.h"
#include "tests/support/TempMachineRoot.h"
#include "uiframework/layout/ContainerUI.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using SkinUI::CControlUI;

// Every named control but "IeWeb"; the caption is the top 40 pixels, with
// rounded corners of 6 by 6.
constexpr wchar_t kLayout[] =
    L"<Window size=\"400,300\" caption=\"0,0,0,40\" roundcorner=\"6,6\">"
    L"<VerticalLayout name=\"root\">"
    L"<HorizontalLayout name=\"caption_row\" height=\"40\">"
    L"<Control name=\"version_lab\" width=\"100\" />"
    L"<Control name=\"top_btn\" width=\"40\" />"
    L"<Control name=\"min_btn\" width=\"40\" />"
    L"<Control name=\"close_btn\" width=\"40\" />"
    L"</HorizontalLayout>"
    L"<HorizontalLayout height=\"40\">"
    L"<Control name=\"Line1_pot\" width=\"80\" />"
    L"<Control name=\"Line2_pot\" width=\"80\" />"
    L"<Control name=\"Line3_pot\" width=\"80\" />"
    L"</HorizontalLayout>"
    L"<Container name=\"init_loading_container\" />"
    L"</VerticalLayout>"
    L"</Window>";

// A control that takes the mouse itself, as buttons do.
class ClassedControl : public CControlUI {
 public:
  explicit ClassedControl(LPCWSTR className) : m_class(className) {}
  LPCWSTR GetClass() const override { return m_class; }

 private:
  LPCWSTR m_class;
};

void Pump() {
  for (int i = 0; i < 50 && Headless::PumpMessages() > 0; ++i) {
  }
}

class MainWndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_programDir = root.Dir("program").wstring() + L"/";
    g_logFile.SetLogFile(g_programDir + L"log2.log", 1024);
    seams.layout = kLayout;
    seams.workerStopMs = 5000;
    // The configuration thread's transfers, as the program has them.
    seams.http = std::make_shared<CHttpModule>(std::string(std::getenv("BRISGOL_BUILD_DIR")) + "/bin/brisgol-http.so");
  }
  void TearDown() override {
    if (window && IsWindow(window->GetHWND())) DestroyWindow(window->GetHWND());
  }

  HWND Open() {
    window = std::make_unique<CMainWnd>(seams);
    HWND hwnd = window->Create(nullptr, kProductTitle, kMainWindowStyle, 0, 0, 0, 0, 0);
    if (hwnd != nullptr) {
      SetWindowPos(hwnd, nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
      Pump();  // the first paint lays out and sends "windowinit"
    }
    return hwnd;
  }
  std::wstring Log() const { return ReadLogText(root.path() / "program" / "log2.log"); }
  size_t Count(const std::wstring& text) const {
    std::wstring log = Log();
    size_t count = 0;
    for (size_t at = log.find(text); at != std::wstring::npos; at = log.find(text, at + 1)) ++count;
    return count;
  }
  CControlUI* Named(LPCWSTR name) { return window->PaintManager().FindControl(name); }
  void Notify(LPCWSTR name, LPCWSTR type) { window->PaintManager().SendNotify(Named(name), type); }
  LRESULT HitTest(int clientX, int clientY) {
    return SendMessageW(window->GetHWND(), WM_NCHITTEST, 0, MAKELPARAM(100 + clientX, 100 + clientY));
  }

  TempMachineRoot root;
  RecordingBoxes boxes;
  std::shared_ptr<ScriptedCore> core = std::make_shared<ScriptedCore>();
  MainWndSeams seams{boxes, core};
  std::unique_ptr<CMainWnd> window;
};

TEST_F(MainWndTest, CreationBuildsTheTreeWithoutCaptionOrFrameAndSetsTheGlobal) {
  EXPECT_EQ(g_mainWnd, nullptr);
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(g_mainWnd, window.get());
  HWND hwnd = window->GetHWND();
  LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME), 0);
  EXPECT_NE(style & WS_CLIPCHILDREN, 0);
  EXPECT_EQ(FindWindowW(L"CMainWnd", L"Brisgol加速器插件"), hwnd);
  RECT rc{};
  GetWindowRect(hwnd, &rc);
  EXPECT_EQ(rc.right - rc.left, 400);
  EXPECT_EQ(rc.bottom - rc.top, 300);
  window.reset();
  EXPECT_EQ(g_mainWnd, nullptr);
}

TEST_F(MainWndTest, WindowInitBindsWhatExistsAndLogsAMissingControlOnce) {
  ASSERT_NE(Open(), nullptr);
  std::wstring log = Log();
  EXPECT_NE(log.find(L"]初始化\r\n"), std::wstring::npos);
  EXPECT_EQ(Count(L"界面缺少控件：IeWeb"), 1u);
  EXPECT_EQ(Count(L"界面缺少控件："), 1u) << log;
  EXPECT_EQ(Named(L"version_lab")->GetText(), L"版本：1.0.4");
  for (LPCWSTR line : {L"Line1_pot", L"Line2_pot", L"Line3_pot"}) EXPECT_EQ(Named(line)->GetTag(), 1u);
  EXPECT_EQ(core->stops, 1) << "an earlier run's acceleration is cleared at window-init";
  EXPECT_NE(log.find(L"没有配置地址，配置线程未启动"), std::wstring::npos);

  // A second "windowinit" (the tree attached again) logs the name no more.
  Notify(L"root", L"windowinit");
  EXPECT_EQ(Count(L"界面缺少控件：IeWeb"), 1u);
}

TEST_F(MainWndTest, AWindowWithoutAnyNamedControlStillRunsAndExits) {
  seams.layout = L"<Window size=\"300,200\"><VerticalLayout name=\"root\" /></Window>";
  ASSERT_NE(Open(), nullptr);
  for (LPCWSTR name : {L"init_loading_container", L"top_btn", L"version_lab", L"Line1_pot", L"Line2_pot",
                       L"Line3_pot", L"IeWeb"})
    EXPECT_EQ(Count(std::wstring(L"界面缺少控件：") + name), 1u) << name;
  EXPECT_TRUE(window->RequestExit());
  Pump();
  EXPECT_FALSE(IsWindow(window->GetHWND()));
}

TEST_F(MainWndTest, AMissingOrBrokenLayoutRefusesTheWindowWithARecord) {
  seams.layout = L"no-such-layout.xml";
  EXPECT_EQ(Open(), nullptr);
  EXPECT_NE(Log().find(L"界面布局 no-such-layout.xml 无法读取"), std::wstring::npos) << Log();
  seams.layout = L"<Window><VerticalLayout";
  EXPECT_EQ(Open(), nullptr);
  EXPECT_EQ(FindWindowW(L"CMainWnd", nullptr), nullptr);
}

TEST_F(MainWndTest, HitTestDragsByTheCaptionExceptOverControlsThatTakeTheMouse) {
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(HitTest(50, 10), HTCAPTION) << "a plain control in the caption area";
  EXPECT_EQ(HitTest(350, 10), HTCAPTION) << "the caption row's background";
  EXPECT_EQ(HitTest(50, 60), HTCLIENT) << "below the caption";
  EXPECT_EQ(HitTest(-5, 10), HTCLIENT) << "left of the window";

  auto* row = static_cast<SkinUI::CContainerUI*>(Named(L"caption_row")->FindInterface(L"Container"));
  for (LPCWSTR className : {L"Button", L"Option", L"RichEdit", L"Label"}) {
    auto* control = new ClassedControl(className);
    control->SetFixedWidth(40);
    row->AddAt(control, 0);
    window->PaintManager().UpdateLayout(RECT{0, 0, 400, 300});
    EXPECT_EQ(HitTest(10, 10), std::wstring(className) == L"Label" ? HTCAPTION : HTCLIENT)
        << std::wstring(className).size();
    row->Remove(control);
  }
}

TEST_F(MainWndTest, TheShapeFollowsTheRoundCornerSize) {
  ASSERT_NE(Open(), nullptr);
  HWND hwnd = window->GetHWND();
  HRGN shape = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(hwnd, shape), ERROR);
  EXPECT_FALSE(PtInRegion(shape, 0, 0)) << "the corner is cut";
  EXPECT_TRUE(PtInRegion(shape, 200, 150));
  EXPECT_TRUE(PtInRegion(shape, 399, 150));

  // Minimised: the shape is left as it is.
  ShowWindow(hwnd, SW_MINIMIZE);
  Pump();
  EXPECT_NE(GetWindowRgn(hwnd, shape), ERROR);
  DeleteObject(shape);
}

TEST_F(MainWndTest, WithoutRoundCornersTheWindowStaysRectangular) {
  seams.layout = L"<Window size=\"300,200\"><VerticalLayout name=\"root\" /></Window>";
  ASSERT_NE(Open(), nullptr);
  HRGN shape = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(window->GetHWND(), shape), ERROR);
  DeleteObject(shape);
}

TEST_F(MainWndTest, SystemCommandsHideOnCloseMinimiseAndIgnoreMaximise) {
  ASSERT_NE(Open(), nullptr);
  HWND hwnd = window->GetHWND();
  EXPECT_EQ(SendMessageW(hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0), 0);
  EXPECT_FALSE(IsZoomed(hwnd));
  EXPECT_EQ(SendMessageW(hwnd, WM_SYSCOMMAND, SC_KEYMENU, 0), 0);
  EXPECT_EQ(SendMessageW(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0), 0);
  EXPECT_TRUE(IsIconic(hwnd));
  ShowWindow(hwnd, SW_RESTORE);
  EXPECT_EQ(SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0), 0);
  Pump();
  EXPECT_TRUE(IsWindow(hwnd)) << "the close command only hides";
  EXPECT_FALSE(IsWindowVisible(hwnd));
  ShowWindow(hwnd, SW_SHOWNORMAL);
  PostMessageW(hwnd, WM_CLOSE, 0, 0);  // the desktop's close, e.g. a window manager's button
  Pump();
  EXPECT_TRUE(IsWindow(hwnd));
  EXPECT_FALSE(IsWindowVisible(hwnd));
  EXPECT_EQ(core->stopsIfObtained, 0);
}

TEST_F(MainWndTest, DoubleClickOnTheCaptionTogglesMaximised) {
  ASSERT_NE(Open(), nullptr);
  HWND hwnd = window->GetHWND();
  SendMessageW(hwnd, WM_NCLBUTTONDBLCLK, HTCAPTION, 0);
  EXPECT_TRUE(IsZoomed(hwnd));
  SendMessageW(hwnd, WM_NCLBUTTONDBLCLK, HTCAPTION, 0);
  EXPECT_FALSE(IsZoomed(hwnd));
}

TEST_F(MainWndTest, CloseButtonHidesAtOnceAndExitsWhenTheWakeUpArrives) {
  ASSERT_NE(Open(), nullptr);
  HWND hwnd = window->GetHWND();
  Notify(L"close_btn", L"click");
  EXPECT_FALSE(IsWindowVisible(hwnd));
  EXPECT_TRUE(IsWindow(hwnd));
  EXPECT_EQ(core->stopsIfObtained, 0) << "the exit routine waits for the wake-up";
  Pump();
  EXPECT_EQ(core->stopsIfObtained, 1);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_TRUE(window->IsQueueClosed());
}

TEST_F(MainWndTest, TheExitRoutineRunsOnceHoweverOftenItIsAsked) {
  ASSERT_NE(Open(), nullptr);
  EXPECT_TRUE(window->RequestExit());
  EXPECT_TRUE(window->RequestExit());
  window->ExitApp(0, nullptr);  // the tray's exit arriving meanwhile
  EXPECT_TRUE(window->IsExiting());
  EXPECT_FALSE(window->RequestExit()) << "nothing is queued once the routine has begun";
  Pump();
  EXPECT_EQ(core->stopsIfObtained, 1);
  EXPECT_FALSE(IsWindow(window->GetHWND()));
}

TEST_F(MainWndTest, MinimiseButton) {
  ASSERT_NE(Open(), nullptr);
  Notify(L"min_btn", L"click");
  EXPECT_TRUE(IsIconic(window->GetHWND()));
}

TEST_F(MainWndTest, ErrorCodeMessageShowsTheCodesTextFromAnySender) {
  ASSERT_NE(Open(), nullptr);
  HWND hwnd = window->GetHWND();
  const LPARAM codes[] = {24, 99, -1, static_cast<LPARAM>((1LL << 32) + 24), 1};
  for (LPARAM code : codes) EXPECT_EQ(SendMessageW(hwnd, WM_USER + 1001, 0, code), 0);
  PostMessageW(hwnd, WM_USER + 1001, 7, 3);
  Pump();
  ASSERT_EQ(boxes.asked.size(), 6u);
  EXPECT_EQ(boxes.asked[0].text,
            L"检测到Orvanta正在运行，加速效果将受到影响，建议您退出Orvanta后再启动加速器进行加速");
  EXPECT_EQ(boxes.asked[1].text, L"未知错误");
  EXPECT_EQ(boxes.asked[2].text, L"未知错误");
  EXPECT_EQ(boxes.asked[3].text, L"未知错误") << "never truncated to 24";
  EXPECT_EQ(boxes.asked[4].text, L"成功");
  EXPECT_EQ(boxes.asked[5].text, L"连接服务器失败,请检查您的网络");
  for (const AskedBox& box : boxes.asked) {
    EXPECT_EQ(box.owner, hwnd);
    EXPECT_EQ(box.type, 1);
    EXPECT_EQ(box.first, L"确定");
    EXPECT_EQ(box.second, L"取消");
  }
  EXPECT_EQ(SendMessageW(hwnd, WM_USER + 1002, 0, 0), 0);
  EXPECT_EQ(boxes.asked.size(), 6u);
}

TEST_F(MainWndTest, APostAfterTheWindowIsGoneIsDropped) {
  ASSERT_NE(Open(), nullptr);
  DestroyWindow(window->GetHWND());  // as a page closing the window would
  EXPECT_TRUE(window->IsQueueClosed());
  EXPECT_FALSE(window->RequestExit());
  Pump();
  EXPECT_EQ(core->stopsIfObtained, 0);
}

TEST_F(MainWndTest, AFailedConfigurationIsToldOnTheWindowThreadThenTheProgramExits) {
  // Nothing listens there: the document cannot be fetched.
  seams.configUrl = "http://127.0.0.1:9/tolvene/config.txt";
  // The refused fetch may end the window before Open returns: keep the
  // handle Open gives, not what the window object says afterwards.
  HWND hwnd = Open();
  ASSERT_NE(hwnd, nullptr);
  for (int i = 0; i < 500 && IsWindow(hwnd); ++i) {
    Pump();
    Sleep(10);
  }
  ASSERT_FALSE(IsWindow(hwnd)) << Log();
  ASSERT_EQ(boxes.asked.size(), 1u);
  EXPECT_EQ(boxes.asked[0].text, L"初始化失败，程序即将关闭");
  EXPECT_EQ(boxes.asked[0].owner, hwnd);
  EXPECT_EQ(boxes.asked[0].type, 1);
  EXPECT_NE(Log().find(L"]初始化失败\r\n"), std::wstring::npos);
  EXPECT_EQ(core->stopsIfObtained, 1);
}

TEST_F(MainWndTest, WithoutTransfersNoConfigurationThreadStarts) {
  SilentListener server;
  ASSERT_NE(server.port(), 0);
  seams.configUrl = server.Url("/tolvene/config.txt");
  seams.http = nullptr;
  ASSERT_NE(Open(), nullptr);
  EXPECT_NE(Log().find(L"没有网络传输，配置线程未启动"), std::wstring::npos);
  EXPECT_FALSE(server.Accept(100)) << "nothing was fetched";
  EXPECT_TRUE(IsWindow(window->GetHWND()));
}

TEST_F(MainWndTest, TheExitRoutineCancelsAConfigurationFetchThatNeverGetsAnAnswer) {
  SilentListener server;
  ASSERT_NE(server.port(), 0);
  seams.configUrl = server.Url("/tolvene/config.txt");
  // Far longer than the cancelled fetch needs: a worker still running at
  // the end of it would be left behind (and logged).
  seams.workerStopMs = 20000;
  ASSERT_NE(Open(), nullptr);
  ASSERT_TRUE(server.Accept(20000)) << "the configuration thread never connected";
  const auto begun = std::chrono::steady_clock::now();
  window->ExitApp(0, nullptr);
  const auto took = std::chrono::steady_clock::now() - begun;
  RecordProperty("exit_ms", static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
  EXPECT_EQ(Count(L"未能按时结束"), 0u) << "the worker was joined, not left behind";
  EXPECT_LT(took, std::chrono::milliseconds(seams.workerStopMs));
  Pump();
  EXPECT_FALSE(IsWindow(window->GetHWND()));
  EXPECT_TRUE(boxes.asked.empty()) << "the cancelled fetch tells nothing";
}

}  // namespace
