// Measures the quality of each server line so that the line options can
// show it: per line a short series of probes, each a TCP connect to the
// line server and the round trip of a SOCKS5 greeting over it, gives the
// round-trip time, jitter and loss (LineQuality). The lines are probed
// side by side, the probes of one line one after another.
//
// The measuring runs on a thread of its own: a round when started and then
// one every period until stopped; the user-interface thread only starts,
// stops and receives the figures through the sink.
#pragma once

#include "MainWnd/LineQuality.h"
#include "MainWnd/ProbeClock.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct LatencyTarget {
  std::wstring address;  // dotted-decimal IPv4; anything else never answers
  int port = 0;
};

// Receives each line's figures on the probe's thread, as soon as that
// line's series is complete.
class ILineQualitySink {
 public:
  virtual ~ILineQualitySink() = default;
  virtual void QualityMeasured(int index, const LineQuality& quality) = 0;
};

class CLineLatencyProbe {
 public:
  struct Timing {
    std::chrono::milliseconds period{30000};  // from the end of a round to the next
    std::chrono::milliseconds timeout{1000};  // one probe: connect and greeting
    int probes = 5;                           // a line's series
    std::chrono::milliseconds spacing{100};   // from one probe's end to the next one's start
  };

  // clock: where times are read; null for the steady clock.
  CLineLatencyProbe(std::vector<LatencyTarget> targets, ILineQualitySink& sink, Timing timing,
                    const IProbeClock* clock = nullptr);
  ~CLineLatencyProbe();
  CLineLatencyProbe(const CLineLatencyProbe&) = delete;
  CLineLatencyProbe& operator=(const CLineLatencyProbe&) = delete;

  // Measures at once and then every period. Starting a running probe
  // changes nothing; false when no thread could be started.
  bool Start();
  // Ends the measuring and waits for the thread; probes under way end at
  // once. No figure arrives after it returns.
  void Stop();
  bool IsRunning() const;
  // Start, Stop and IsRunning belong to one thread (the user-interface
  // thread); the sink is called on the probe's own thread.

  // One round on the calling thread, every line side by side; the figures
  // in the targets' order. For measuring without a thread (benchmarks).
  static std::vector<LineQuality> MeasureRound(const std::vector<LatencyTarget>& targets, const Timing& timing,
                                               const IProbeClock& clock);

 private:
  void Run();

  const std::vector<LatencyTarget> m_targets;
  ILineQualitySink& m_sink;
  const Timing m_timing;
  CSteadyProbeClock m_steady;
  const IProbeClock& m_clock;
  // Written by Stop so that probes under way end at once.
  const int m_wakeFd;
  std::mutex m_lock;
  std::condition_variable m_wake;
  bool m_stopping = false;
  std::thread m_thread;
};
