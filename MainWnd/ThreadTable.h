// CThreadTable: every worker thread the main window started, by thread id.
// Workers end cooperatively: StopAll raises the stop flag they look at
// between their steps, then waits for each of them, bounded. No thread is
// ever killed, so no lock is ever left held by a dead thread.
#pragma once

#include "platform/Kernel.h"

#include <atomic>
#include <map>
#include <mutex>
#include <vector>

class CThreadTable {
 public:
  CThreadTable() = default;
  // Closes the handles still held; the threads themselves are not touched.
  ~CThreadTable();
  CThreadTable(const CThreadTable&) = delete;
  CThreadTable& operator=(const CThreadTable&) = delete;

  // A null or invalid handle is ignored, and so is a handle already held.
  // Several threads may share an id (the window system hands out 0 for
  // every new thread): each is kept, none is lost to a later one. The
  // entry stays after the thread ends, until StopAll.
  void Register(unsigned threadId, HANDLE handle);
  size_t Count() const;

  // Any thread: true once StopAll has begun.
  bool StopRequested() const { return m_stop.load(); }

  // Raises the stop flag, then waits for the threads in id order, all of
  // them together for at most timeoutMs; closes every handle and empties
  // the table. Returns the ids of the threads that had not ended in time.
  std::vector<unsigned> StopAll(DWORD timeoutMs);

 private:
  mutable std::mutex m_lock;
  std::multimap<unsigned, HANDLE> m_threads;
  std::atomic<bool> m_stop{false};
};
