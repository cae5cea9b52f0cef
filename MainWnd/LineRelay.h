// CLineRelay: the way from the line flow's worker threads to the main
// window. The acceleration workers, the local proxy's watch and the
// connect-time probe hold the relay (shared), not the window: while the
// window is attached the relay hands each report to the window's call
// dispatcher; once it detaches (the exit routine, or the window's end)
// reports are dropped, so a worker that ends late never reaches a window
// that is gone.
//
// Every start carries a generation number: the window tells from it
// whether a report belongs to its latest start.
#pragma once

#include "MainWnd/LineLatencyProbe.h"
#include "MainWnd/MainWndSeams.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class ILineReceiver {
 public:
  virtual ~ILineReceiver() = default;
  // Called on a worker thread with the relay's lock held: queue the work
  // for the user-interface thread, nothing more.
  virtual void QueueAccelSucceeded(int generation, DWORD proxyId) = 0;
  virtual void QueueAccelFailed(int generation) = 0;
  virtual void QueueProxyEnded(int generation) = 0;
  virtual void QueueLatencyChanged() = 0;
};

class CLineRelay : public ILatencySink {
 public:
  CLineRelay(ILineReceiver* receiver, size_t lines) : m_receiver(receiver), m_latency(lines, kUnreachable) {}

  // From now on reports are dropped; returns once no report is being
  // handed over.
  void Detach();

  void AccelSucceeded(int generation, DWORD proxyId);
  void AccelFailed(int generation);
  void ProxyEnded(int generation);

  // The probe's figures: kept, then the window is told to show them.
  void LatencyMeasured(int index, int milliseconds) override;
  // The latest figure of each line (kUnreachable until measured).
  std::vector<int> Latencies() const;

  // Starts the worker that accelerates on line for the start of this
  // generation and ticket (AccelThreadProc); the worker keeps the relay
  // and the core alive until it ends. The handle (0 on failure) and the
  // thread's id.
  static uintptr_t StartAccelThread(const std::shared_ptr<CLineRelay>& relay,
                                    const std::shared_ptr<IAccelerationCore>& core, int line, int generation,
                                    std::uint64_t ticket, unsigned* threadId);

 private:
  template <class Queue>
  void Hand(Queue queue);

  mutable std::mutex m_lock;
  ILineReceiver* m_receiver;
  std::vector<int> m_latency;
};
