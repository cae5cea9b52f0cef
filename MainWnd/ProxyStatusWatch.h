// Follows the running local proxy's status interface on a thread of its
// own: the thread sleeps on the socket and wakes only when the proxy sends
// a report (at most about once a second, and only when something
// changed), so watching costs nothing while nothing is carried. The
// user-interface thread only starts and stops it; reports go to the sink.
#pragma once

#include "outside/local/StatusLine.h"

#include <string>
#include <thread>

class IProxyStatusSink {
 public:
  virtual ~IProxyStatusSink() = default;
  // On the watch's thread: a report arrived.
  virtual void StatusReceived(const ProxyStatus& status) = 0;
  // On the watch's thread: there is no proxy to follow (it ended, could not
  // be reached, or sent what is not a report). Nothing follows.
  virtual void StatusEnded() = 0;
};

class CProxyStatusWatch {
 public:
  explicit CProxyStatusWatch(IProxyStatusSink& sink);
  ~CProxyStatusWatch();
  CProxyStatusWatch(const CProxyStatusWatch&) = delete;
  CProxyStatusWatch& operator=(const CProxyStatusWatch&) = delete;

  // Connects to the socket at path and follows it. Starting a running
  // watch changes nothing; false when no thread could be started.
  bool Start(const std::string& path);
  // Ends the watch at once and waits for its thread; nothing reaches the
  // sink after it returns.
  void Stop();
  bool IsRunning() const { return m_thread.joinable(); }

 private:
  void Run(std::string path);

  IProxyStatusSink& m_sink;
  const int m_wakeFd;
  std::thread m_thread;
};
