// The main window's line selection on the headless window system, with a
// stand-in acceleration core whose starts end when the test says so: the
// automatic start after the configuration, confirmed and declined line
// changes, failures, overlapping starts, the end of the local proxy while
// accelerating, the options' quality figures with the suggested line, and
// the status strip fed by a stand-in of the local proxy's status socket.
#include "MainWnd/MainWnd.h"
#include "http/CurlTransport.h"
#include "platform/window/Headless.h"
#include "tests/MainWnd/MainWndStandIns.h"
#include "tests/MainWnd/ScriptedLineServer.h"
#include "tests/MainWnd/ScriptedStatusServer.h"
#include "tests/outside/support/ChildProcess.h"
#include "tests/support/LoopbackPort.h"
#include "tests/http/DownloadFixture.h"
#include "tests/http/TestDocuments.h"
#include "uiframework/controls/OptionUI.h"

#include <signal.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using SkinUI::COptionUI;

const std::wstring kFailureText = L"连接线路失败，请切换线路或重启尝试！";
const wchar_t* const kConfirm[] = {L"", L"确定使用线路一？", L"确定使用线路二？", L"确定使用线路三？"};

// The named controls of the main window; the line options in one group,
// option 1 selected by the markup when selectFirst. Every text control has
// a fixed size, so that the layout never asks the font system (whose own
// threads the thread sanitizer cannot see into).
std::wstring Layout(bool selectFirst) {
  std::wstring options;
  for (int line = 1; line <= 3; ++line)
    options += L"<Option name=\"Line" + std::to_wstring(line) + L"_pot\" group=\"line\" text=\"线路" +
               std::wstring(1, L"一二三"[line - 1]) + L"\" width=\"100\" height=\"40\"" +
               (line == 1 && selectFirst ? L" selected=\"true\"" : L"") + L" />";
  return L"<Window size=\"400,300\" caption=\"0,0,0,40\"><VerticalLayout name=\"root\">"
         L"<HorizontalLayout height=\"40\"><Control name=\"version_lab\" /><Control name=\"top_btn\" />"
         L"<Control name=\"min_btn\" /><Control name=\"close_btn\" /></HorizontalLayout>"
         L"<HorizontalLayout height=\"40\">" +
         options +
         L"</HorizontalLayout>"
         L"<Control name=\"IeWeb\" /><Container name=\"init_loading_container\" visible=\"false\" />"
         L"<Label name=\"status_lab\" text=\"稳定 · 低延迟 · 智能加速\" width=\"300\" height=\"20\" />"
         L"</VerticalLayout></Window>";
}

// A process standing in for the running local proxy.
class StandInProxy {
 public:
  StandInProxy() { child_.Start({"sleep", "60"}); }
  DWORD id() const { return child_.pid() > 0 ? static_cast<DWORD>(child_.pid()) : 0; }
  void End() { child_.Stop(SIGKILL, std::chrono::seconds(5)); }

 private:
  ChildProcess child_;
};

class LineSelectionTest : public DownloadFixture {
 protected:
  void SetUp() override {
    DownloadFixture::SetUp();
    seams.layout = Layout(true);
    seams.workerStopMs = 5000;
  }
  void TearDown() override {
    if (window && IsWindow(window->GetHWND())) window->ExitApp(0, nullptr);
    window.reset();
    DownloadFixture::TearDown();
  }

