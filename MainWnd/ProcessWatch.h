// CProcessWatch: waits, on a thread of its own, for one process to end and
// then reports it once. Stopping the watch is cooperative and prompt (the
// wait also listens for the stop), and no report arrives after Stop
// returns. Start and Stop belong to one thread (the user-interface
// thread); the report runs on the watch's thread.
#pragma once

#include "platform/Kernel.h"

#include <functional>
#include <thread>

class CProcessWatch {
 public:
  CProcessWatch() = default;
  ~CProcessWatch();
  CProcessWatch(const CProcessWatch&) = delete;
  CProcessWatch& operator=(const CProcessWatch&) = delete;

  // Watches the process (a running watch is stopped first). A process
  // that has already ended is reported at once. False when it cannot be
  // watched: id 0, or the system gives no way to wait for it.
  bool Start(DWORD processId, std::function<void()> ended);
  // Ends the watch; no report after it returns.
  void Stop();
  bool IsWatching() const { return m_thread.joinable(); }

 private:
  void Run(int processFd, std::function<void()> ended);

  int m_stopFd = -1;
  std::thread m_thread;
};
