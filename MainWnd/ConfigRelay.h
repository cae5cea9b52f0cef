// CConfigRelay: the configuration thread's way to the main window. The
// thread holds the relay (shared), not the window: the relay owns the two
// whitelists and hands each outcome to the window's call dispatcher while
// the window is attached. Once the window detaches (its exit routine or its
// end), outcomes are dropped, so a thread that ends late never reaches a
// window that is gone. Detaching also aborts the thread's download, so the
// thread ends at once instead of waiting for a server that never answers.
#pragma once

#include "MainWnd/ConfigOutcome.h"

#include <memory>
#include <mutex>
#include <string>

class IConfigReceiver {
 public:
  virtual ~IConfigReceiver() = default;
  // Called on the configuration thread with the relay's lock held: queue
  // the work for the user-interface thread, nothing more.
  virtual void QueueStartFirstLine() = 0;
  virtual void QueueInitialisationFailed() = 0;
  virtual void QueueExitForUpdate() = 0;
  virtual void QueueUpdateComponentMissing() = 0;
};

class CConfigRelay : public IConfigOutcome {
 public:
  // http: the source of the thread's transports; it must be set before a
  // thread is started.
  CConfigRelay(IConfigReceiver* receiver, std::shared_ptr<IHttpTransports> http)
      : m_receiver(receiver), m_http(std::move(http)) {}

  // From now on outcomes are dropped and downloads end; returns once no
  // outcome is being handed over.
  void Detach();

  CWhitelist& InsideWhitelist() override { return m_inside; }
  CWhitelist& OutsideWhitelist() override { return m_outside; }
  CTransferAbort& Transfers() override { return m_transfers; }
  IHttpTransports& Http() override { return *m_http; }
  void StartFirstLine() override;
  void InitialisationFailed() override;
  void ExitForUpdate() override;
  void UpdateComponentMissing() override;

  // Starts the configuration thread for the document at url; the thread
  // keeps the relay alive. The handle (0 on failure) and the thread's id.
  static uintptr_t StartThread(const std::shared_ptr<CConfigRelay>& relay, const std::string& url,
                               unsigned* threadId);

 private:
  void Hand(void (IConfigReceiver::*queue)());

  std::mutex m_lock;
  IConfigReceiver* m_receiver;
  CWhitelist m_inside;
  CWhitelist m_outside;
  CTransferAbort m_transfers;
  const std::shared_ptr<IHttpTransports> m_http;
};