  void Open() {
    window = std::make_unique<CMainWnd>(seams);
    HWND hwnd = window->Create(nullptr, kProductTitle, kMainWindowStyle, 0, 0, 0, 0, 0);
    ASSERT_NE(hwnd, nullptr);
    Pump();
  }
  static void Pump() {
    for (int i = 0; i < 50 && Headless::PumpMessages() > 0; ++i) {
    }
  }
  // Runs the window's messages until done (at most 10 s).
  bool PumpUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 1000; ++i) {
      Pump();
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  // Gives reports that should not come a chance to arrive.
  void Settle() {
    for (int i = 0; i < 20; ++i) {
      Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  COptionUI* Option(int line) {
    auto* control = window->PaintManager().FindControl((L"Line" + std::to_wstring(line) + L"_pot").c_str());
    return static_cast<COptionUI*>(control->FindInterface(L"Option"));
  }
  // As a click on the option does.
  void Choose(int line) { Option(line)->Activate(); }
  std::vector<UINT_PTR> Tags() {
    return {Option(1)->GetTag(), Option(2)->GetTag(), Option(3)->GetTag()};
  }
  std::vector<int> Selected() {
    std::vector<int> lines;
    for (int line = 1; line <= 3; ++line)
      if (Option(line)->IsSelected()) lines.push_back(line);
    return lines;
  }
  bool Loading() { return window->PaintManager().FindControl(L"init_loading_container")->IsVisible(); }
  bool Portal() { return window->PaintManager().FindControl(L"IeWeb")->IsVisible(); }
  bool Accelerating() { return window->GetLineState() == CMainWnd::LineState::Accelerating; }
  bool Failed() { return window->GetLineState() == CMainWnd::LineState::Failed; }
  size_t Count(const std::wstring& text) const {
    const std::wstring log = LogText();
    size_t n = 0;
    for (size_t at = log.find(text); at != std::wstring::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }
  // Starts line 1 as the configuration's success does, and lets it
  // succeed; returns once the window took the outcome.
  void AccelerateLine1(DWORD proxyId = 0) {
    window->StartLine(1);
    ASSERT_TRUE(core->WaitForStarts(1));
    core->Resolve(0, ScriptedCore::Success(proxyId));
    ASSERT_TRUE(PumpUntil([&] { return window->GetLineState() != CMainWnd::LineState::Starting; }));
  }

  RecordingBoxes boxes;
  std::shared_ptr<ScriptedCore> core = std::make_shared<ScriptedCore>();
  MainWndSeams seams{boxes, core};
  std::unique_ptr<CMainWnd> window;
};

TEST_F(LineSelectionTest, AfterASuccessfulConfigurationLine1StartsWithoutAQuestion) {
  Serve("tolvene/config.txt", SealWithDocumentKey("{\"in_open_url\":\"" + server_->Url("/files/in.txt") +
                                                  "\",\"out_open_url\":\"" + server_->Url("/files/out.txt") + "\",\"update_md5\":\"\",\"update_url\":\"\"}"));
  Serve("in.txt", SealWithDocumentKey("[\"inside\"]"));
  Serve("out.txt", SealWithDocumentKey("[\"outside\"]"));
  seams.configUrl = server_->Url("/files/tolvene/config.txt");
  seams.http = std::make_shared<CCurlTransports>();
  Open();
  ASSERT_TRUE(PumpUntil([&] { return Loading(); })) << LogText();
  ASSERT_TRUE(core->WaitForStarts(1));
  EXPECT_EQ(core->StartedLines(), std::vector<int>{1});
  EXPECT_FALSE(Portal());
  EXPECT_TRUE(boxes.asked.empty()) << "no question before the automatic start";
  EXPECT_EQ(Tags(), (std::vector<UINT_PTR>{1, 1, 1}));
  EXPECT_EQ(core->prepares, 1) << "the earlier proxy ended and the rules removed before the start";

  core->Resolve(0, ScriptedCore::Success());
  ASSERT_TRUE(PumpUntil([&] { return Accelerating(); }));
  EXPECT_FALSE(Loading());
  EXPECT_TRUE(Portal());
  EXPECT_EQ(Count(L"]加速成功\r\n"), 1u);
}

TEST_F(LineSelectionTest, ConfirmingLine2SetsEveryTagRestartsAndBringsThePortalBack) {
  Open();
  AccelerateLine1();
  ASSERT_TRUE(Accelerating());
  const int stopsBefore = core->Stops();
  boxes.answer = 1;
  Choose(2);
  ASSERT_EQ(boxes.asked.size(), 1u);
  const AskedBox& box = boxes.asked[0];
  EXPECT_EQ(box.text, L"确定使用线路二？");
  EXPECT_EQ(box.type, 2);
  EXPECT_EQ(box.first, L"确定");
  EXPECT_EQ(box.second, L"取消");
  EXPECT_EQ(box.owner, window->GetHWND());
  EXPECT_EQ(Tags(), (std::vector<UINT_PTR>{2, 2, 2}));
  EXPECT_EQ(Selected(), std::vector<int>{2});
  EXPECT_TRUE(Loading());
  EXPECT_FALSE(Portal());
  EXPECT_EQ(core->prepares, 2) << "line 1's proxy and rules went first";

  ASSERT_TRUE(core->WaitForStarts(2));
  EXPECT_EQ(core->StartedLines(), (std::vector<int>{1, 2}));
  core->Resolve(1, ScriptedCore::Success());
  ASSERT_TRUE(PumpUntil([&] { return Accelerating(); }));
  EXPECT_TRUE(Portal());
  EXPECT_FALSE(Loading());
  EXPECT_EQ(core->Stops(), stopsBefore) << "a success stops nothing";
  EXPECT_EQ(Count(L"]加速成功\r\n"), 2u);
}

TEST_F(LineSelectionTest, EachLineAsksItsOwnQuestion) {
  Open();
  boxes.script = {2, 2, 1, 2};
  for (int line : {2, 3, 2, 1}) Choose(line);
  ASSERT_EQ(boxes.asked.size(), 4u);
  const int asked[] = {2, 3, 2, 1};
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(boxes.asked[i].text, kConfirm[asked[i]]);
}

TEST_F(LineSelectionTest, DecliningLine3PutsTheCurrentLineBackSilentlyAndTouchesNothing) {
  Open();
  AccelerateLine1();
  ASSERT_TRUE(Accelerating());
  boxes.script = {1, 2};
  Choose(2);
  ASSERT_TRUE(core->WaitForStarts(2));
  core->Resolve(1, ScriptedCore::Success());
  ASSERT_TRUE(PumpUntil([&] { return Accelerating(); }));
  const int preparesBefore = core->prepares, stopsBefore = core->Stops();

  Choose(3);
  ASSERT_EQ(boxes.asked.size(), 2u) << "putting line 2 back asks nothing (no notification)";
  EXPECT_EQ(boxes.asked[1].text, L"确定使用线路三？");
  EXPECT_EQ(Selected(), std::vector<int>{2});
  EXPECT_EQ(Tags(), (std::vector<UINT_PTR>{2, 2, 2}));
  Settle();
  EXPECT_EQ(core->prepares, preparesBefore) << "no start";
  EXPECT_EQ(core->Stops(), stopsBefore) << "no stop";
  EXPECT_EQ(core->StartedLines().size(), 2u);
  EXPECT_TRUE(Accelerating());
  EXPECT_TRUE(Portal());
}

TEST_F(LineSelectionTest, DecliningLine2WhileTheTagsHold1SelectsLine1WhateverTheMarkupSelected) {
  for (bool selectFirst : {true, false}) {
    seams.layout = Layout(selectFirst);
    Open();
    boxes.answer = 0;  // the box closed without an answer
    Choose(2);
    EXPECT_EQ(Selected(), std::vector<int>{1}) << selectFirst;
    EXPECT_EQ(boxes.asked.size(), 1u);
    EXPECT_EQ(core->prepares, 0);
    boxes.asked.clear();
    window->ExitApp(0, nullptr);
    Pump();
  }
}

TEST_F(LineSelectionTest, DecliningLine1WhileTheTagsHold1LeavesNoOptionSelected) {
  seams.layout = Layout(false);
  Open();
  boxes.answer = 2;
  Choose(1);
  EXPECT_EQ(boxes.asked.size(), 1u);
  EXPECT_TRUE(Selected().empty());
  EXPECT_EQ(Tags(), (std::vector<UINT_PTR>{1, 1, 1}));
  EXPECT_EQ(core->prepares, 0);
}

TEST_F(LineSelectionTest, AFailedStartShowsTheFailureBoxOnceAndLogsTheReason) {
  Open();
  window->StartLine(1);
  ASSERT_TRUE(core->WaitForStarts(1));
  const int stopsBefore = core->Stops();
  core->Resolve(0, ScriptedCore::Failure(L"组件启动失败,请尝试其他模式"));
  ASSERT_TRUE(PumpUntil([&] { return Failed(); }));
  Settle();
  ASSERT_EQ(boxes.asked.size(), 1u);
  EXPECT_EQ(boxes.asked[0].text, kFailureText);
  EXPECT_EQ(boxes.asked[0].type, 1);
  EXPECT_EQ(boxes.asked[0].first, L"确定");
  EXPECT_EQ(boxes.asked[0].second, L"取消");
  EXPECT_EQ(Count(L"]组件启动失败,请尝试其他模式\r\n"), 1u) << LogText();
  EXPECT_EQ(Count(L"加速成功"), 0u);
  EXPECT_EQ(core->Stops(), stopsBefore + 1) << "the local proxy ended and the rules removed";
  EXPECT_TRUE(Portal());
  EXPECT_FALSE(Loading());
  EXPECT_EQ(Selected(), std::vector<int>{1}) << "the selection stays on the failed line";
  EXPECT_EQ(Tags(), (std::vector<UINT_PTR>{1, 1, 1}));
}

TEST_F(LineSelectionTest, TwoQuickChangesEndOnTheLastOneWhicheverOrderTheOutcomesArriveIn) {
  core->honourStops = false;  // the earlier start does not notice it was superseded
  Open();
  AccelerateLine1();
  ASSERT_TRUE(Accelerating());
  boxes.answer = 1;
  Choose(2);
  Choose(3);
  ASSERT_TRUE(core->WaitForStarts(3));
  EXPECT_EQ(core->StartedLines(), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(Tags(), (std::vector<UINT_PTR>{3, 3, 3}));
  const int stopsBefore = core->Stops();

  // Line 3 succeeds first; line 2's late failure must not undo it.
  core->Resolve(2, ScriptedCore::Success());
  ASSERT_TRUE(PumpUntil([&] { return Accelerating(); }));
  core->Resolve(1, ScriptedCore::Failure(L"引擎启动失败"));
  Settle();
  EXPECT_TRUE(Accelerating());
  EXPECT_TRUE(Portal());
  EXPECT_FALSE(Loading());
  EXPECT_EQ(core->Stops(), stopsBefore) << "a stale failure tears nothing down";
  EXPECT_EQ(boxes.CountOf(kFailureText), 0u);
  EXPECT_EQ(Count(L"]引擎启动失败\r\n"), 1u) << "still logged as what happened";
  EXPECT_EQ(Selected(), std::vector<int>{3});
}

TEST_F(LineSelectionTest, AStaleSuccessAfterTheNewestFailedChangesNothing) {
  core->honourStops = false;
  Open();
  window->StartLine(1);
  boxes.answer = 1;
  Choose(2);
  ASSERT_TRUE(core->WaitForStarts(2));
  core->Resolve(1, ScriptedCore::Failure(L"引擎启动失败"));
  ASSERT_TRUE(PumpUntil([&] { return Failed(); }));
  core->Resolve(0, ScriptedCore::Success());
  Settle();
  EXPECT_TRUE(Failed());
  EXPECT_EQ(boxes.CountOf(kFailureText), 1u);
  EXPECT_EQ(Count(L"加速成功"), 0u) << "the superseded start's success is not the screen's";
}

TEST_F(LineSelectionTest, AStartSupersededWhileRunningEndsWithoutAReportOnScreen) {
  Open();
  window->StartLine(1);
  ASSERT_TRUE(core->WaitForStarts(1));
  window->StartLine(2);  // the real core's way: the earlier start sees the stop
  ASSERT_TRUE(core->WaitForStarts(2));
  Settle();
  EXPECT_EQ(Count(L"]加速已停止\r\n"), 1u) << LogText();
  EXPECT_TRUE(boxes.asked.empty());
  EXPECT_TRUE(Loading()) << "still starting line 2";
  core->Resolve(1, ScriptedCore::Success());
  ASSERT_TRUE(PumpUntil([&] { return Accelerating(); }));
}

TEST_F(LineSelectionTest, TheLocalProxyEndingWhileAcceleratingIsAFailureHandledOnce) {
  StandInProxy proxy;
  ASSERT_NE(proxy.id(), 0u);
  Open();
  AccelerateLine1(proxy.id());
  ASSERT_TRUE(Accelerating());
  const int stopsBefore = core->Stops();
  proxy.End();
  ASSERT_TRUE(PumpUntil([&] { return Failed(); })) << LogText();
  Settle();
  EXPECT_EQ(boxes.CountOf(kFailureText), 1u);
  EXPECT_EQ(Count(L"本地代理进程已结束"), 1u);
  EXPECT_EQ(core->Stops(), stopsBefore + 1) << "the rules go with the proxy";
  EXPECT_TRUE(Portal());
}

TEST_F(LineSelectionTest, OurOwnEndOfTheLocalProxyIsNoFailure) {
  StandInProxy proxy;
  Open();
  AccelerateLine1(proxy.id());
  ASSERT_TRUE(Accelerating());
  boxes.answer = 1;
  Choose(3);  // a new start ends the running proxy
  proxy.End();
  Settle();
  EXPECT_TRUE(boxes.CountOf(kFailureText) == 0) << LogText();
  EXPECT_EQ(Count(L"本地代理进程已结束"), 0u);

  // Nor does the exit routine's.
  ASSERT_TRUE(core->WaitForStarts(2));
  StandInProxy second;
  core->Resolve(1, ScriptedCore::Success(second.id()));
  ASSERT_TRUE(PumpUntil([&] { return Accelerating(); }));
  window->ExitApp(0, nullptr);
  second.End();
  Settle();
  EXPECT_EQ(boxes.CountOf(kFailureText), 0u);
}

TEST_F(LineSelectionTest, ALocalProxyGoneBeforeTheWatchBeganIsStillNoticed) {
  StandInProxy proxy;
  const DWORD id = proxy.id();
  proxy.End();
  Open();
  AccelerateLine1(id);
  ASSERT_TRUE(PumpUntil([&] { return Failed(); }));
  EXPECT_EQ(boxes.CountOf(kFailureText), 1u);
}

TEST_F(LineSelectionTest, TheExitRoutineEndsARunningStart) {
  Open();
  window->StartLine(2);
  ASSERT_TRUE(core->WaitForStarts(1));
  window->ExitApp(0, nullptr);
  EXPECT_EQ(core->stopsIfObtained, 1);
  Pump();
  EXPECT_FALSE(IsWindow(window->GetHWND()));
  EXPECT_EQ(Count(L"未能按时结束"), 0u) << "the worker ended with the stop";
  EXPECT_TRUE(boxes.asked.empty());
}

// A core whose start keeps running, stop or no stop, until the test lets
// it go, and then still reads its own state.
class UnstoppableCore : public IAccelerationCore {
 public:
  void Stop() override {}
  void StopIfObtained() override {}
  std::uint64_t PrepareStart() override { return 1; }
  std::wstring Start(int, std::uint64_t, const std::function<void(DWORD)>&, int& resultCode) override {
    std::unique_lock<std::mutex> lock(m_lock);
    m_entered = true;
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return m_released; });
    resultCode = 0;
    return m_message;
  }
  bool WaitUntilEntered() {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_entered; });
  }
  void Release() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_released = true;
    m_changed.notify_all();
  }

 private:
  std::mutex m_lock;
  std::condition_variable m_changed;
  bool m_entered = false;
  bool m_released = false;
  std::wstring m_message = L"加速已停止";
};

