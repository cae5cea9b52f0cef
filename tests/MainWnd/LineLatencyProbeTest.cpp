// Connect-time figures of the server lines: single measurements against
// loopback listeners, closed ports and a listener whose queue is full, and
// the probe's rounds, stop and restart.
#include "MainWnd/LineLatencyProbe.h"
#include "tests/support/LoopbackPort.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>

namespace {

using namespace std::chrono_literals;

LatencyTarget TargetOf(const LoopbackPort& port) { return LatencyTarget{L"127.0.0.1", port.port()}; }
// Bound, so that nobody else takes the port, but not listening: refused.
LoopbackPort::Options Refusing() { return LoopbackPort::Options{.listening = false}; }

// A listener that never accepts, with its one-place queue taken: further
// connects hang until they time out.
class FullListener {
 public:
  FullListener() : port_(LoopbackPort::Options{.backlog = 0}) {
    for (int i = 0; i < 3; ++i) {
      const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      address.sin_port = htons(static_cast<uint16_t>(port_.port()));
      connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
      fillers_.push_back(fd);
    }
    std::this_thread::sleep_for(50ms);
  }
  ~FullListener() {
    for (int fd : fillers_) close(fd);
  }
  LatencyTarget Target() const { return TargetOf(port_); }

 private:
  LoopbackPort port_;
  std::vector<int> fillers_;
};

class RecordingSink : public ILatencySink {
 public:
  void LatencyMeasured(int index, int milliseconds) override {
    std::lock_guard<std::mutex> guard(lock);
    figures.emplace_back(index, milliseconds);
    changed.notify_all();
  }
  // Waits until at least count figures came (or a few seconds passed).
  std::vector<std::pair<int, int>> WaitFor(size_t count) {
    std::unique_lock<std::mutex> guard(lock);
    changed.wait_for(guard, 10s, [&] { return figures.size() >= count; });
    return figures;
  }
  size_t Count() {
    std::lock_guard<std::mutex> guard(lock);
    return figures.size();
  }

  std::mutex lock;
  std::condition_variable changed;
  std::vector<std::pair<int, int>> figures;
};

TEST(LineConnectTime, ListeningLineGivesAFigureOthersAreUnreachable) {
  LoopbackPort listening;
  const int figure = MeasureConnectTime(TargetOf(listening), 2s);
  EXPECT_GE(figure, 1);
  EXPECT_LT(figure, 2000);

  LoopbackPort closed(Refusing());
  const LatencyTarget refused = TargetOf(closed);
  closed.Close();
  EXPECT_EQ(MeasureConnectTime(refused, 2s), ILatencySink::kUnreachable);

  for (const LatencyTarget& bad : {LatencyTarget{L"", 80}, LatencyTarget{L"line.example", 80},
                                   LatencyTarget{L"::1", 80}, LatencyTarget{L"127.0.0.1", 0},
                                   LatencyTarget{L"127.0.0.1", 65536}, LatencyTarget{L"127.0.0.1\u4e00", 80},
                                   LatencyTarget{L"300.1.1.1", 80}})
    EXPECT_EQ(MeasureConnectTime(bad, 2s), ILatencySink::kUnreachable);
}

TEST(LineConnectTime, ALineThatDoesNotAnswerTimesOut) {
  FullListener silent;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(MeasureConnectTime(silent.Target(), 300ms), ILatencySink::kUnreachable);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
}

TEST(LineConnectTime, TextShowsMillisecondsOrADash) {
  EXPECT_EQ(LatencyText(12), L"12 ms");
  EXPECT_EQ(LatencyText(1), L"1 ms");
  EXPECT_EQ(LatencyText(ILatencySink::kUnreachable), L"—");
}

TEST(LineLatencyProbe, MeasuresEveryLineAtOnceAndAgainEachPeriod) {
  LoopbackPort line1;
  LoopbackPort closed(Refusing());
  const LatencyTarget line2 = TargetOf(closed);
  closed.Close();
  LoopbackPort line3;
  RecordingSink sink;
  CLineLatencyProbe probe({TargetOf(line1), line2, TargetOf(line3)}, sink, {50ms, 1s});
  ASSERT_TRUE(probe.Start());
  EXPECT_TRUE(probe.IsRunning());
  const auto figures = sink.WaitFor(6);
  probe.Stop();
  ASSERT_GE(figures.size(), 6u);
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(figures[i].first, static_cast<int>(i % 3));
    if (i % 3 == 1) EXPECT_EQ(figures[i].second, ILatencySink::kUnreachable);
    else EXPECT_GE(figures[i].second, 1);
  }
  EXPECT_FALSE(probe.IsRunning());

  // Nothing arrives once Stop has returned.
  const size_t after = sink.Count();
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(sink.Count(), after);
}

TEST(LineLatencyProbe, StopEndsAConnectUnderWayAndTheProbeStartsAgain) {
  FullListener silent;
  RecordingSink sink;
  CLineLatencyProbe probe({silent.Target()}, sink, {30s, 60s});
  ASSERT_TRUE(probe.Start());
  EXPECT_TRUE(probe.Start());  // already running: nothing changes
  std::this_thread::sleep_for(100ms);
  const auto start = std::chrono::steady_clock::now();
  probe.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 30s) << "the stop waited for the connect timeout";
  EXPECT_EQ(sink.Count(), 0u);
  probe.Stop();  // a second stop is harmless

  LoopbackPort line;
  CLineLatencyProbe again({TargetOf(line)}, sink, {30s, 1s});
  ASSERT_TRUE(again.Start());
  const auto figures = sink.WaitFor(1);
  ASSERT_EQ(figures.size(), 1u);
  EXPECT_GE(figures[0].second, 1);
  // Stopped while waiting for the next period: no 30 s wait.
  again.Stop();
  ASSERT_TRUE(again.Start());
  EXPECT_EQ(sink.WaitFor(2).size(), 2u);
}

}  // namespace
