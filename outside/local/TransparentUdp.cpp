#include "outside/local/TransparentUdp.h"

#include "outside/local/SocketUtil.h"

#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

void WriteLog(const std::string& text) { std::fprintf(stderr, "local.exe: %s\n", text.c_str()); }

// The original destination a tproxy listener's datagram carries.
bool OriginalDestination(msghdr& message, SocksAddress& destination) {
  for (cmsghdr* item = CMSG_FIRSTHDR(&message); item != nullptr; item = CMSG_NXTHDR(&message, item)) {
    if ((item->cmsg_level == SOL_IP && item->cmsg_type == IP_ORIGDSTADDR) ||
        (item->cmsg_level == SOL_IPV6 && item->cmsg_type == IPV6_ORIGDSTADDR)) {
      sockaddr_storage address{};
      std::memcpy(&address, CMSG_DATA(item),
                  std::min<std::size_t>(item->cmsg_len - CMSG_LEN(0), sizeof address));
      return SocksAddress::FromSockaddr(address, destination);
    }
  }
  return false;
}

}  // namespace

TransparentUdp::TransparentUdp(EventLoop& loop, const LineSettings& line, ProxyCounters& counters,
                               ILineLimits& limits, IUdpKernelClient& kernel)
    : loop_(loop), shared_{loop, line, counters, limits, batch_, kernel, {}, {}, {}, {}, {}, 0, [this] { StartWaiting(); }} {}

TransparentUdp::~TransparentUdp() {
  CloseListener(v4_);
  CloseListener(v6_);
}

bool TransparentUdp::Listen(int family, int port, std::string& error) {
  Listener& listener = ListenerOf(family);
  if (listener.fd >= 0) return true;
  std::string why;
  listener.fd = ListenUdpTransparent(family, port, why);
  const std::string where = family == AF_INET6 ? "[::1]:" : "127.0.0.1:";
  if (listener.fd < 0) {
    error = "cannot receive redirected UDP on " + where + std::to_string(port) + ": " + why;
    return false;
  }
  sockaddr_storage own{};
  socklen_t length = sizeof own;
  getsockname(listener.fd, reinterpret_cast<sockaddr*>(&own), &length);
  SocksAddress::FromSockaddr(own, listener.own);
  if (!loop_.Add(listener.fd, EPOLLIN, this)) {
    error = "cannot watch the UDP socket on " + where + std::to_string(port);
    close(listener.fd);
    listener.fd = -1;
    return false;
  }
  return true;
}

void TransparentUdp::CloseListener(Listener& listener) {
  if (listener.fd < 0) return;
  loop_.Remove(listener.fd);
  close(listener.fd);
  listener.fd = -1;
}

void TransparentUdp::Close(int family) {
  CloseListener(ListenerOf(family));
  flows_.TakeIf([family](const std::string&, const std::unique_ptr<UdpFlow>& flow) { return flow->family() == family; },
                [this](std::unique_ptr<UdpFlow> flow) { Bury(std::move(flow)); });
}

void TransparentUdp::Bury(std::unique_ptr<UdpFlow> flow) {
  if (graveyard_.empty()) loop_.Defer([this] { graveyard_.clear(); });
  graveyard_.push_back(std::move(flow));
}

void TransparentUdp::OnEvent(int fd, std::uint32_t) {
  if (fd == v4_.fd) Receive(v4_);
  if (fd == v6_.fd) Receive(v6_);
}

void TransparentUdp::Receive(Listener& listener) {
  const int count = batch_.Receive(listener.fd);
  // A refusal of the line met on the way may close the listener.
  for (int i = 0; i < count && listener.fd >= 0; ++i) {
    SocksAddress destination, from;
    if (!OriginalDestination(batch_.header(i), destination) || !SocksAddress::FromSockaddr(batch_.sender(i), from))
      continue;
    // Datagrams sent to the proxy's own port are no redirected traffic.
    if (destination.Encode() == listener.own.Encode()) continue;
    if (UdpFlow* flow = FlowFor(from)) flow->FromGame(destination, batch_.data(i), batch_.size(i));
  }
}

UdpFlow* TransparentUdp::FlowFor(const SocksAddress& game) {
  const std::string key = game.Encode();
  if (std::unique_ptr<UdpFlow>* found = flows_.Find(key)) return found->get();
  std::unique_ptr<UdpFlow> evicted;
  bool full = false;
  UdpFlow* flow = flows_.Insert(key, std::make_unique<UdpFlow>(shared_, game), evicted, full).get();
  if (full) {
    const std::string record = flowsFull_.Note("more than " + std::to_string(kMaxFlows) +
                                                   " game sockets send UDP: the least recently used one's association ended",
                                               UdpFlow::Clock::now());
    if (!record.empty()) WriteLog(record);
  }
  // The forgotten flow's turn to set up, if it had one, is the new flow's.
  evicted.reset();
  // A flow that cannot start stays, failed, so its datagrams are dropped
  // for a while instead of retried one by one.
  if (shared_.settingUp < kMaxSettingUp) flow->Start();
  return flow;
}

void TransparentUdp::StartWaiting() {
  if (startingWaiting_) return;  // a flow that fails as it starts frees its turn at once
  startingWaiting_ = true;
  flows_.ForEach([this](const std::string&, const std::unique_ptr<UdpFlow>& flow) {
    if (flow->waiting() && shared_.settingUp < kMaxSettingUp) flow->Start();
  });
  startingWaiting_ = false;
}

void TransparentUdp::Tick() {
  const auto now = UdpFlow::Clock::now();
  // One question to the service for every route; without an answer the
  // routes stay as they are until the next look.
  bool anyKernel = false;
  flows_.ForEach([&anyKernel](const std::string&, const std::unique_ptr<UdpFlow>& flow) {
    anyKernel = anyKernel || flow->HasKernelRoutes();
  });
  UdpKernelTally tally;
  if (anyKernel && shared_.kernel.Seen(tally)) {
    flows_.ForEach([now, &tally](const std::string&, const std::unique_ptr<UdpFlow>& flow) { flow->Refresh(now, tally); });
  }
  flows_.TakeIf([now](const std::string&, const std::unique_ptr<UdpFlow>& flow) { return flow->Finished(now); },
                [](std::unique_ptr<UdpFlow>) {});
  graveyard_.clear();
  StartWaiting();
}
