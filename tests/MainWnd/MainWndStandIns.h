// Stand-ins for what the main window is handed: message boxes that record
// what they were asked and answer from a script, and an acceleration core
// whose starts wait until the test decides their outcome, so that the
// order in which outcomes arrive can be forced.
#pragma once

#include "MainWnd/MainWndSeams.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

struct AskedBox {
  HWND owner;
  std::wstring text;
  int type;
  std::wstring first;
  std::wstring second;
};

class RecordingBoxes : public IMessageBoxUI {
 public:
  std::vector<AskedBox> asked;
  // Answers in turn; when none is left, answer.
  std::deque<int> script;
  int answer = 0;
  int Ask(HWND owner, const std::wstring& text, int type, const wchar_t* first, const wchar_t* second) override {
    asked.push_back({owner, text, type, first, second});
    if (script.empty()) return answer;
    const int next = script.front();
    script.pop_front();
    return next;
  }
  size_t CountOf(const std::wstring& text) const {
    size_t n = 0;
    for (const AskedBox& box : asked) n += box.text == text ? 1 : 0;
    return n;
  }
};

class ScriptedCore : public IAccelerationCore {
 public:
  struct Outcome {
    bool success = true;
    DWORD proxyId = 0;
    std::wstring message;
  };
  static Outcome Success(DWORD proxyId = 0) { return Outcome{true, proxyId, L""}; }
  static Outcome Failure(const std::wstring& message) { return Outcome{false, 0, message}; }
  static constexpr wchar_t kStopped[] = L"加速已停止";

  // When true, a start ends as stopped once a later stop or start was
  // prepared, as the real core does; when false, it waits for its outcome
  // whatever happens (the harshest timing for the window).
  bool honourStops = true;

  void Stop() override { Bump(stops); }
  void StopIfObtained() override {
    std::lock_guard<std::mutex> hold(m_lock);
    ++stopsIfObtained;
    m_released = true;
    m_changed.notify_all();
  }
  // Starts are numbered in the order they were prepared, whichever
  // worker reaches Start first.
  std::uint64_t PrepareStart() override {
    std::lock_guard<std::mutex> hold(m_lock);
    ++prepares;
    m_indexOfTicket[++m_ticket] = m_prepared++;
    return m_ticket;
  }
  std::wstring Start(int line, std::uint64_t ticket, const std::function<void(DWORD)>& onStarted,
                     int& resultCode) override {
    std::unique_lock<std::mutex> lock(m_lock);
    const size_t index = m_indexOfTicket.at(ticket);
    if (m_lines.size() <= index) m_lines.resize(index + 1, 0);
    m_lines[index] = line;
    ++m_arrived;
    m_changed.notify_all();
    m_changed.wait(lock, [&] {
      return m_outcomes.count(index) != 0 || m_released || (honourStops && m_ticket != ticket);
    });
    auto found = m_outcomes.find(index);
    if (found == m_outcomes.end()) {
      resultCode = 0;
      return kStopped;
    }
    const Outcome outcome = found->second;
    lock.unlock();
    if (!outcome.success) {
      resultCode = 109;
      return outcome.message;
    }
    onStarted(outcome.proxyId);
    return std::wstring();
  }

  // Test side.
  bool WaitForStarts(size_t count) {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_arrived >= count; });
  }
  void Resolve(size_t index, const Outcome& outcome) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_outcomes[index] = outcome;
    m_changed.notify_all();
  }
  std::vector<int> StartedLines() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_lines;
  }
  int Stops() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return stops;
  }

  // Read on the test's thread once the workers are quiet.
  int stops = 0;
  int stopsIfObtained = 0;
  int prepares = 0;

 private:
  void Bump(int& counter) {
    std::lock_guard<std::mutex> hold(m_lock);
    ++counter;
    ++m_ticket;
    m_changed.notify_all();
  }

  mutable std::mutex m_lock;
  std::condition_variable m_changed;
  std::uint64_t m_ticket = 0;
  bool m_released = false;
  // Line of each start by its number (0 until its worker arrives).
  std::vector<int> m_lines;
  std::map<std::uint64_t, size_t> m_indexOfTicket;
  size_t m_prepared = 0;
  size_t m_arrived = 0;
  std::map<size_t, Outcome> m_outcomes;
};
