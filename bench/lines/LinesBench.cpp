// Figures of the line flow.
//
// Confirmation to accelerating: the main window on the headless window
// system with the real acceleration core (redirection library, port
// choice, the real "local.exe"), the question answered at once; the time
// from the confirmed choice until the window shows the line accelerating.
// The start waits 2000 ms for the local proxy by design; the figure that
// matters is the time beyond that.
//
// The connect-time probe: one TCP connect to a listening loopback port and
// to a closed one, and a whole round of three lines, each as wall and
// processor time. The user-interface thread only receives the figures.
#include "MainWnd/AccelerationCore.h"
#include "MainWnd/LineLatencyProbe.h"
#include "MainWnd/MainWnd.h"
#include "platform/window/Headless.h"
#include "system/Paths.h"
#include "system/ProcessUtils.h"
#include "system/WriteLogFile.h"
#include "tests/support/LoopbackPort.h"
#include "tests/support/TempMachineRoot.h"
#include "uiframework/controls/OptionUI.h"

#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr wchar_t kLayout[] =
    L"<Window size=\"400,300\"><VerticalLayout name=\"root\">"
    L"<HorizontalLayout height=\"40\">"
    L"<Option name=\"Line1_pot\" group=\"line\" selected=\"true\" text=\"线路一\" />"
    L"<Option name=\"Line2_pot\" group=\"line\" text=\"线路二\" />"
    L"<Option name=\"Line3_pot\" group=\"line\" text=\"线路三\" />"
    L"</HorizontalLayout>"
    L"<Control name=\"IeWeb\" /><Container name=\"init_loading_container\" visible=\"false\" />"
    L"</VerticalLayout></Window>";

class ConfirmingBoxes : public IMessageBoxUI {
 public:
  int Ask(HWND, const std::wstring&, int, const wchar_t*, const wchar_t*) override { return 1; }
};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

void PrintSpread(const char* what, std::vector<double> values) {
  if (values.empty()) {
    std::printf("  %s: no figures\n", what);
    return;
  }
  std::sort(values.begin(), values.end());
  std::printf("  %s: min %.1f  median %.1f  max %.1f ms (%zu runs)\n", what, values.front(),
              values[values.size() / 2], values.back(), values.size());
}

void BenchConfirmationToAccelerating() {
  std::printf("confirmed line change -> accelerating (real core and local proxy)\n");
  TempMachineRoot root;
  const fs::path program = root.Dir("program");
  const fs::path built = BRISGOL_BUILT_PROGRAM_DIR;
  fs::copy_file(built / "local.exe", program / "local.exe");
  fs::copy(built / "sys2", program / "sys2", fs::copy_options::recursive);
  WriteTestFile(program / "local.cfg", "[config]\ntdx_check=0\n");
  g_programDir = program.wstring() + L"/";
  g_logFile.SetLogFile(g_programDir + L"log2.log", 1024);

  ConfirmingBoxes boxes;
  MainWndSeams seams(boxes, std::make_shared<CControlManagerCore>());
  seams.layout = kLayout;
  CMainWnd window(seams);
  if (window.Create(nullptr, kProductTitle, kMainWindowStyle, 0, 0, 0, 0, 0) == nullptr) {
    std::printf("  the window could not be made\n");
    return;
  }
  for (int i = 0; i < 50 && Headless::PumpMessages() > 0; ++i) {
  }
  std::vector<double> beyond;
  int failures = 0;
  for (int run = 0; run < 6; ++run) {
    const int line = 2 + run % 2;
    auto* option = static_cast<SkinUI::COptionUI*>(
        window.PaintManager().FindControl(line == 2 ? L"Line2_pot" : L"Line3_pot")->FindInterface(L"Option"));
    const Clock::time_point start = Clock::now();
    option->Activate();  // the click; the question is answered at once
    while (window.GetLineState() == CMainWnd::LineState::Starting && Clock::now() - start < std::chrono::seconds(30)) {
      Headless::PumpMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (window.GetLineState() == CMainWnd::LineState::Accelerating)
      beyond.push_back(Ms(Clock::now() - start) - 2000.0);
    else
      ++failures;
  }
  PrintSpread("time beyond the 2000 ms wait", beyond);
  if (failures > 0) std::printf("  %d starts did not accelerate (see %ls)\n", failures, (g_programDir + L"log2.log").c_str());
  window.ExitApp(0, nullptr);
  for (int i = 0; i < 50 && Headless::PumpMessages() > 0; ++i) {
  }
}

class CountingSink : public ILatencySink {
 public:
  std::atomic<int> figures{0};
  void LatencyMeasured(int, int) override { ++figures; }
};

// Accepts and closes every connection, so that the backlog never fills
// (a full backlog makes connects wait for the timeout).
class Acceptor {
 public:
  explicit Acceptor(int listener) : thread_([this, listener] {
    while (!stop_) {
      pollfd p{listener, POLLIN, 0};
      if (poll(&p, 1, 20) > 0)
        for (int fd; (fd = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK)) >= 0;) close(fd);
    }
  }) {}
  ~Acceptor() {
    stop_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

void BenchProbe() {
  std::printf("connect-time probe\n");
  LoopbackPort listener(LoopbackPort::Options{.backlog = 4096, .nonBlocking = true});
  const int open = listener.port();
  const int closed = LoopbackPort::ClosedPort();
  auto acceptor = std::make_unique<Acceptor>(listener.fd());
  constexpr int kConnects = 500;
  for (const auto& [name, port] : {std::pair<const char*, int>{"listening port", open}, {"closed port", closed}}) {
    const double cpu = CpuMs();
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < kConnects; ++i) MeasureConnectTime({L"127.0.0.1", port}, std::chrono::seconds(2));
    std::printf("  one connect to a %s: %.1f us wall, %.1f us processor\n", name,
                Ms(Clock::now() - start) * 1000.0 / kConnects, (CpuMs() - cpu) * 1000.0 / kConnects);
  }

  // Whole rounds of three lines through the probe's own thread.
  CountingSink sink;
  CLineLatencyProbe::Timing timing;
  timing.period = std::chrono::milliseconds(1);
  CLineLatencyProbe probe({{L"127.0.0.1", open}, {L"127.0.0.1", closed}, {L"127.0.0.1", open}}, sink, timing);
  const double cpu = CpuMs();
  const Clock::time_point start = Clock::now();
  probe.Start();
  while (sink.figures < 3 * 200) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  probe.Stop();
  const int rounds = sink.figures / 3;
  std::printf("  one round of three lines: %.1f us processor (%d rounds in %.0f ms, 1 ms apart)\n",
              (CpuMs() - cpu) * 1000.0 / rounds, rounds, Ms(Clock::now() - start));
  std::printf("  every 30 s while shown: %.4f%% of one processor\n", (CpuMs() - cpu) / rounds / 30000.0 * 100.0);
  acceptor.reset();
}

}  // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  BenchProbe();
  BenchConfirmationToAccelerating();
  KillProcessesByName(L"local.exe", true);
  return 0;
}
