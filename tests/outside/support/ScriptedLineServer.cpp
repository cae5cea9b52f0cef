#include "tests/outside/support/ScriptedLineServer.h"

#include "outside/local/SocketUtil.h"
#include "tests/outside/support/LineServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace {

// Waits up to 100 ms for fd; false when it is not readable.
bool Readable(int fd) {
  pollfd ready{fd, POLLIN, 0};
  return poll(&ready, 1, 100) == 1;
}

void SendBytes(int fd, const std::string& bytes) { send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL); }

std::string Reply(std::uint8_t code) { return std::string{5, static_cast<char>(code), 0, 1, 0, 0, 0, 0, 0, 0}; }

bool IsLoopback(const sockaddr_storage& target) {
  if (target.ss_family == AF_INET) {
    return (ntohl(reinterpret_cast<const sockaddr_in&>(target).sin_addr.s_addr) >> 24) == 127;
  }
  return target.ss_family == AF_INET6 && IN6_IS_ADDR_LOOPBACK(&reinterpret_cast<const sockaddr_in6&>(target).sin6_addr);
}

}  // namespace

ScriptedLineServer::ScriptedLineServer() {
  listenFd_ = ListenTcpLoopback(AF_INET, 0);
  // Its threads wait in accept and recv.
  fcntl(listenFd_, F_SETFL, fcntl(listenFd_, F_GETFL) & ~O_NONBLOCK);
  sockaddr_in address{};
  socklen_t length = sizeof address;
  getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  acceptThread_ = std::thread([this] { AcceptLoop(); });
}

ScriptedLineServer::~ScriptedLineServer() { Stop(); }

void ScriptedLineServer::SetScript(const Script& script) {
  std::lock_guard<std::mutex> lock(mutex_);
  script_ = script;
}

ScriptedLineServer::Script ScriptedLineServer::script() {
  std::lock_guard<std::mutex> lock(mutex_);
  return script_;
}

ScriptedLineServer::Seen ScriptedLineServer::seen() {
  std::lock_guard<std::mutex> lock(mutex_);
  return seen_;
}

void ScriptedLineServer::Release() { released_ = true; }

void ScriptedLineServer::Stop() {
  if (stopping_.exchange(true)) return;
  // A shut-down listener ends accept at once; so do the connections' reads.
  shutdown(listenFd_, SHUT_RDWR);
  acceptThread_.join();
  close(listenFd_);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (int fd : open_) shutdown(fd, SHUT_RDWR);
  }
  for (std::thread& thread : threads_) thread.join();
}

void ScriptedLineServer::AcceptLoop() {
  while (!stopping()) {
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      return;
    }
    if (script().closeAtOnce) {
      close(fd);
      continue;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping()) {
      close(fd);
      return;
    }
    open_.insert(fd);
    threads_.emplace_back([this, fd] { Serve(fd); });
  }
}

