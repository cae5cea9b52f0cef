#include "outside/local/LineMonitor.h"

#include <utility>

LineMonitor::LineMonitor(EventLoop& loop, const LineSettings& line, ProxyCounters& counters,
                         std::function<void(const std::string& why)> onLineLost)
    : counters_(counters), check_(loop, line), ipv6Check_(loop, line), onLineLost_(std::move(onLineLost)) {}

void LineMonitor::CheckAtStart(LineCheck::Done done) {
  const Clock::time_point started = Clock::now();
  check_.Begin(LineCheck::Question::kUdp, kCheckLimit, [this, started, done = std::move(done)](const LineCheckResult& result) {
    Record(result, started);
    done(result);
  });
}

void LineMonitor::AskIpv6(std::function<void(const std::string& why)> refused) {
  ipv6Check_.Begin(LineCheck::Question::kIpv6, kCheckLimit, [refused = std::move(refused)](const LineCheckResult& result) {
    if (result.passed && result.refused) refused(result.reason);
  });
}

void LineMonitor::Tick() {
  if (lost_ || check_.running() || ++ticks_ < kTicksBetweenChecks) return;
  ticks_ = 0;
  const Clock::time_point started = Clock::now();
  const std::uint64_t livedBefore = SignsOfLife();
  check_.Begin(LineCheck::Question::kLogin, kCheckLimit, [this, started, livedBefore](const LineCheckResult& result) {
    Record(result, started);
    // A line that went on answering the games' flows meanwhile is busy,
    // not gone (a burst of new flows can keep its logins waiting).
    if (result.passed || SignsOfLife() != livedBefore) {
      failing_ = false;
      return;
    }
    if (!failing_) {
      failing_ = true;
      failingSince_ = started;
    }
    if (Clock::now() - failingSince_ >= kGiveUpAfter && !lost_) {
      lost_ = true;
      onLineLost_(result.reason);
    }
  });
}

std::uint64_t LineMonitor::SignsOfLife() const { return counters_.lineAnswers + counters_.bytesDown; }

void LineMonitor::Record(const LineCheckResult& result, Clock::time_point started) {
  const Clock::time_point now = Clock::now();
  counters_.lineCheckAtMs = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  counters_.lineCheckPassed = result.passed;
  counters_.lineCheckMicros =
      result.passed ? result.micros
                    : static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::microseconds>(now - started).count());
  if (result.passed) failing_ = false;
  counters_.Changed();
}
