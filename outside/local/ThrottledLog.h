// One kind of log record that traffic can cause over and over (a table
// full, a datagram too large): written at most once per period, with the
// number of times it was left out since the last record.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

class ThrottledLog {
 public:
  using Clock = std::chrono::steady_clock;

  ThrottledLog() = default;
  explicit ThrottledLog(std::chrono::seconds period) : period_(period) {}

  // The record to write now ("" while the period of the last one runs);
  // text is what happened this time.
  std::string Note(const std::string& text, Clock::time_point now);

 private:
  std::chrono::seconds period_{60};
  bool written_ = false;
  Clock::time_point last_{};
  std::uint64_t leftOut_ = 0;
};
