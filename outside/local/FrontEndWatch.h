// The front end's process, watched from the proxy's loop through a pidfd:
// when it ends (a crash included), the proxy has nobody left to carry for.
#pragma once

#include "outside/local/EventLoop.h"

#include <sys/types.h>

#include <functional>
#include <string>

class FrontEndWatch final : public EventHandler {
 public:
  FrontEndWatch(EventLoop& loop, std::function<void()> ended);
  ~FrontEndWatch();
  FrontEndWatch(const FrontEndWatch&) = delete;
  FrontEndWatch& operator=(const FrontEndWatch&) = delete;

  // Watches pid; ended is called once when it ends. False with the reason
  // (errno ESRCH: there is no such process, it has ended already).
  bool Watch(pid_t pid, std::string& error);
  void OnEvent(int fd, std::uint32_t events) override;

 private:
  EventLoop& loop_;
  std::function<void()> ended_;
  int pidFd_ = -1;
};
