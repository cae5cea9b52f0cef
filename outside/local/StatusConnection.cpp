#include "outside/local/StatusConnection.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

int ConnectStatusSocket(const std::string& path, uid_t uid, std::string& error) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) {
    error = "the status socket's path is too long: " + path;
    return -1;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = std::string("socket: ") + std::strerror(errno);
    return -1;
  }
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    error = path + ": " + std::strerror(errno);
    close(fd);
    return -1;
  }
  ucred peer{};
  socklen_t length = sizeof peer;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != uid) {
    error = path + " is served by user " + std::to_string(peer.uid) + ", not by " + std::to_string(uid);
    close(fd);
    return -1;
  }
  return fd;
}

bool StatusLineBuffer::Append(const char* data, std::size_t length) {
  m_pending.append(data, length);
  const std::size_t end = m_pending.rfind('\n');
  const std::size_t open = end == std::string::npos ? m_pending.size() : m_pending.size() - end - 1;
  return open < kMaxStatusLineBytes;
}

bool StatusLineBuffer::NextLine(std::string& line) {
  const std::size_t end = m_pending.find('\n');
  if (end == std::string::npos) return false;
  line.assign(m_pending, 0, end);
  m_pending.erase(0, end + 1);
  return true;
}

bool ReadStatusOnce(const std::string& path, uid_t uid, std::chrono::milliseconds timeout, ProxyStatus& status,
                    std::string& error) {
  const int fd = ConnectStatusSocket(path, uid, error);
  if (fd < 0) return false;
  const auto end = std::chrono::steady_clock::now() + timeout;
  StatusLineBuffer buffer;
  std::string line;
  bool read = false;
  while (!read) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
    pollfd wait{fd, POLLIN, 0};
    if (left <= 0 || poll(&wait, 1, static_cast<int>(left)) == 0) {
      error = path + ": no report in time";
      break;
    }
    char bytes[1024];
    const ssize_t n = recv(fd, bytes, sizeof bytes, 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) {
      error = path + ": the proxy closed the connection";
      break;
    }
    if (!buffer.Append(bytes, static_cast<std::size_t>(n))) {
      error = path + ": not a status report";
      break;
    }
    if (buffer.NextLine(line)) {
      read = ParseStatusLine(line, status);
      if (!read) {
        error = path + ": not a status report";
        break;
      }
    }
  }
  close(fd);
  return read;
}
