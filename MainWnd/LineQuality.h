// What a series of probes says of one server line, and how the line
// options tell it: round-trip time (the median of the answered probes),
// jitter (the mean difference of successive answered probes) and loss (the
// share of probes that got no answer in time).
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// One probe's round trip, or nothing when it got no answer.
using ProbeSample = std::optional<std::chrono::microseconds>;

struct LineQuality {
  int probes = 0;  // 0: not measured yet
  int lost = 0;
  std::chrono::microseconds median{0};
  std::chrono::microseconds jitter{0};

  bool Measured() const { return probes > 0; }
  // At least one probe answered.
  bool Answered() const { return probes > lost; }
  // The loss in whole percent, rounded to the nearest.
  int LossPercent() const;
};

// The figures of a series, in the order the probes were made.
LineQuality ComputeLineQuality(const std::vector<ProbeSample>& samples);

// Milliseconds as shown: rounded to the nearest (half up). The round trip
// is at least 1 ms when shown: 0 would read as "no delay at all".
int ShownRoundTripMs(const LineQuality& quality);
int ShownJitterMs(const LineQuality& quality);

// The option's figure: "12 ms", or "—" for a line that did not answer
// (or is not measured yet).
std::wstring LineFigureText(const LineQuality& quality);

// The option's tool tip: "延迟 12 ms · 抖动 1 ms · 丢包 0%", "无法连接" for a
// line that did not answer, empty before the first measurement.
std::wstring LineQualityTip(const LineQuality& quality);
