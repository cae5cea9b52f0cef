#include "MainWnd/LineQuality.h"

#include <algorithm>

namespace {

using std::chrono::microseconds;

int RoundedMs(microseconds value) { return static_cast<int>((value.count() + 500) / 1000); }

}  // namespace

int LineQuality::LossPercent() const {
  if (probes <= 0) return 0;
  return (lost * 200 + probes) / (probes * 2);
}

LineQuality ComputeLineQuality(const std::vector<ProbeSample>& samples) {
  LineQuality quality;
  quality.probes = static_cast<int>(samples.size());
  std::vector<microseconds> answered;
  for (const ProbeSample& sample : samples) {
    if (sample.has_value())
      answered.push_back(*sample);
    else
      ++quality.lost;
  }
  if (answered.empty()) return quality;

  // Jitter follows the order the probes were made in.
  microseconds differences{0};
  for (size_t i = 1; i < answered.size(); ++i)
    differences += answered[i] > answered[i - 1] ? answered[i] - answered[i - 1] : answered[i - 1] - answered[i];
  if (answered.size() > 1) quality.jitter = differences / static_cast<long>(answered.size() - 1);

  std::sort(answered.begin(), answered.end());
  const size_t middle = answered.size() / 2;
  quality.median = answered.size() % 2 == 1 ? answered[middle] : (answered[middle - 1] + answered[middle]) / 2;
  return quality;
}

int ShownRoundTripMs(const LineQuality& quality) { return std::max(1, RoundedMs(quality.median)); }

int ShownJitterMs(const LineQuality& quality) { return RoundedMs(quality.jitter); }

std::wstring LineFigureText(const LineQuality& quality) {
  if (!quality.Answered()) return L"—";
  return std::to_wstring(ShownRoundTripMs(quality)) + L" ms";
}

std::wstring LineQualityTip(const LineQuality& quality) {
  if (!quality.Measured()) return std::wstring();
  if (!quality.Answered()) return L"无法连接";
  return L"延迟 " + std::to_wstring(ShownRoundTripMs(quality)) + L" ms · 抖动 " +
         std::to_wstring(ShownJitterMs(quality)) + L" ms · 丢包 " + std::to_wstring(quality.LossPercent()) + L"%";
}
