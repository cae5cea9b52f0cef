#include "MainWnd/LineSuggestion.h"

namespace {

// Whether a is better than b by the rule (both answered).
bool Better(const LineQuality& a, const LineQuality& b) {
  // Loss compared as exact shares: lost / probes.
  const long lossA = static_cast<long>(a.lost) * b.probes;
  const long lossB = static_cast<long>(b.lost) * a.probes;
  if (lossA != lossB) return lossA < lossB;
  return ShownRoundTripMs(a) + ShownJitterMs(a) < ShownRoundTripMs(b) + ShownJitterMs(b);
}

}  // namespace

int SuggestLine(const std::vector<LineQuality>& lines) {
  int best = -1;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i].Answered()) continue;
    if (best < 0 || Better(lines[i], lines[static_cast<size_t>(best)])) best = static_cast<int>(i);
  }
  return best;
}
