#include "MainWnd/LineRelay.h"

#include "platform/Threads.h"
#include "system/WriteLogFile.h"

namespace {

struct AccelStart {
  std::shared_ptr<CLineRelay> relay;
  std::shared_ptr<IAccelerationCore> core;
  int line;
  int generation;
  std::uint64_t ticket;
};

// The acceleration worker: one start, its outcome handed to the window.
// A failure's message goes to the log here, on the worker.
unsigned WINAPI AccelThreadProc(void* argument) {
  std::unique_ptr<AccelStart> start(static_cast<AccelStart*>(argument));
  int resultCode = -1;
  CLineRelay& relay = *start->relay;
  const int generation = start->generation;
  // The onStarted of the start: it only hands the news on.
  auto onAccelStarted = [&relay, generation](DWORD proxyId) { relay.AccelSucceeded(generation, proxyId); };
  const std::wstring message = start->core->Start(start->line, start->ticket, onAccelStarted, resultCode);
  if (!message.empty()) {
    g_logFile.WriteText(__FILE__, __LINE__, message.c_str());
    relay.AccelFailed(generation);
  }
  return 0;
}

}  // namespace

void CLineRelay::Detach() {
  std::lock_guard<std::mutex> hold(m_lock);
  m_receiver = nullptr;
}

template <class Queue>
void CLineRelay::Hand(Queue queue) {
  std::lock_guard<std::mutex> hold(m_lock);
  if (m_receiver != nullptr) queue(*m_receiver);
}

void CLineRelay::AccelSucceeded(int generation, DWORD proxyId) {
  Hand([&](ILineReceiver& r) { r.QueueAccelSucceeded(generation, proxyId); });
}

void CLineRelay::AccelFailed(int generation) {
  Hand([&](ILineReceiver& r) { r.QueueAccelFailed(generation); });
}

void CLineRelay::ProxyEnded(int generation) {
  Hand([&](ILineReceiver& r) { r.QueueProxyEnded(generation); });
}

void CLineRelay::QualityMeasured(int index, const LineQuality& quality) {
  std::lock_guard<std::mutex> hold(m_lock);
  if (index < 0 || static_cast<size_t>(index) >= m_quality.size()) return;
  m_quality[static_cast<size_t>(index)] = quality;
  if (m_receiver != nullptr) m_receiver->QueueQualityChanged();
}

std::vector<LineQuality> CLineRelay::Qualities() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_quality;
}

void CLineRelay::BeginStatusWatch() {
  std::lock_guard<std::mutex> hold(m_lock);
  m_status.reset();
}

void CLineRelay::StatusReceived(const ProxyStatus& status) {
  std::lock_guard<std::mutex> hold(m_lock);
  m_status = status;
  if (m_receiver != nullptr) m_receiver->QueueStatusChanged();
}

void CLineRelay::StatusEnded() {
  std::lock_guard<std::mutex> hold(m_lock);
  m_status.reset();
  if (m_receiver != nullptr) m_receiver->QueueStatusChanged();
}

std::optional<ProxyStatus> CLineRelay::LatestStatus() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_status;
}

uintptr_t CLineRelay::StartAccelThread(const std::shared_ptr<CLineRelay>& relay,
                                       const std::shared_ptr<IAccelerationCore>& core, int line, int generation,
                                       std::uint64_t ticket, unsigned* threadId) {
  auto start = std::make_unique<AccelStart>(AccelStart{relay, core, line, generation, ticket});
  uintptr_t handle = _beginthreadex(nullptr, 0, AccelThreadProc, start.get(), 0, threadId);
  if (handle != 0) start.release();
  return handle;
}
