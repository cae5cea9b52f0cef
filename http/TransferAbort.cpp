#include "http/TransferAbort.h"

#include <curl/curl.h>

void CTransferAbort::Abort() {
  std::lock_guard<std::mutex> hold(m_lock);
  m_aborted = true;
  // The bound handle is cleaned up only after Unbind, which waits for us.
  if (m_multi != nullptr) curl_multi_wakeup(m_multi);
}

bool CTransferAbort::Aborted() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_aborted;
}

bool CTransferAbort::Bind(CURLM* multi) {
  std::lock_guard<std::mutex> hold(m_lock);
  if (m_aborted) return false;
  m_multi = multi;
  return true;
}

void CTransferAbort::Unbind() {
  std::lock_guard<std::mutex> hold(m_lock);
  m_multi = nullptr;
}
