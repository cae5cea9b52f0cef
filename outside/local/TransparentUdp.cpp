#include "outside/local/TransparentUdp.h"

#include "outside/local/SocketUtil.h"

#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kMaxDatagram = 65536;
constexpr int kDatagramsPerEvent = 16;

}  // namespace

TransparentUdp::TransparentUdp(EventLoop& loop, const LineSettings& line, ProxyCounters& counters)
    : loop_(loop), line_(line), counters_(counters) {}

TransparentUdp::~TransparentUdp() {
  flows_.clear();
  if (fd_ >= 0) {
    loop_.Remove(fd_);
    close(fd_);
  }
}

bool TransparentUdp::Listen(int port, std::string& error) {
  std::string why;
  fd_ = ListenUdpTransparent(port, why);
  if (fd_ < 0) {
    error = "cannot receive redirected UDP on 127.0.0.1:" + std::to_string(port) + ": " + why;
    return false;
  }
  socklen_t length = sizeof own_;
  getsockname(fd_, reinterpret_cast<sockaddr*>(&own_), &length);
  if (!loop_.Add(fd_, EPOLLIN, this)) {
    error = "cannot watch the UDP socket";
    return false;
  }
  return true;
}

void TransparentUdp::OnEvent(int fd, std::uint32_t) {
  if (fd == fd_) Receive();
}

void TransparentUdp::Receive() {
  static thread_local std::uint8_t payload[kMaxDatagram];
  for (int i = 0; i < kDatagramsPerEvent; ++i) {
    sockaddr_in client{};
    iovec data{payload, sizeof payload};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(sockaddr_in))];
    msghdr message{};
    message.msg_name = &client;
    message.msg_namelen = sizeof client;
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t got = recvmsg(fd_, &message, 0);
    if (got < 0) return;
    if (message.msg_flags & MSG_TRUNC) continue;
    const sockaddr_in* destination = nullptr;
    for (cmsghdr* item = CMSG_FIRSTHDR(&message); item != nullptr; item = CMSG_NXTHDR(&message, item)) {
      if (item->cmsg_level == SOL_IP && item->cmsg_type == IP_ORIGDSTADDR) {
        destination = reinterpret_cast<const sockaddr_in*>(CMSG_DATA(item));
      }
    }
    // Datagrams sent to the proxy's own port are no redirected flow.
    if (destination == nullptr || client.sin_family != AF_INET ||
        (destination->sin_addr.s_addr == own_.sin_addr.s_addr && destination->sin_port == own_.sin_port)) {
      continue;
    }
    sockaddr_in original;
    std::memcpy(&original, destination, sizeof original);
    if (UdpFlow* flow = FlowFor(client, original)) flow->FromClient(payload, static_cast<std::size_t>(got));
  }
}

UdpFlow* TransparentUdp::FlowFor(const sockaddr_in& client, const sockaddr_in& destination) {
  const FlowKey key{client.sin_addr.s_addr, client.sin_port, destination.sin_addr.s_addr, destination.sin_port};
  auto found = flows_.find(key);
  if (found != flows_.end()) return found->second.get();
  if (flows_.size() >= kMaxFlows) return nullptr;
  auto flow = std::make_unique<UdpFlow>(loop_, line_, counters_, client, destination);
  UdpFlow* raw = flow.get();
  flows_.emplace(key, std::move(flow));
  // A flow that cannot start stays, failed, so its datagrams are dropped
  // for a while instead of retried one by one.
  raw->Start();
  return raw;
}

void TransparentUdp::Tick() {
  const auto now = UdpFlow::Clock::now();
  for (auto it = flows_.begin(); it != flows_.end();) {
    it = it->second->Finished(now) ? flows_.erase(it) : std::next(it);
  }
}
