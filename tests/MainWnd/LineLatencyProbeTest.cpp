// The line quality probe against scripted line servers on loopback, with a
// clock that only the servers move: round-trip times, jitter and loss of a
// series, servers that never answer, answer garbage or hang up, addresses
// that cannot be reached; then the probe's thread: rounds, stop, restart.
#include "MainWnd/LineLatencyProbe.h"
#include "tests/MainWnd/ScriptedLineServer.h"
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
using std::chrono::microseconds;

LatencyTarget TargetOf(int port) { return LatencyTarget{L"127.0.0.1", port}; }

// Five probes one after another, each given up after 200 ms of the clock
// (and at most that long really: the scripted clock jumps past it).
CLineLatencyProbe::Timing Series() {
  CLineLatencyProbe::Timing timing;
  timing.probes = 5;
  timing.timeout = 200ms;
  timing.spacing = 0ms;
  return timing;
}

LineQuality MeasureOne(const LatencyTarget& target, const IProbeClock& clock,
                       const CLineLatencyProbe::Timing& timing = Series()) {
  return CLineLatencyProbe::MeasureRound({target}, timing, clock)[0];
}

TEST(LineQualityProbe, TheSeriesGivesTheMedianTheJitterAndNoLoss) {
  ManualProbeClock clock;
  ScriptedLineServer line({LineStep::After(10ms), LineStep::After(14ms), LineStep::After(12ms),
                           LineStep::After(12ms), LineStep::After(20ms)},
                          &clock);
  const LineQuality quality = MeasureOne(TargetOf(line.port()), clock);
  EXPECT_EQ(quality.probes, 5);
  EXPECT_EQ(quality.lost, 0);
  EXPECT_EQ(quality.median, 12ms);
  // |14-10| + |12-14| + |12-12| + |20-12| = 14 over four differences.
  EXPECT_EQ(quality.jitter, 3500us);
  EXPECT_EQ(line.Greetings(), 5);
  EXPECT_EQ(LineQualityTip(quality), L"延迟 12 ms · 抖动 4 ms · 丢包 0%");
  EXPECT_EQ(LineFigureText(quality), L"12 ms");
}

TEST(LineQualityProbe, SilenceGarbageAndHangupsAreLostProbes) {
  ManualProbeClock clock;
  ScriptedLineServer line({LineStep::After(30ms), LineStep::Silence(250ms), LineStep::After(34ms),
                           LineStep::Nonsense(), LineStep::Hangup()},
                          &clock);
  const LineQuality quality = MeasureOne(TargetOf(line.port()), clock);
  EXPECT_EQ(quality.probes, 5);
  EXPECT_EQ(quality.lost, 3);
  EXPECT_EQ(quality.median, 32ms);
  EXPECT_EQ(quality.jitter, 4ms) << "jitter runs over the answered probes in their order";
  EXPECT_EQ(LineQualityTip(quality), L"延迟 32 ms · 抖动 4 ms · 丢包 60%");
}

TEST(LineQualityProbe, ALineThatAcceptsButNeverAnswersIsUnreachableAfterItsTimeouts) {
  // The real clock here: each probe waits its whole timeout.
  ScriptedLineServer silent({LineStep::Silence(0ms)}, nullptr);
  CLineLatencyProbe::Timing timing = Series();
  timing.probes = 3;
  timing.timeout = 100ms;
  const auto start = std::chrono::steady_clock::now();
  const LineQuality quality = MeasureOne(TargetOf(silent.port()), CSteadyProbeClock(), timing);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
  EXPECT_EQ(quality.probes, 3);
  EXPECT_EQ(quality.lost, 3);
  EXPECT_FALSE(quality.Answered());
  EXPECT_EQ(LineFigureText(quality), L"—");
  EXPECT_EQ(LineQualityTip(quality), L"无法连接");
}

