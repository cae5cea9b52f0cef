#include "outside/local/FrontEndWatch.h"

#include "outside/local/SocketUtil.h"

#include <sys/epoll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

FrontEndWatch::FrontEndWatch(EventLoop& loop, std::function<void()> ended) : loop_(loop), ended_(std::move(ended)) {}

FrontEndWatch::~FrontEndWatch() {
  if (pidFd_ < 0) return;
  loop_.Remove(pidFd_);
  close(pidFd_);
}

bool FrontEndWatch::Watch(pid_t pid, std::string& error) {
  if (pid <= 0) {
    errno = ESRCH;
    error = "no front-end process id";
    return false;
  }
  pidFd_ = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (pidFd_ < 0) {
    const int failure = errno;
    error = "cannot watch the front end (process " + std::to_string(pid) + "): " + ErrnoText(failure);
    errno = failure;
    return false;
  }
  if (!loop_.Add(pidFd_, EPOLLIN, this)) {
    const int failure = errno;
    close(pidFd_);
    pidFd_ = -1;
    error = "cannot watch the front end's pidfd: " + ErrnoText(failure);
    errno = failure;
    return false;
  }
  return true;
}

void FrontEndWatch::OnEvent(int fd, std::uint32_t) {
  if (fd != pidFd_ || !ended_) return;
  // A pidfd stays readable once its process has ended: watch no more.
  loop_.Remove(pidFd_);
  auto ended = std::move(ended_);
  ended_ = nullptr;
  ended();
}
