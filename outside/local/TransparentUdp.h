// The local proxy's UDP side for redirected traffic: the transparent
// socket on 127.0.0.1 at the main port receives the datagrams the redirect
// hands over (tproxy) with their original destination, and each flow
// (client, original destination) is carried by its own UdpFlow.
#pragma once

#include "outside/local/Connection.h"
#include "outside/local/EventLoop.h"
#include "outside/local/UdpFlow.h"

#include <map>
#include <memory>
#include <string>
#include <tuple>

class TransparentUdp final : public EventHandler {
 public:
  static constexpr std::size_t kMaxFlows = 1024;

  TransparentUdp(EventLoop& loop, const LineSettings& line, ProxyCounters& counters);
  ~TransparentUdp();
  TransparentUdp(const TransparentUdp&) = delete;
  TransparentUdp& operator=(const TransparentUdp&) = delete;

  // False with a reason when the redirection service gives no socket (UDP
  // is then not carried).
  bool Listen(int port, std::string& error);
  void OnEvent(int fd, std::uint32_t events) override;
  // Once a second: forgets finished flows.
  void Tick();

 private:
  // Client address and port, original destination address and port.
  using FlowKey = std::tuple<std::uint32_t, std::uint16_t, std::uint32_t, std::uint16_t>;

  void Receive();
  UdpFlow* FlowFor(const sockaddr_in& client, const sockaddr_in& destination);

  EventLoop& loop_;
  const LineSettings& line_;
  ProxyCounters& counters_;
  int fd_ = -1;
  sockaddr_in own_{};
  std::map<FlowKey, std::unique_ptr<UdpFlow>> flows_;
};
