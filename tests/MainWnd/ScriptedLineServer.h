// Test support: a line server on loopback whose answers to SOCKS5
// greetings follow a script, one step per connection, and a probe clock
// that only the script moves. A step that answers first moves the clock by
// its delay, so the probe measures exactly that delay (without a clock it
// waits that long); a silent step moves the clock past the probe's
// timeout and never answers.
#pragma once

#include "MainWnd/ProbeClock.h"
#include "tests/support/LoopbackPort.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

class ManualProbeClock : public IProbeClock {
 public:
  TimePoint Now() const override { return TimePoint(std::chrono::microseconds(m_micros.load())); }
  void Advance(std::chrono::microseconds by) { m_micros += by.count(); }

 private:
  std::atomic<long long> m_micros{1000000};
};

struct LineStep {
  enum Kind { Answer, Silent, Garbage, Close } kind = Answer;
  std::chrono::microseconds delay{0};  // Answer: the round trip; Silent: how far the clock moves

  static LineStep After(std::chrono::microseconds delay) { return LineStep{Answer, delay}; }
  static LineStep Silence(std::chrono::microseconds beyond) { return LineStep{Silent, beyond}; }
  static LineStep Nonsense() { return LineStep{Garbage, {}}; }
  static LineStep Hangup() { return LineStep{Close, {}}; }
};

class ScriptedLineServer {
 public:
  // The last step repeats once the script is used up; clock may be null
  // (nothing is moved).
  ScriptedLineServer(std::vector<LineStep> script, ManualProbeClock* clock);
  ~ScriptedLineServer();
  ScriptedLineServer(const ScriptedLineServer&) = delete;
  ScriptedLineServer& operator=(const ScriptedLineServer&) = delete;

  int port() const { return m_listener.port(); }
  // Connections whose greeting arrived so far.
  int Greetings() const { return m_greetings; }

 private:
  void Run();

  std::vector<LineStep> m_script;
  ManualProbeClock* m_clock;
  LoopbackPort m_listener{LoopbackPort::Options{.backlog = 64, .nonBlocking = true}};
  std::atomic<int> m_greetings{0};
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};