TEST_F(LineSelectionTest, AStartThatOutlivesTheExitRoutinesWaitKeepsTheCoreItRunsIn) {
  auto unstoppable = std::make_shared<UnstoppableCore>();
  const std::weak_ptr<UnstoppableCore> watched = unstoppable;
  seams.acceleration = unstoppable;
  seams.workerStopMs = 50;
  Open();
  window->StartLine(1);
  ASSERT_TRUE(unstoppable->WaitUntilEntered());
  window->ExitApp(0, nullptr);
  Pump();
  EXPECT_EQ(Count(L"未能按时结束"), 1u) << "the exit routine gave up on the worker";

  // Window and seams gone, as when start-up's frame ends.
  window.reset();
  seams.acceleration.reset();
  unstoppable.reset();
  ASSERT_FALSE(watched.expired()) << "the worker still holds the core";
  watched.lock()->Release();
  EXPECT_TRUE(PumpUntil([&] { return watched.expired(); })) << "the core goes with the worker";
}

TEST_F(LineSelectionTest, EachOptionShowsItsLinesQualityTheSuggestedLineAndADashWhenUnreachable) {
  // Line 3 answers after 40 ms, line 1 at once, line 2 not at all.
  ScriptedLineServer line1({LineStep::After(std::chrono::milliseconds(0))}, nullptr);
  ScriptedLineServer line3({LineStep::After(std::chrono::milliseconds(40))}, nullptr);
  const int closedPort = LoopbackPort::ClosedPort();
  seams.lineTargets = {{L"127.0.0.1", line1.port()}, {L"127.0.0.1", closedPort}, {L"127.0.0.1", line3.port()}};
  seams.latencyTiming.period = std::chrono::milliseconds(100);
  seams.latencyTiming.probes = 3;
  seams.latencyTiming.spacing = std::chrono::milliseconds(1);
  Open();
  AccelerateLine1();
  ASSERT_TRUE(PumpUntil([&] {
    return Option(1)->GetText() != L"线路一" && Option(2)->GetText() != L"线路二" && Option(3)->GetText() != L"线路三";
  }));
  const std::wstring first = Option(1)->GetText().GetData();
  EXPECT_EQ(first.rfind(L"线路一  ", 0), 0u) << first;
  EXPECT_NE(first.find(L" ms  "), std::wstring::npos) << first;
  EXPECT_NE(first.find(L"推荐"), std::wstring::npos) << "line 1 answers fastest: " << first;
  EXPECT_EQ(Option(2)->GetText(), L"线路二  —");
  EXPECT_EQ(Option(2)->GetToolTip(), L"无法连接");
  const std::wstring third = Option(3)->GetText().GetData();
  EXPECT_EQ(third.find(L"推荐"), std::wstring::npos) << third;
  const std::wstring tip = Option(3)->GetToolTip().GetData();
  EXPECT_EQ(tip.rfind(L"延迟 ", 0), 0u) << tip;
  EXPECT_NE(tip.find(L" ms · 抖动 "), std::wstring::npos) << tip;
  EXPECT_EQ(tip.substr(tip.size() - 8), L" · 丢包 0%") << tip;
  EXPECT_GE(std::stoi(tip.substr(3)), 40) << tip;

  // A suggestion only: nothing switched, whatever the mark says.
  Settle();
  EXPECT_EQ(core->StartedLines(), std::vector<int>{1});
  EXPECT_EQ(Tags(), (std::vector<UINT_PTR>{1, 1, 1}));
  EXPECT_TRUE(boxes.asked.empty());

  // Hidden: no more measuring; shown again: measured again.
  ShowWindow(window->GetHWND(), SW_HIDE);
  Settle();
  Option(2)->SetText(L"x");
  Settle();
  EXPECT_EQ(Option(2)->GetText(), L"x");
  ShowWindow(window->GetHWND(), SW_SHOW);
  ASSERT_TRUE(PumpUntil([&] { return Option(2)->GetText() == L"线路二  —"; }));
  // Minimised: the same.
  ShowWindow(window->GetHWND(), SW_MINIMIZE);
  Settle();
  Option(2)->SetText(L"y");
  Settle();
  EXPECT_EQ(Option(2)->GetText(), L"y");
  ShowWindow(window->GetHWND(), SW_RESTORE);
  ASSERT_TRUE(PumpUntil([&] { return Option(2)->GetText() == L"线路二  —"; }));
}