TEST(LineQualityProbe, ClosedPortsAndAddressesThatCannotBeReachedGiveUpAtOnce) {
  LoopbackPort closed(LoopbackPort::Options{.listening = false});
  const int refusing = closed.port();
  closed.Close();
  CLineLatencyProbe::Timing timing = Series();
  timing.timeout = 10s;
  const CSteadyProbeClock clock;
  const auto start = std::chrono::steady_clock::now();
  for (const LatencyTarget& bad : {TargetOf(refusing), LatencyTarget{L"", 80}, LatencyTarget{L"line.example", 80},
                                   LatencyTarget{L"::1", 80}, LatencyTarget{L"127.0.0.1", 0},
                                   LatencyTarget{L"127.0.0.1", 65536}, LatencyTarget{L"127.0.0.1\u4e00", 80},
                                   LatencyTarget{L"300.1.1.1", 80}}) {
    const LineQuality quality = MeasureOne(bad, clock, timing);
    EXPECT_EQ(quality.probes, 5);
    EXPECT_FALSE(quality.Answered()) << std::string(bad.address.begin(), bad.address.end());
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << "no probe waited for its timeout";
}

TEST(LineQualityProbe, ProbesOfALineAreSpacedAndLinesAreProbedSideBySide) {
  ScriptedLineServer first({LineStep::After(0ms)}, nullptr), second({LineStep::After(0ms)}, nullptr);
  ScriptedLineServer silent({LineStep::Silence(0ms)}, nullptr);
  CLineLatencyProbe::Timing timing;
  timing.probes = 4;
  timing.spacing = 50ms;
  timing.timeout = 300ms;
  const auto start = std::chrono::steady_clock::now();
  const std::vector<LineQuality> round = CLineLatencyProbe::MeasureRound(
      {TargetOf(first.port()), TargetOf(silent.port()), TargetOf(second.port())}, timing, CSteadyProbeClock());
  const auto took = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(round.size(), 3u);
  EXPECT_EQ(round[0].lost, 0);
  EXPECT_EQ(round[1].lost, 4);
  EXPECT_EQ(round[2].lost, 0);
  EXPECT_GE(round[0].median, 1us);
  // The silent line's four timeouts and three spacings bound the round;
  // the others ran meanwhile.
  EXPECT_GE(took, 4 * 300ms + 3 * 50ms);
  EXPECT_LT(took, 2 * (4 * 300ms + 3 * 50ms));
  EXPECT_EQ(first.Greetings(), 4);
  EXPECT_EQ(second.Greetings(), 4);
}

class RecordingSink : public ILineQualitySink {
 public:
  void QualityMeasured(int index, const LineQuality& quality) override {
    std::lock_guard<std::mutex> guard(lock);
    figures.emplace_back(index, quality);
    changed.notify_all();
  }
  // Waits until at least count figures came (or ten seconds passed).
  std::vector<std::pair<int, LineQuality>> WaitFor(size_t count) {
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
  std::vector<std::pair<int, LineQuality>> figures;
};

TEST(LineLatencyProbe, MeasuresEveryLineAndAgainEachPeriod) {
  ScriptedLineServer line1({LineStep::After(0ms)}, nullptr), line3({LineStep::After(0ms)}, nullptr);
  const int closedPort = LoopbackPort::ClosedPort();
  RecordingSink sink;
  CLineLatencyProbe::Timing timing;
  timing.period = 50ms;
  timing.probes = 2;
  timing.spacing = 1ms;
  CLineLatencyProbe probe({TargetOf(line1.port()), TargetOf(closedPort), TargetOf(line3.port())}, sink, timing);
  ASSERT_TRUE(probe.Start());
  EXPECT_TRUE(probe.IsRunning());
  const auto figures = sink.WaitFor(6);
  probe.Stop();
  ASSERT_GE(figures.size(), 6u);
  // Each round tells each line once.
  for (size_t round = 0; round < 2; ++round) {
    std::vector<int> lines;
    for (size_t i = 0; i < 3; ++i) {
      const auto& [index, quality] = figures[round * 3 + i];
      lines.push_back(index);
      EXPECT_EQ(quality.probes, 2);
      EXPECT_EQ(quality.Answered(), index != 1) << "line " << index;
    }
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, (std::vector<int>{0, 1, 2}));
  }
  EXPECT_FALSE(probe.IsRunning());
  // Nothing arrives once Stop has returned.
  const size_t after = sink.Count();
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(sink.Count(), after);
}

TEST(LineLatencyProbe, StopEndsAProbeUnderWayAndTheProbeStartsAgain) {
  ScriptedLineServer silent({LineStep::Silence(0ms)}, nullptr);
  RecordingSink sink;
  CLineLatencyProbe::Timing slow;
  slow.period = 30s;
  slow.timeout = 60s;
  CLineLatencyProbe probe({TargetOf(silent.port())}, sink, slow);
  ASSERT_TRUE(probe.Start());
  EXPECT_TRUE(probe.Start());  // already running: nothing changes
  for (int i = 0; i < 200 && silent.Greetings() == 0; ++i) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(silent.Greetings(), 1) << "the first probe is under way";
  const auto start = std::chrono::steady_clock::now();
  probe.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 30s) << "the stop waited for the probe's timeout";
  EXPECT_EQ(sink.Count(), 0u);
  probe.Stop();  // a second stop is harmless

  ScriptedLineServer line({LineStep::After(0ms)}, nullptr);
  CLineLatencyProbe::Timing quick;
  quick.period = 30s;
  quick.probes = 1;
  CLineLatencyProbe again({TargetOf(line.port())}, sink, quick);
  ASSERT_TRUE(again.Start());
  const auto figures = sink.WaitFor(1);
  ASSERT_EQ(figures.size(), 1u);
  EXPECT_TRUE(figures[0].second.Answered());
  // Stopped while waiting for the next period: no 30 s wait.
  again.Stop();
  ASSERT_TRUE(again.Start());
  EXPECT_EQ(sink.WaitFor(2).size(), 2u);
}

}  // namespace
