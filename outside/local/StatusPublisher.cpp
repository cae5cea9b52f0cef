#include "outside/local/StatusPublisher.h"

#include "outside/local/StatusSocketPath.h"

#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// A client this far behind (it stopped reading) is dropped.
constexpr std::size_t kMaxPendingBytes = 64 * 1024;

}  // namespace

StatusPublisher::StatusPublisher(EventLoop& loop, const ProxyCounters& counters, StatusIdentity identity)
    : m_loop(loop), m_counters(counters), m_identity(std::move(identity)) {}

StatusPublisher::~StatusPublisher() {
  while (!m_clients.empty()) Drop(m_clients.begin()->first);
  if (m_timerFd >= 0) {
    m_loop.Remove(m_timerFd);
    close(m_timerFd);
  }
  if (m_listenFd >= 0) {
    m_loop.Remove(m_listenFd);
    close(m_listenFd);
    // A proxy started after this one may have put its own socket there.
    struct stat info{};
    if (lstat(m_path.c_str(), &info) == 0 && info.st_dev == m_socketDevice && info.st_ino == m_socketInode)
      unlink(m_path.c_str());
  }
}

bool StatusPublisher::OpenForUser(std::string& error) {
  const std::string directory = StatusDirectory();
  if (!PrepareStatusDirectory(directory, getuid(), error)) return false;
  return Open(StatusSocketPath(directory), error);
}

bool StatusPublisher::Open(const std::string& path, std::string& error) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) {
    error = "the status socket's path is too long: " + path;
    return false;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  // What an earlier proxy left (it ended without removing it): only a
  // socket is replaced, never another kind of file.
  struct stat info{};
  if (lstat(path.c_str(), &info) == 0) {
    if (!S_ISSOCK(info.st_mode)) {
      error = path + " exists and is not a socket";
      return false;
    }
    unlink(path.c_str());
  }
  m_listenFd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  m_timerFd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  if (m_listenFd < 0 || m_timerFd < 0) {
    error = std::string("status socket: ") + std::strerror(errno);
    return false;
  }
  if (bind(m_listenFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      listen(m_listenFd, static_cast<int>(kMaxClients)) != 0) {
    error = path + ": " + std::strerror(errno);
    close(m_listenFd);
    m_listenFd = -1;
    return false;
  }
  m_path = path;
  if (lstat(path.c_str(), &info) == 0) {
    m_socketDevice = info.st_dev;
    m_socketInode = info.st_ino;
  }
  if (!m_loop.Add(m_listenFd, EPOLLIN, this) || !m_loop.Add(m_timerFd, EPOLLIN, this)) {
    error = std::string("status socket: ") + std::strerror(errno);
    return false;
  }
  return true;
}

void StatusPublisher::OnEvent(int fd, std::uint32_t events) {
  if (fd == m_listenFd)
    Accept();
  else if (fd == m_timerFd)
    OnTimer();
  else
    OnClient(fd, events);
}

void StatusPublisher::Accept() {
  for (;;) {
    const int fd = accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    ucred peer{};
    socklen_t length = sizeof peer;
    // Only the proxy's own user is told anything.
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != geteuid() ||
        m_clients.size() >= kMaxClients || !m_loop.Add(fd, EPOLLIN, this)) {
      close(fd);
      continue;
    }
    Client& client = m_clients[fd];
    Queue(fd, client);
    ArmTimer(true);
  }
}

void StatusPublisher::OnTimer() {
  std::uint64_t expirations = 0;
  [[maybe_unused]] const ssize_t read = ::read(m_timerFd, &expirations, sizeof expirations);
  for (auto it = m_clients.begin(); it != m_clients.end();) {
    const int fd = it->first;
    Client& client = (it++)->second;  // Queue may drop the client
    if (client.revision != m_counters.revision) Queue(fd, client);
  }
}

void StatusPublisher::OnClient(int fd, std::uint32_t events) {
  auto found = m_clients.find(fd);
  if (found == m_clients.end()) return;
  if ((events & EPOLLIN) != 0) {
    // Clients have nothing to say; what they send is read and dropped, and
    // the end of the stream is their leaving.
    char bytes[256];
    const ssize_t n = recv(fd, bytes, sizeof bytes, 0);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
      Drop(fd);
      return;
    }
  }
  if ((events & (EPOLLHUP | EPOLLERR)) != 0) {
    Drop(fd);
    return;
  }
  if ((events & EPOLLOUT) != 0) Flush(fd, found->second);
}

void StatusPublisher::Queue(int fd, Client& client) {
  client.revision = m_counters.revision;
  if (!client.pending.empty()) {
    // Still taking an older line: the newest state follows it.
    client.stale = true;
    return;
  }
  client.pending = FormatStatusLine(Snapshot());
  Flush(fd, client);
}

void StatusPublisher::Flush(int fd, Client& client) {
  while (!client.pending.empty()) {
    const ssize_t n = send(fd, client.pending.data(), client.pending.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) break;
    if (n <= 0) {
      Drop(fd);
      return;
    }
    client.pending.erase(0, static_cast<std::size_t>(n));
    if (client.pending.empty() && client.stale) {
      client.stale = false;
      client.revision = m_counters.revision;
      client.pending = FormatStatusLine(Snapshot());
    }
  }
  if (client.pending.size() > kMaxPendingBytes) {
    Drop(fd);
    return;
  }
  m_loop.Set(fd, client.pending.empty() ? EPOLLIN : EPOLLIN | EPOLLOUT);
}

void StatusPublisher::Drop(int fd) {
  m_loop.Remove(fd);
  close(fd);
  m_clients.erase(fd);
  if (m_clients.empty()) ArmTimer(false);
}

void StatusPublisher::ArmTimer(bool on) {
  if (m_timerFd < 0 || m_timerArmed == on) return;
  itimerspec period{};
  if (on) {
    period.it_interval.tv_sec = 1;
    period.it_value.tv_sec = 1;
  }
  if (timerfd_settime(m_timerFd, 0, &period, nullptr) == 0) m_timerArmed = on;
}

ProxyStatus StatusPublisher::Snapshot() const {
  ProxyStatus status;
  status.pid = static_cast<long>(getpid());
  status.server = m_identity.server;
  status.serverPort = m_identity.serverPort;
  status.mainPort = m_identity.mainPort;
  status.tcpConnections = m_counters.tcpConnections;
  status.udpAssociations = m_counters.udpAssociations;
  status.bytesUp = m_counters.bytesUp;
  status.bytesDown = m_counters.bytesDown;
  status.lineCheckAtMs = m_counters.lineCheckAtMs;
  status.lineCheckPassed = m_counters.lineCheckPassed;
  status.lineCheckMicros = m_counters.lineCheckMicros;
  return status;
}
