#include "outside/redirect/ServiceServer.h"

#include "outside/redirect/RedirectProtocol.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

ServiceServer::ServiceServer(RedirectService& service, uid_t user, std::function<void(const std::string&)> log)
    : service_(service), user_(user), log_(std::move(log)) {}

ServiceServer::~ServiceServer() {
  if (listenFd_ >= 0) {
    close(listenFd_);
    unlink(path_.c_str());
  }
}

bool ServiceServer::Listen(const std::string& path, std::string& error) {
  sockaddr_un address{};
  if (path.size() >= sizeof address.sun_path) {
    error = "socket path too long: " + path;
    return false;
  }
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (listenFd_ < 0) {
    error = std::string("socket: ") + std::strerror(errno);
    return false;
  }
  unlink(path.c_str());
  // Nobody else may connect while the socket is being handed to the user.
  const mode_t old = umask(0177);
  const bool bound = bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  umask(old);
  if (!bound || listen(listenFd_, 16) != 0) {
    error = "cannot listen on " + path + ": " + std::strerror(errno);
    return false;
  }
  path_ = path;
  // Only root can give the file away; a service run by its own user keeps it.
  if (geteuid() == 0 && chown(path.c_str(), user_, static_cast<gid_t>(-1)) != 0) {
    error = "cannot hand " + path + " to user " + std::to_string(user_) + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

void ServiceServer::Run(int stopFd) {
  for (;;) {
    pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopFd, POLLIN, 0}};
    const int ready = poll(fds, stopFd >= 0 ? 2 : 1, kCheckMs);
    if (ready > 0 && stopFd >= 0 && (fds[1].revents & POLLIN)) return;
    if (ready > 0 && (fds[0].revents & POLLIN)) {
      for (int fd; (fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) ServeOne(fd);
    }
    service_.Check();
  }
}

void ServiceServer::ServeOne(int fd) {
  timeval timeout{0, kRequestTimeoutMs * 1000};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  ucred peer{};
  socklen_t length = sizeof peer;
  std::string answer;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != user_) {
    log_("refused a request from user " + std::to_string(peer.uid));
    answer = FormatAnswer(false, "this service serves user " + std::to_string(user_) + " only");
  } else {
    // One line, read until its line feed; one byte more than allowed is
    // enough to refuse an oversized request.
    std::string request;
    char buffer[kMaxRequestBytes + 1];
    while (request.size() <= kMaxRequestBytes && (request.empty() || request.back() != '\n')) {
      const ssize_t got = recv(fd, buffer, kMaxRequestBytes + 1 - request.size(), 0);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      request.append(buffer, static_cast<std::size_t>(got));
    }
    answer = service_.Handle(request);
  }
  send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
  close(fd);
}
