#include "MainWnd/ProxyStatusWatch.h"

#include "outside/local/StatusConnection.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

CProxyStatusWatch::CProxyStatusWatch(IProxyStatusSink& sink)
    : m_sink(sink), m_wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CProxyStatusWatch::~CProxyStatusWatch() {
  Stop();
  if (m_wakeFd >= 0) close(m_wakeFd);
}

bool CProxyStatusWatch::Start(const std::string& path) {
  if (m_thread.joinable()) return true;
  if (m_wakeFd < 0) return false;
  try {
    m_thread = std::thread(&CProxyStatusWatch::Run, this, path);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void CProxyStatusWatch::Stop() {
  if (!m_thread.joinable()) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = write(m_wakeFd, &one, sizeof one);
  m_thread.join();
  std::uint64_t count;
  [[maybe_unused]] const ssize_t drained = read(m_wakeFd, &count, sizeof count);
}

void CProxyStatusWatch::Run(std::string path) {
  std::string error;
  const int fd = ConnectStatusSocket(path, getuid(), error);
  if (fd < 0) {
    m_sink.StatusEnded();
    return;
  }
  StatusLineBuffer buffer;
  bool following = true;
  while (following) {
    pollfd waits[2] = {{fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    if (poll(waits, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if ((waits[1].revents & POLLIN) != 0) {
      close(fd);
      return;  // stopped: nothing more reaches the sink
    }
    char bytes[2048];
    const ssize_t n = recv(fd, bytes, sizeof bytes, 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0 || !buffer.Append(bytes, static_cast<size_t>(n))) break;
    std::string line;
    while (following && buffer.NextLine(line)) {
      ProxyStatus status;
      following = ParseStatusLine(line, status);
      if (following) m_sink.StatusReceived(status);
    }
  }
  close(fd);
  m_sink.StatusEnded();
}
