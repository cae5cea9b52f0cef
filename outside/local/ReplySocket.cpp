#include "outside/local/ReplySocket.h"

#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <utility>

ReplySocket::ReplySocket(EventLoop& loop, DatagramBatch& batch, int fd, SocksAddress remote, IGameDatagrams& game)
    : loop_(loop), batch_(batch), fd_(fd), remote_(std::move(remote)), game_(game) {}

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
  const int count = batch_.Receive(fd_);
  for (int i = 0; i < count; ++i) game_.FromGame(remote_, batch_.data(i), batch_.size(i));
}
