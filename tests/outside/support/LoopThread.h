// Test support: the local proxy's event loop on a thread of its own, with
// a way to run work on that thread (the proxy's objects belong to it).
#pragma once

#include "outside/local/EventLoop.h"

#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class LoopThread : private EventHandler {
 public:
  LoopThread();
  // Stops the loop and waits for its thread.
  ~LoopThread();
  LoopThread(const LoopThread&) = delete;
  LoopThread& operator=(const LoopThread&) = delete;

  EventLoop& loop() { return m_loop; }
  // Runs work on the loop's thread and waits until it ran.
  void Run(const std::function<void()>& work);

 private:
  void OnEvent(int fd, std::uint32_t events) override;

  EventLoop m_loop;
  int m_wakeFd = -1;
  std::mutex m_lock;
  std::vector<std::function<void()>> m_work;
  std::thread m_thread;
};
