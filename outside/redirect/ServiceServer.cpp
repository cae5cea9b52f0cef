#include "outside/redirect/ServiceServer.h"

#include "outside/redirect/DescriptorPassing.h"
#include "outside/redirect/RedirectProtocol.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

ServiceServer::ServiceServer(RedirectService& service, std::function<void(const std::string&)> log)
    : service_(service), log_(std::move(log)) {}

ServiceServer::~ServiceServer() {
  for (Waiting& waiting : waiting_) close(waiting.fd);
  if (listenFd_ >= 0) close(listenFd_);
  if (!path_.empty()) unlink(path_.c_str());
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
  if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    error = "cannot listen on " + path + ": " + std::strerror(errno);
    return false;
  }
  path_ = path;
  // Every user may ask; the peer's credentials say who asks.
  if (chmod(path.c_str(), 0666) != 0 || listen(listenFd_, 64) != 0) {
    error = "cannot listen on " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool ServiceServer::Adopt(int fd, std::string& error) {
  int type = 0, listening = 0;
  socklen_t typeLength = sizeof type, listeningLength = sizeof listening;
  sockaddr_storage address{};
  socklen_t addressLength = sizeof address;
  if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &typeLength) != 0 || type != SOCK_STREAM ||
      getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &listeningLength) != 0 || !listening ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &addressLength) != 0 || address.ss_family != AF_UNIX) {
    error = "the socket handed over (descriptor " + std::to_string(fd) + ") is not a listening Unix stream socket";
    return false;
  }
  fcntl(fd, F_SETFD, FD_CLOEXEC);
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  listenFd_ = fd;
  return true;
}

void ServiceServer::AcceptAll() {
  for (;;) {
    const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return;
    ucred peer{};
    socklen_t length = sizeof peer;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0) {
      close(fd);
      continue;
    }
    const std::size_t ofUser = static_cast<std::size_t>(std::count_if(
        waiting_.begin(), waiting_.end(), [&](const Waiting& waiting) { return waiting.peer.uid == peer.uid; }));
    if (waiting_.size() >= kMaxWaiting || ofUser >= kMaxWaitingPerUser) {
      SendWithDescriptor(fd, FormatAnswer(false, "too many requests at once; try again"), -1);
      close(fd);
      continue;
    }
    waiting_.push_back({fd, {peer.uid, static_cast<long>(peer.pid)}, std::string(),
                        Clock::now() + std::chrono::milliseconds(kRequestTimeoutMs)});
  }
}

bool ServiceServer::Read(Waiting& waiting) {
  // One byte more than allowed is enough to refuse an oversized request.
  char buffer[kMaxRequestBytes + 1];
  for (;;) {
    const ssize_t got = recv(waiting.fd, buffer, kMaxRequestBytes + 1 - waiting.bytes.size(), 0);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && errno == EAGAIN) return false;
    if (got <= 0) return true;
    waiting.bytes.append(buffer, static_cast<std::size_t>(got));
    if (waiting.bytes.back() == '\n' || waiting.bytes.size() > kMaxRequestBytes) return true;
  }
}

void ServiceServer::Answer(Waiting& waiting) {
  const ServiceAnswer answer = service_.Handle(waiting.peer, waiting.bytes);
  SendWithDescriptor(waiting.fd, answer.line, answer.socket);
  if (answer.socket >= 0) close(answer.socket);
  close(waiting.fd);
  waiting.fd = -1;
}

void ServiceServer::Run(int stopFd) {
  Clock::time_point nextCheck = Clock::now() + std::chrono::milliseconds(kCheckMs);
  std::vector<pollfd> fds;
  for (;;) {
    const Clock::time_point now = Clock::now();
    if (!service_.NeedsChecks()) nextCheck = now + std::chrono::milliseconds(kCheckMs);
    Clock::time_point wake = service_.NeedsChecks() ? nextCheck : Clock::time_point::max();
    for (const Waiting& waiting : waiting_) wake = std::min(wake, waiting.deadline);
    int timeout = -1;
    if (wake != Clock::time_point::max()) {
      timeout = static_cast<int>(std::max<long long>(
          0, std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count() + 1));
    }
    fds.assign({{stopFd, POLLIN, 0}, {listenFd_, POLLIN, 0}});
    for (const Waiting& waiting : waiting_) fds.push_back({waiting.fd, POLLIN, 0});
    if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
      log_(std::string("poll: ") + std::strerror(errno));
      return;
    }
    if (fds[0].revents & POLLIN) return;
    const Clock::time_point after = Clock::now();
    for (std::size_t i = 0; i < waiting_.size(); ++i) {
      if (((fds[i + 2].revents != 0) && Read(waiting_[i])) || after >= waiting_[i].deadline) Answer(waiting_[i]);
    }
    std::erase_if(waiting_, [](const Waiting& waiting) { return waiting.fd < 0; });
    if (fds[1].revents & POLLIN) AcceptAll();
    if (service_.NeedsChecks() && Clock::now() >= nextCheck) {
      service_.Check();
      nextCheck = Clock::now() + std::chrono::milliseconds(kCheckMs);
    }
  }
}
