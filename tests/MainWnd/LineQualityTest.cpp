// The figures of a series of probes, their texts, and the suggested line
// by its rule: loss first, then round trip plus jitter, then the lower
// line; lines that did not answer or were not measured take no part.
#include "MainWnd/LineQuality.h"
#include "MainWnd/LineSuggestion.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using std::chrono::microseconds;

ProbeSample Ms(int ms) { return microseconds(ms * 1000); }
const ProbeSample kLost = std::nullopt;

TEST(LineQuality, MedianJitterAndLossOfASeries) {
  LineQuality q = ComputeLineQuality({Ms(10), Ms(14), Ms(12), Ms(12), Ms(20)});
  EXPECT_EQ(q.median, 12ms);
  EXPECT_EQ(q.jitter, 3500us);
  EXPECT_EQ(q.LossPercent(), 0);
  // An even count: the mean of the middle two.
  q = ComputeLineQuality({Ms(10), Ms(13), kLost, Ms(20), Ms(11)});
  EXPECT_EQ(q.median, 12ms);
  EXPECT_EQ(q.lost, 1);
  EXPECT_EQ(q.LossPercent(), 20);
  EXPECT_EQ(q.jitter, microseconds(19000) / 3) << "lost probes are skipped, the order kept";
  // One answer: no jitter.
  q = ComputeLineQuality({kLost, microseconds(400), kLost});
  EXPECT_EQ(q.median, 400us);
  EXPECT_EQ(q.jitter, 0us);
  EXPECT_EQ(q.LossPercent(), 67);
  EXPECT_TRUE(q.Answered());
  // Nothing answered, nothing measured.
  q = ComputeLineQuality({kLost, kLost});
  EXPECT_FALSE(q.Answered());
  EXPECT_EQ(q.LossPercent(), 100);
  EXPECT_TRUE(q.Measured());
  EXPECT_FALSE(LineQuality().Measured());
  EXPECT_FALSE(LineQuality().Answered());
}

TEST(LineQuality, TextsShowWholeMillisecondsAndTheLoss) {
  LineQuality q = ComputeLineQuality({microseconds(12400), microseconds(13900)});
  EXPECT_EQ(LineFigureText(q), L"13 ms");  // 13.15 ms
  EXPECT_EQ(LineQualityTip(q), L"延迟 13 ms · 抖动 2 ms · 丢包 0%");
  // Below half a millisecond: still "1 ms", never "0 ms"; jitter may be 0.
  q = ComputeLineQuality({microseconds(80), microseconds(90), kLost, kLost});
  EXPECT_EQ(LineFigureText(q), L"1 ms");
  EXPECT_EQ(LineQualityTip(q), L"延迟 1 ms · 抖动 0 ms · 丢包 50%");
  q = ComputeLineQuality({kLost, kLost, kLost});
  EXPECT_EQ(LineFigureText(q), L"—");
  EXPECT_EQ(LineQualityTip(q), L"无法连接");
  EXPECT_EQ(LineFigureText(LineQuality()), L"—");
  EXPECT_EQ(LineQualityTip(LineQuality()), L"") << "no tip before the first measurement";
}

LineQuality Line(int ms, int jitterMs, int lost, int probes = 5) {
  LineQuality q;
  q.probes = probes;
  q.lost = lost;
  q.median = microseconds(ms * 1000);
  q.jitter = microseconds(jitterMs * 1000);
  return q;
}

TEST(LineSuggestion, LossFirstThenRoundTripPlusJitter) {
  // Line 1 is fastest but loses a probe: line 3 wins on loss.
  EXPECT_EQ(SuggestLine({Line(5, 0, 1), Line(40, 2, 0), Line(30, 1, 0)}), 2);
  // Equal loss: time plus jitter decides, not time alone.
  EXPECT_EQ(SuggestLine({Line(20, 15, 0), Line(25, 1, 0), Line(24, 4, 0)}), 1);
  // Loss compared as shares of different series.
  EXPECT_EQ(SuggestLine({Line(10, 0, 1, 10), Line(5, 0, 1, 5)}), 0);
}

TEST(LineSuggestion, TiesGoToTheLowerLineAndDownLinesTakeNoPart) {
  EXPECT_EQ(SuggestLine({Line(20, 2, 0), Line(21, 1, 0), Line(22, 0, 0)}), 0);
  EXPECT_EQ(SuggestLine({Line(30, 0, 0), Line(20, 2, 0), Line(21, 1, 0)}), 1);
  // Equal as shown: 12.3 ms and 12.4 ms are both "12 ms".
  LineQuality a = Line(0, 0, 0), b = Line(0, 0, 0);
  a.median = microseconds(12400);
  b.median = microseconds(12300);
  EXPECT_EQ(SuggestLine({a, b}), 0);
  // Down and unmeasured lines never win, however "fast".
  EXPECT_EQ(SuggestLine({Line(0, 0, 5), LineQuality(), Line(90, 9, 4)}), 2);
  EXPECT_EQ(SuggestLine({Line(1, 0, 5), Line(1, 0, 5), Line(1, 0, 5)}), -1) << "all lines down: no suggestion";
  EXPECT_EQ(SuggestLine({LineQuality(), LineQuality(), LineQuality()}), -1);
  EXPECT_EQ(SuggestLine({}), -1);
}

}  // namespace
