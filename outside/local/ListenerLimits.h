// What "local.exe" does when the line turns out not to carry something:
// it closes its listeners for it, so that the redirection service lets the
// games' UDP flow directly and refuses their IPv6 at once (they fall back
// to IPv4), and says so once in its log.
#pragma once

#include "outside/local/LineLimits.h"
#include "outside/local/ProxyServer.h"
#include "outside/local/TransparentUdp.h"

class ListenerLimits final : public ILineLimits {
 public:
  // The listeners it closes; set once they exist.
  void Govern(ProxyServer& tcp) { tcp_ = &tcp; }
  void Govern(TransparentUdp& udp) { udp_ = &udp; }

  void UdpRefused(const std::string& why) override;
  void Ipv6Refused(const std::string& why) override;
  bool udpRefused() const { return udpRefused_; }
  bool ipv6Refused() const { return ipv6Refused_; }

 private:
  ProxyServer* tcp_ = nullptr;
  TransparentUdp* udp_ = nullptr;
  bool udpRefused_ = false;
  bool ipv6Refused_ = false;
};
