// A level-triggered epoll loop. Handlers are called with the descriptor
// that became ready; work handed to Defer runs after the current batch of
// events (objects are destroyed there, never while their events run).
// SIGTERM and SIGINT end the loop.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

class EventHandler {
 public:
  virtual void OnEvent(int fd, std::uint32_t events) = 0;

 protected:
  ~EventHandler() = default;
};

class EventLoop {
 public:
  EventLoop() = default;
  ~EventLoop();
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  // Creates the epoll instance, the one-second tick and the signal
  // descriptor (SIGTERM and SIGINT are blocked and read from it).
  bool Init();

  // Watches fd for events (EPOLLIN / EPOLLOUT); Set changes the interest
  // only when it differs from the last one given.
  bool Add(int fd, std::uint32_t events, EventHandler* handler);
  void Set(int fd, std::uint32_t events);
  void Remove(int fd);

  void Defer(std::function<void()> work);
  // Called once a second.
  void SetTick(std::function<void()> tick) { tick_ = std::move(tick); }

  // Runs until a termination signal arrives or Stop is called.
  void Run();
  void Stop() { running_ = false; }

 private:
  struct Watch {
    EventHandler* handler = nullptr;
    std::uint32_t events = 0;
  };

  int epollFd_ = -1;
  int timerFd_ = -1;
  int signalFd_ = -1;
  bool running_ = false;
  std::vector<Watch> watches_;
  std::vector<std::function<void()>> deferred_;
  std::function<void()> tick_;
};