// The status strip against a stand-in of the local proxy's status socket.
class StatusStripTest : public LineSelectionTest {
 protected:
  void SetUp() override {
    LineSelectionTest::SetUp();
    socket = (root_.path() / "local.sock").string();
    seams.statusSocket = socket;
  }
  std::wstring Strip() { return window->PaintManager().FindControl(L"status_lab")->GetText().GetData(); }
  static ProxyStatus Carrying(std::uint64_t tcp, std::uint64_t udp, std::uint64_t down, std::uint64_t up) {
    ProxyStatus status;
    status.pid = 4242;
    status.server = "127.0.0.1";
    status.serverPort = 38649;
    status.mainPort = 48080;
    status.tcpConnections = tcp;
    status.udpAssociations = udp;
    status.bytesDown = down;
    status.bytesUp = up;
    return status;
  }

  std::string socket;
  const std::wstring kSlogan = L"稳定 · 低延迟 · 智能加速";
};

TEST_F(StatusStripTest, ShowsWhatTheProxyCarriesWhileAcceleratingAndSeenAndTheSloganOtherwise) {
  ScriptedStatusServer proxy(socket, Carrying(3, 2, 8808038, 1258291));
  ASSERT_TRUE(proxy.listening());
  Open();
  EXPECT_EQ(Strip(), kSlogan);
  Settle();
  EXPECT_EQ(proxy.Accepted(), 0) << "nothing accelerates yet: the socket is not read";

  AccelerateLine1();
  const std::wstring carrying = L"已加速 · TCP 3 · UDP 2 · ↓ 8.4 MB ↑ 1.2 MB";
  ASSERT_TRUE(PumpUntil([&] { return Strip() == carrying; })) << Strip();
  // Counters beyond 32 bits show whole.
  proxy.Send(Carrying(4294967297ull, 2, 5ull << 30, 1258291));
  ASSERT_TRUE(PumpUntil([&] { return Strip() == L"已加速 · TCP 4294967297 · UDP 2 · ↓ 5.0 GB ↑ 1.2 MB"; }))
      << Strip();

  // Hidden or minimised: the slogan, and the socket is let go.
  ShowWindow(window->GetHWND(), SW_HIDE);
  Pump();
  EXPECT_EQ(Strip(), kSlogan);
  ASSERT_TRUE(PumpUntil([&] { return proxy.Clients() == 0; }));
  ShowWindow(window->GetHWND(), SW_SHOW);
  ASSERT_TRUE(PumpUntil([&] { return Strip().rfind(L"已加速 · TCP 4294967297", 0) == 0; })) << Strip();
  ShowWindow(window->GetHWND(), SW_MINIMIZE);
  Pump();
  EXPECT_EQ(Strip(), kSlogan);
  ShowWindow(window->GetHWND(), SW_RESTORE);
  ASSERT_TRUE(PumpUntil([&] { return Strip().rfind(L"已加速", 0) == 0; })) << Strip();
  EXPECT_EQ(proxy.Accepted(), 3);

  // The proxy ends: the slogan, and the window goes on as before.
  proxy.End();
  ASSERT_TRUE(PumpUntil([&] { return Strip() == kSlogan; })) << Strip();
  EXPECT_TRUE(Accelerating()) << "the strip does not decide about the line";
}

