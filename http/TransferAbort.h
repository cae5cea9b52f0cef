// CTransferAbort: a stop for the transfers of one worker. Abort (from any
// thread) ends the transfer running under it at once, whatever it waits
// for (a server that never answers included), and every later one before
// it starts. It stays aborted.
#pragma once

#include <mutex>

// Wakes a transfer's wait; the transfer binds it to the abort for as long
// as it waits.
class ITransferWake {
 public:
  virtual void Wake() = 0;

 protected:
  ~ITransferWake() = default;
};

class CTransferAbort {
 public:
  CTransferAbort() = default;
  CTransferAbort(const CTransferAbort&) = delete;
  CTransferAbort& operator=(const CTransferAbort&) = delete;

  void Abort();
  bool Aborted() const;

  // The transfer's wait is woken by Abort while wake is bound; false (not
  // bound) once aborted. Unbind returns once no wake-up is running, so the
  // transfer may then free what wake points to.
  bool Bind(ITransferWake& wake);
  void Unbind();

 private:
  mutable std::mutex m_lock;
  bool m_aborted = false;
  ITransferWake* m_wake = nullptr;
};
