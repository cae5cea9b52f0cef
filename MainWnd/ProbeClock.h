// The clock the line probe reads its times from: the steady clock, or one
// a test moves by hand.
#pragma once

#include <chrono>

class IProbeClock {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;
  virtual ~IProbeClock() = default;
  // Any thread.
  virtual TimePoint Now() const = 0;
};

class CSteadyProbeClock : public IProbeClock {
 public:
  TimePoint Now() const override { return std::chrono::steady_clock::now(); }
};
