// CLineRelay: the way from the line flow's worker threads to the main
// window. The acceleration workers, the local proxy's watch, the line
// probe and the status watch hold the relay (shared), not the window: while the
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
#include "MainWnd/ProxyStatusWatch.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class ILineReceiver {
 public:
  virtual ~ILineReceiver() = default;
  // Called on a worker thread with the relay's lock held: queue the work
  // for the user-interface thread, nothing more.
  virtual void QueueAccelSucceeded(int generation, DWORD proxyId) = 0;
  virtual void QueueAccelFailed(int generation) = 0;
  virtual void QueueProxyEnded(int generation) = 0;
  virtual void QueueQualityChanged() = 0;
  virtual void QueueStatusChanged() = 0;
};

class CLineRelay : public ILineQualitySink, public IProxyStatusSink {
 public:
  CLineRelay(ILineReceiver* receiver, size_t lines) : m_receiver(receiver), m_quality(lines) {}

  // From now on reports are dropped; returns once no report is being
  // handed over.
  void Detach();

  void AccelSucceeded(int generation, DWORD proxyId);
  void AccelFailed(int generation);
  void ProxyEnded(int generation);

  // The probe's figures: kept, then the window is told to show them.
  void QualityMeasured(int index, const LineQuality& quality) override;
  // The latest figures of each line (not Measured() until measured).
  std::vector<LineQuality> Qualities() const;

  // The local proxy's reports: the latest is kept, then the window is told.
  // A watch begun anew forgets the earlier one's report (the window stops
  // that watch first).
  void BeginStatusWatch();
  void StatusReceived(const ProxyStatus& status) override;
  void StatusEnded() override;
  // The latest report of the watch, none before the first or after its end.
  std::optional<ProxyStatus> LatestStatus() const;

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
  std::vector<LineQuality> m_quality;
  std::optional<ProxyStatus> m_status;
};
