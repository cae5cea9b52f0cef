// CTransferAbort: a stop for the transfers of one worker. Abort (from any
// thread) ends the transfer running under it at once, whatever it waits
// for (a server that never answers included), and every later one before
// it starts. It stays aborted.
#pragma once

#include <mutex>

typedef void CURLM;

class CTransferAbort {
 public:
  CTransferAbort() = default;
  CTransferAbort(const CTransferAbort&) = delete;
  CTransferAbort& operator=(const CTransferAbort&) = delete;

  void Abort();
  bool Aborted() const;

 private:
  friend class CHttpClient;
  // The transfer's wait is woken by Abort while it is bound; false (not
  // bound) once aborted.
  bool Bind(CURLM* multi);
  void Unbind();

  mutable std::mutex m_lock;
  bool m_aborted = false;
  CURLM* m_multi = nullptr;
};