void ScriptedLineServer::Serve(int fd) {
  // Reads exactly size bytes, waiting while the line is silent.
  const auto read = [this, fd](std::size_t size, std::string& bytes) {
    bytes.clear();
    while (bytes.size() < size && !stopping()) {
      if (!Readable(fd) || script().silent) continue;
      char buffer[512];
      const ssize_t got = recv(fd, buffer, std::min(sizeof buffer, size - bytes.size()), 0);
      if (got <= 0) return false;
      bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes.size() == size;
  };
  const auto done = [this, fd] {
    std::lock_guard<std::mutex> lock(mutex_);
    open_.erase(fd);
    close(fd);
  };
  std::string bytes, more;
  // Greeting: VER NMETHODS METHODS.
  if (!read(2, bytes) || bytes[0] != 5 || !read(static_cast<unsigned char>(bytes[1]), more)) return done();
  if (more.find('\x02') == std::string::npos) {
    SendBytes(fd, std::string("\x05\xFF", 2));
    return done();
  }
  SendBytes(fd, std::string("\x05\x02", 2));
  // RFC 1929: VER ULEN UNAME PLEN PASSWD.
  std::string user, password;
  if (!read(2, bytes) || !read(static_cast<unsigned char>(bytes[1]), user) || !read(1, bytes) ||
      !read(static_cast<unsigned char>(bytes[0]), password)) {
    return done();
  }
  if (!script().acceptLogin || user != kLineUser || password != kLinePassword) {
    SendBytes(fd, std::string("\x01\x01", 2));
    return done();
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++seen_.logins;
  }
  SendBytes(fd, std::string("\x01\x00", 2));
  // The request: VER CMD RSV ATYP DST.ADDR DST.PORT (a check ends here).
  if (!read(4, bytes)) return done();
  const char command = bytes[1];
  const char type = bytes[3];
  if (type != 1 && type != 4) {
    SendBytes(fd, Reply(8));
    return done();
  }
  std::string address;
  if (!read(type == 1 ? 6 : 18, address)) return done();
  const Script now = script();
  if (command == 3) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++seen_.udpRequests;
    }
    SendBytes(fd, Reply(now.udpReply));
    // An association lasts as long as its control connection.
    while (now.udpReply == 0 && !stopping()) {
      char byte;
      if (Readable(fd) && recv(fd, &byte, 1, 0) <= 0) break;
    }
    return done();
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++seen_.connects;
    if (type == 4) ++seen_.ipv6Connects;
  }
  const bool ownLoopback = type == 4 && address.compare(0, 16, std::string(15, '\0') + '\1') == 0;
  const std::uint8_t refusal = command != 1                                  ? 7
                               : ownLoopback && now.ownLoopbackReply >= 0 ? static_cast<std::uint8_t>(now.ownLoopbackReply)
                               : type == 4                                ? now.ipv6Reply
                                                                          : now.connectReply;
  if (refusal != 0) {
    SendBytes(fd, Reply(refusal));
    return done();
  }
  sockaddr_storage target{};
  socklen_t length = 0;
  if (type == 1) {
    auto& in4 = reinterpret_cast<sockaddr_in&>(target);
    in4.sin_family = AF_INET;
    std::memcpy(&in4.sin_addr, address.data(), 4);
    std::memcpy(&in4.sin_port, address.data() + 4, 2);
    length = sizeof in4;
  } else {
    auto& in6 = reinterpret_cast<sockaddr_in6&>(target);
    in6.sin6_family = AF_INET6;
    std::memcpy(&in6.sin6_addr, address.data(), 16);
    std::memcpy(&in6.sin6_port, address.data() + 16, 2);
    length = sizeof in6;
  }
  if (!IsLoopback(target)) {
    SendBytes(fd, Reply(2));
    return done();
  }
  const int outgoing = socket(target.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (connect(outgoing, reinterpret_cast<sockaddr*>(&target), length) != 0) {
    close(outgoing);
    SendBytes(fd, Reply(5));
    return done();
  }
  sockaddr_in peer{};
  socklen_t peerLength = sizeof peer;
  getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLength);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    seen_.relayPeerPorts.push_back(ntohs(peer.sin_port));
  }
  SendBytes(fd, Reply(0));
  Relay(fd, outgoing, now);
  close(outgoing);
  done();
}

void ScriptedLineServer::Relay(int client, int target, const Script& plan) {
  if (plan.endAndHoldRelays) {
    shutdown(client, SHUT_WR);
    while (!released_ && !stopping()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    char buffer[65536];
    std::uint64_t total = 0;
    for (ssize_t got; !stopping() && (got = recv(client, buffer, sizeof buffer, 0)) > 0;) total += static_cast<std::uint64_t>(got);
    std::lock_guard<std::mutex> lock(mutex_);
    seen_.heldBytes += total;
    ++seen_.heldEnded;
    return;
  }
  bool clientOpen = true, targetOpen = true;
  char buffer[65536];
  while ((clientOpen || targetOpen) && !stopping()) {
    if (script().silent) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      continue;
    }
    pollfd fds[2] = {{client, static_cast<short>(clientOpen ? POLLIN : 0), 0},
                     {target, static_cast<short>(targetOpen ? POLLIN : 0), 0}};
    if (poll(fds, 2, 100) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      const int from = i == 0 ? client : target;
      const int to = i == 0 ? target : client;
      const ssize_t got = recv(from, buffer, sizeof buffer, 0);
      if (got < 0) {
        if (i == 0 && errno == ECONNRESET) {
          std::lock_guard<std::mutex> lock(mutex_);
          ++seen_.resetsFromClients;
        }
        return;
      }
      if (i == 0 && plan.resetOnWord && std::string(buffer, static_cast<std::size_t>(got)).find("RESET") != std::string::npos) {
        // Closed by the caller: a reset, with this linger.
        const linger abortive{1, 0};
        setsockopt(client, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
        return;
      }
      if (got == 0) {
        shutdown(to, SHUT_WR);
        (i == 0 ? clientOpen : targetOpen) = false;
        continue;
      }
      if (send(to, buffer, static_cast<std::size_t>(got), MSG_NOSIGNAL) != got) return;
    }
  }
}
