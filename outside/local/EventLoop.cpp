#include "outside/local/EventLoop.h"

#include <signal.h>
#include <sys/epoll.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>

EventLoop::~EventLoop() {
  for (int fd : {epollFd_, timerFd_, signalFd_}) {
    if (fd >= 0) close(fd);
  }
}

bool EventLoop::Init() {
  epollFd_ = epoll_create1(EPOLL_CLOEXEC);
  if (epollFd_ < 0) return false;
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  if (sigprocmask(SIG_BLOCK, &signals, nullptr) != 0) return false;
  signalFd_ = signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
  timerFd_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (signalFd_ < 0 || timerFd_ < 0) return false;
  itimerspec period{};
  period.it_interval.tv_sec = 1;
  period.it_value.tv_sec = 1;
  if (timerfd_settime(timerFd_, 0, &period, nullptr) != 0) return false;
  for (int fd : {signalFd_, timerFd_}) {
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = fd;
    if (epoll_ctl(epollFd_, EPOLL_CTL_ADD, fd, &event) != 0) return false;
  }
  return true;
}

bool EventLoop::Add(int fd, std::uint32_t events, EventHandler* handler) {
  epoll_event event{};
  event.events = events;
  event.data.fd = fd;
  if (epoll_ctl(epollFd_, EPOLL_CTL_ADD, fd, &event) != 0) return false;
  if (watches_.size() <= static_cast<std::size_t>(fd)) watches_.resize(static_cast<std::size_t>(fd) + 1);
  watches_[static_cast<std::size_t>(fd)] = Watch{handler, events};
  return true;
}

void EventLoop::Set(int fd, std::uint32_t events) {
  Watch& watch = watches_[static_cast<std::size_t>(fd)];
  if (watch.events == events) return;
  epoll_event event{};
  event.events = events;
  event.data.fd = fd;
  if (epoll_ctl(epollFd_, EPOLL_CTL_MOD, fd, &event) == 0) watch.events = events;
}

void EventLoop::Remove(int fd) {
  epoll_ctl(epollFd_, EPOLL_CTL_DEL, fd, nullptr);
  if (static_cast<std::size_t>(fd) < watches_.size()) watches_[static_cast<std::size_t>(fd)] = Watch{};
}

void EventLoop::Defer(std::function<void()> work) { deferred_.push_back(std::move(work)); }

void EventLoop::Run() {
  running_ = true;
  epoll_event events[256];
  while (running_) {
    const int count = epoll_wait(epollFd_, events, 256, -1);
    if (count < 0 && errno != EINTR) break;
    for (int i = 0; i < count && running_; ++i) {
      const int fd = events[i].data.fd;
      if (fd == signalFd_) {
        running_ = false;
      } else if (fd == timerFd_) {
        std::uint64_t expirations = 0;
        if (read(timerFd_, &expirations, sizeof expirations) > 0 && tick_) tick_();
      } else if (static_cast<std::size_t>(fd) < watches_.size() && watches_[static_cast<std::size_t>(fd)].handler) {
        // A handler removed earlier in this batch is gone from the table; a
        // descriptor number reused since then gets a spurious wake-up,
        // which every handler tolerates.
        watches_[static_cast<std::size_t>(fd)].handler->OnEvent(fd, events[i].events);
      }
    }
    std::vector<std::function<void()>> work;
    work.swap(deferred_);
    for (auto& item : work) item();
  }
}
