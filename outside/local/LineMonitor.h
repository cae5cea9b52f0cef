// The line server watched for as long as the proxy runs: one check when it
// starts (which also asks whether the line carries UDP), then one every
// two seconds. Beside the first, one question: does the line carry IPv6. Each outcome goes into the counters, where the status
// interface shows it. After ten seconds of nothing but failed checks, with
// no answer from the line to the games' flows meanwhile, the line is given
// up, once: the proxy then ends, so that the front end's
// failure handling runs and the redirect lets the games go direct.
#pragma once

#include "outside/local/LineCheck.h"
#include "outside/local/ProxyCounters.h"

#include <chrono>
#include <functional>
#include <string>

class LineMonitor {
 public:
  static constexpr int kTicksBetweenChecks = 2;  // the loop ticks once a second
  static constexpr std::chrono::milliseconds kCheckLimit{1500};
  static constexpr std::chrono::seconds kGiveUpAfter{10};

  LineMonitor(EventLoop& loop, const LineSettings& line, ProxyCounters& counters,
              std::function<void(const std::string& why)> onLineLost);

  // The first check, done once with its result.
  void CheckAtStart(LineCheck::Done done);
  // Asks whether the line carries IPv6; refused is called (once, from the
  // loop) only when the line says it does not.
  void AskIpv6(std::function<void(const std::string& why)> refused);
  // From the loop's tick: starts the periodic checks when due.
  void Tick();

 private:
  using Clock = std::chrono::steady_clock;

  void Record(const LineCheckResult& result, Clock::time_point started);
  // Grows whenever the line answers the games' flows.
  std::uint64_t SignsOfLife() const;

  ProxyCounters& counters_;
  LineCheck check_;
  LineCheck ipv6Check_;
  std::function<void(const std::string&)> onLineLost_;
  int ticks_ = 0;
  bool failing_ = false;
  bool lost_ = false;
  Clock::time_point failingSince_;
};
