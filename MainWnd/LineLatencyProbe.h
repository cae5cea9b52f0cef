// Measures how long a TCP connection to each server line takes, so that
// the line options can show which line answers fastest. The measuring runs
// on a thread of its own: once when started and then every period until
// stopped; the user-interface thread only starts, stops and receives the
// figures through the sink.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct LatencyTarget {
  std::wstring address;  // dotted-decimal IPv4
  int port = 0;
};

// Receives each line's figure on the probe's thread: milliseconds of the
// TCP connect, or kUnreachable.
class ILatencySink {
 public:
  static constexpr int kUnreachable = -1;
  virtual ~ILatencySink() = default;
  virtual void LatencyMeasured(int index, int milliseconds) = 0;
};

// One TCP connect to the target, bounded by timeout: its duration in
// milliseconds (at least 1 — the figure is shown to people, and 0 would
// read as "no delay at all"), or ILatencySink::kUnreachable when the
// connect fails, times out or the address is not IPv4.
int MeasureConnectTime(const LatencyTarget& target, std::chrono::milliseconds timeout);

// The text a line option shows for a figure: "12 ms", or "—".
std::wstring LatencyText(int milliseconds);

class CLineLatencyProbe {
 public:
  struct Timing {
    std::chrono::milliseconds period{30000};
    std::chrono::milliseconds timeout{2000};
  };

  CLineLatencyProbe(std::vector<LatencyTarget> targets, ILatencySink& sink, Timing timing);
  CLineLatencyProbe(std::vector<LatencyTarget> targets, ILatencySink& sink)
      : CLineLatencyProbe(std::move(targets), sink, Timing{}) {}
  ~CLineLatencyProbe();
  CLineLatencyProbe(const CLineLatencyProbe&) = delete;
  CLineLatencyProbe& operator=(const CLineLatencyProbe&) = delete;

  // Measures at once and then every period. Starting a running probe
  // changes nothing; false when no thread could be started.
  bool Start();
  // Ends the measuring and waits for the thread; a measurement under way
  // ends within the connect timeout. No figure arrives after it returns.
  void Stop();
  bool IsRunning() const;
  // Start, Stop and IsRunning belong to one thread (the user-interface
  // thread); the sink is called on the probe's own thread.

 private:
  void Run();
  // Measures every target at once (the connects run side by side) and
  // reports each; false when a stop came meanwhile.
  bool MeasureAll();

  const std::vector<LatencyTarget> m_targets;
  ILatencySink& m_sink;
  const Timing m_timing;
  // Written by Stop so that connects under way end at once.
  const int m_wakeFd;
  std::mutex m_lock;
  std::condition_variable m_wake;
  bool m_stopping = false;
  std::thread m_thread;
};
