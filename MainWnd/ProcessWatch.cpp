#include "MainWnd/ProcessWatch.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace {

// A descriptor that becomes readable when the process ends; -1 with errno
// set when there is none.
int OpenProcessFd(DWORD processId) {
  return static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(processId), 0u));
}

}  // namespace

CProcessWatch::~CProcessWatch() { Stop(); }

bool CProcessWatch::Start(DWORD processId, std::function<void()> ended) {
  Stop();
  if (processId == 0) return false;
  // ESRCH: the process has gone already; the watch reports it at once.
  const int processFd = OpenProcessFd(processId);
  if (processFd < 0 && errno != ESRCH) return false;
  m_stopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (m_stopFd < 0) {
    if (processFd >= 0) ::close(processFd);
    return false;
  }
  try {
    m_thread = std::thread(&CProcessWatch::Run, this, processFd, std::move(ended));
  } catch (const std::system_error&) {
    if (processFd >= 0) ::close(processFd);
    ::close(m_stopFd);
    m_stopFd = -1;
    return false;
  }
  return true;
}

void CProcessWatch::Stop() {
  if (!m_thread.joinable()) return;
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(m_stopFd, &one, sizeof one);
  m_thread.join();
  ::close(m_stopFd);
  m_stopFd = -1;
}

void CProcessWatch::Run(int processFd, std::function<void()> ended) {
  bool hasEnded = processFd < 0;
  while (!hasEnded) {
    pollfd fds[2] = {{processFd, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
    const int ready = ::poll(fds, 2, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || (fds[1].revents & POLLIN) != 0) break;
    hasEnded = (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
  }
  if (processFd >= 0) ::close(processFd);
  if (!hasEnded) return;
  // A stop that raced with the end wins: nothing is reported after Stop.
  pollfd stop{m_stopFd, POLLIN, 0};
  if (::poll(&stop, 1, 0) == 0) ended();
}