TEST_F(StatusStripTest, WhatIsNotAReportAndAStartThatFailsBringTheSloganBack) {
  ScriptedStatusServer proxy(socket, Carrying(1, 0, 10, 20));
  Open();
  AccelerateLine1();
  ASSERT_TRUE(PumpUntil([&] { return Strip() == L"已加速 · TCP 1 · UDP 0 · ↓ 10 B ↑ 20 B"; })) << Strip();
  proxy.SendText("HTTP/1.1 200 OK\n");
  ASSERT_TRUE(PumpUntil([&] { return Strip() == kSlogan; })) << Strip();

  // A new start: the strip waits for its proxy.
  window->StartLine(2);
  EXPECT_EQ(Strip(), kSlogan);
  ASSERT_TRUE(core->WaitForStarts(2));
  core->Resolve(1, ScriptedCore::Failure(L"引擎启动失败"));
  ASSERT_TRUE(PumpUntil([&] { return Failed(); }));
  Settle();
  EXPECT_EQ(Strip(), kSlogan);
}

TEST_F(StatusStripTest, NoProxyListeningLeavesTheSlogan) {
  Open();
  AccelerateLine1();
  Settle();
  EXPECT_TRUE(Accelerating());
  EXPECT_EQ(Strip(), kSlogan);
}

}  // namespace
