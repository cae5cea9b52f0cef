#include "outside/local/ReplySocket.h"

#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <utility>

namespace {

constexpr std::size_t kMaxDatagram = 65536;
constexpr int kDatagramsPerEvent = 16;

}  // namespace

ReplySocket::ReplySocket(EventLoop& loop, int fd, SocksAddress remote, IGameDatagrams& game)
    : loop_(loop), fd_(fd), remote_(std::move(remote)), game_(game) {}

ReplySocket::~ReplySocket() {
  if (watched_) loop_.Remove(fd_);
  close(fd_);
}

bool ReplySocket::Watch() {
  watched_ = loop_.Add(fd_, EPOLLIN, this);
  return watched_;
}

bool ReplySocket::Send(const std::uint8_t* payload, std::size_t size) {
  return send(fd_, payload, size, 0) == static_cast<ssize_t>(size);
}

void ReplySocket::OnEvent(int, std::uint32_t) {
  static thread_local std::uint8_t payload[kMaxDatagram];
  for (int i = 0; i < kDatagramsPerEvent; ++i) {
    const ssize_t got = recv(fd_, payload, sizeof payload, 0);
    if (got < 0) return;
    game_.FromGame(remote_, payload, static_cast<std::size_t>(got));
  }
}
