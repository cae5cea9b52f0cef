#include "http/TransferAbort.h"

void CTransferAbort::Abort() {
  std::lock_guard<std::mutex> hold(m_lock);
  m_aborted = true;
  // The bound wake stays valid until Unbind, which waits for us.
  if (m_wake != nullptr) m_wake->Wake();
}

bool CTransferAbort::Aborted() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_aborted;
}

bool CTransferAbort::Bind(ITransferWake& wake) {
  std::lock_guard<std::mutex> hold(m_lock);
  if (m_aborted) return false;
  m_wake = &wake;
  return true;
}

void CTransferAbort::Unbind() {
  std::lock_guard<std::mutex> hold(m_lock);
  m_wake = nullptr;
}
