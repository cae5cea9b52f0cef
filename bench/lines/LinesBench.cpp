// Figures of the line flow.
//
// Confirmation to accelerating: the main window on the headless window
// system with the real acceleration core (redirection library, port
// choice, the real "local.exe"), the question answered at once; the time
// from the confirmed choice until the window shows the line accelerating.
// The start waits 2000 ms for the local proxy by design; the figure that
// matters is the time beyond that.
//
// The quality probe: one line's series (five probes, each a TCP connect and
// a SOCKS5 greeting's round trip) against a loopback server that answers
// greetings and against a closed port, and a whole round of three lines,
// each as wall and processor time. The user-interface thread only receives
// the figures.
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

// The calling thread's own processor time: the probe runs its rounds on
// one thread, apart from the bench's line server.
double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
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

// Answers every SOCKS5 greeting with "username/password" and closes, so
// that the backlog never fills (a full backlog makes connects wait for the
// timeout).
class GreetingServer {
 public:
  explicit GreetingServer(int listener) : thread_([this, listener] {
    std::vector<int> open;
    while (!stop_) {
      std::vector<pollfd> polls{{listener, POLLIN, 0}};
      for (int fd : open) polls.push_back(pollfd{fd, POLLIN, 0});
      if (poll(polls.data(), polls.size(), 20) <= 0) continue;
      for (int fd; (fd = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK)) >= 0;) open.push_back(fd);
      for (size_t i = 1; i < polls.size(); ++i) {
        if (polls[i].revents == 0) continue;
        char greeting[3];
        if (recv(polls[i].fd, greeting, sizeof greeting, 0) > 0) {
          const unsigned char answer[2] = {0x05, 0x02};
          send(polls[i].fd, answer, sizeof answer, MSG_NOSIGNAL);
        }
        close(polls[i].fd);
        std::erase(open, polls[i].fd);
      }
    }
    for (int fd : open) close(fd);
  }) {}
  ~GreetingServer() {
    stop_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

void BenchProbe() {
  std::printf("line quality probe (5 probes a line, 100 ms apart, as the program runs it)\n");
  LoopbackPort listener(LoopbackPort::Options{.backlog = 4096, .nonBlocking = true});
  const int open = listener.port();
  const int closed = LoopbackPort::ClosedPort();
  auto server = std::make_unique<GreetingServer>(listener.fd());
  const CSteadyProbeClock clock;
  const CLineLatencyProbe::Timing timing;
  constexpr int kRounds = 10;
  for (const auto& [name, port] : {std::pair<const char*, int>{"answering line", open}, {"closed port", closed}}) {
    const double cpu = ThreadCpuMs();
    const Clock::time_point start = Clock::now();
    LineQuality last;
    for (int i = 0; i < kRounds; ++i) last = CLineLatencyProbe::MeasureRound({{L"127.0.0.1", port}}, timing, clock)[0];
    std::printf("  one line's series, %s: %.0f ms wall, %.1f us processor (median %.3f ms, jitter %.3f ms,"
                " loss %d%%)\n",
                name, Ms(Clock::now() - start) / kRounds, (ThreadCpuMs() - cpu) * 1000.0 / kRounds,
                last.median.count() / 1000.0, last.jitter.count() / 1000.0, last.LossPercent());
  }
  const double cpu = ThreadCpuMs();
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < kRounds; ++i)
    CLineLatencyProbe::MeasureRound({{L"127.0.0.1", open}, {L"127.0.0.1", closed}, {L"127.0.0.1", open}}, timing,
                                    clock);
  const double roundCpu = (ThreadCpuMs() - cpu) / kRounds;
  std::printf("  one round of three lines side by side: %.0f ms wall, %.1f us processor (%.1f us a line)\n",
              Ms(Clock::now() - start) / kRounds, roundCpu * 1000.0, roundCpu * 1000.0 / 3);
  std::printf("  a round every 30 s while shown: %.5f%% of one processor\n", roundCpu / 30000.0 * 100.0);
  server.reset();
}

}  // namespace

int main() {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  BenchProbe();
  BenchConfirmationToAccelerating();
  KillProcessesByName(L"local.exe", true);
  return 0;
}
