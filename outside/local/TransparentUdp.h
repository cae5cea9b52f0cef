// The local proxy's UDP side for redirected traffic: a transparent socket
// on each loopback address (127.0.0.1 and ::1) at the main port receives
// the datagrams the redirect hands over (tproxy) with their original
// destination. Each game socket (its address and port) gets one UdpFlow,
// which carries every destination it talks to; at most kMaxFlows of them,
// the least recently used forgotten when a new one needs room. At most
// kMaxSettingUp flows log in to the line at once; the others wait their
// turn, the most recently used first, so that a burst of new game sockets
// neither swamps the line with logins nor keeps the line check's waiting.
//
// When the line refuses UDP, the line limits are told (they act on the
// first time only); their answer is to Close the listeners, which is safe
// from inside that call (what goes is destroyed after the current events).
#pragma once

#include "outside/local/Connection.h"
#include "outside/local/DatagramBatch.h"
#include "outside/local/EventLoop.h"
#include "outside/local/LineLimits.h"
#include "outside/local/LruTable.h"
#include "outside/local/UdpFlow.h"

#include <memory>
#include <string>
#include <vector>

class TransparentUdp final : public EventHandler {
 public:
  static constexpr std::size_t kMaxFlows = 1024;
  static constexpr std::size_t kMaxSettingUp = 16;

  TransparentUdp(EventLoop& loop, const LineSettings& line, ProxyCounters& counters, ILineLimits& limits,
                 IUdpKernelClient& kernel);
  ~TransparentUdp();
  TransparentUdp(const TransparentUdp&) = delete;
  TransparentUdp& operator=(const TransparentUdp&) = delete;

  // Opens the listener of family (AF_INET: 127.0.0.1, AF_INET6: ::1) at
  // port. False with a reason when the redirection service gives no socket
  // (that family's UDP is then not detoured, so it flows directly).
  bool Listen(int family, int port, std::string& error);
  // Closes the listener of family and ends its game sockets' flows.
  void Close(int family);
  void OnEvent(int fd, std::uint32_t events) override;
  // Once a second: takes in what the kernel carried, forgets finished
  // flows.
  void Tick();

 private:
  struct Listener {
    int fd = -1;
    SocksAddress own;  // datagrams to it are no redirected traffic
  };

  Listener& ListenerOf(int family) { return family == AF_INET6 ? v6_ : v4_; }
  void CloseListener(Listener& listener);
  void Receive(Listener& listener);
  UdpFlow* FlowFor(const SocksAddress& game);
  // Starts waiting flows while fewer than kMaxSettingUp are setting up.
  void StartWaiting();
  // Destroys what Close took, after the events that may still use it.
  void Bury(std::unique_ptr<UdpFlow> flow);

  EventLoop& loop_;
  DatagramBatch batch_;
  UdpFlowShared shared_;
  Listener v4_, v6_;
  LruTable<std::unique_ptr<UdpFlow>> flows_{kMaxFlows};
  ThrottledLog flowsFull_;
  std::vector<std::unique_ptr<UdpFlow>> graveyard_;
  bool startingWaiting_ = false;
};
