// One client connection of the local proxy, from the first byte to the
// end. A SOCKS5 client first negotiates with us (no authentication) and
// names its target; a connection the redirect sent us names its target by
// its original destination. Either way a connection to the line server is
// opened and authenticated, the target is requested there, and then the
// bytes are relayed (CONNECT) or the datagrams carried (UDP ASSOCIATE).
// A redirected game learns of a refused target, and of a reset from either
// side, by a reset of its own connection, as it would without the proxy.
#pragma once

#include "outside/local/ByteQueue.h"
#include "outside/local/EventLoop.h"
#include "outside/local/LineLimits.h"
#include "outside/local/ProxyCounters.h"
#include "outside/local/Relay.h"
#include "outside/local/SocksAddress.h"
#include "outside/local/UdpAssociation.h"
#include "outside/local/UpstreamClient.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

// What every connection needs to reach the line server.
struct LineSettings {
  SocksAddress server;
  std::string user;
  std::string password;
};

class Connection final : public EventHandler {
 public:
  using Clock = std::chrono::steady_clock;

  // redirected: the original destination of a redirected connection.
  Connection(EventLoop& loop, const LineSettings& line, ProxyCounters& counters, ILineLimits& limits, int clientFd,
             std::optional<SocksAddress> redirected, std::function<void(Connection*)> onClosed);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  bool Start();
  void OnEvent(int fd, std::uint32_t events) override;

  // Ends a connection whose negotiation has taken too long.
  void CheckDeadline(Clock::time_point now);
  // Ends the connection now (also used when the proxy stops).
  void Close();
  // Ends it with a reset on both sockets.
  void Reset();

 private:
  enum class State { kGreeting, kRequest, kConnecting, kHandshake, kRelaying, kUdp, kFlushThenClose, kClosed };

  void OnClientEvent(std::uint32_t events);
  void OnUpstreamEvent(std::uint32_t events);
  bool ReadClient();
  void ParseClient();
  void ConnectUpstream(std::uint8_t command, const SocksAddress& target);
  void OnUpstreamConnected();
  void AdvanceHandshake();
  // PumpBytes, and the status told when bytes went through.
  bool Pump(RelayEnd& from, RelayEnd& to, std::uint64_t& carried);
  void BeginRelay();
  void BeginUdp();
  void FailClient(std::uint8_t reply, const std::string& reason);
  void SendToClient(const std::string& bytes);
  void UpdateInterest();
  // While relaying, a side is in the loop only while it waits for
  // something: a socket that has hung up stays ready, and a side held back
  // by its peer's backlog would be woken again and again.
  void Watch(RelayEnd& end, bool& watched, std::uint32_t events);
  void Log(const std::string& text) const;

  EventLoop& loop_;
  const LineSettings& line_;
  ProxyCounters& counters_;
  ILineLimits& limits_;
  bool counted_ = false;  // in counters_.tcpConnections
  std::function<void(Connection*)> onClosed_;
  State state_ = State::kGreeting;
  bool redirected_ = false;
  std::uint8_t command_ = 0;
  SocksAddress target_;
  RelayEnd client_;
  RelayEnd upstream_;
  bool clientWatched_ = false;
  bool upstreamWatched_ = false;
  ByteQueue clientIn_;
  ByteQueue upstreamIn_;
  std::unique_ptr<UpstreamHandshake> handshake_;
  std::unique_ptr<UdpAssociation> udp_;
  Clock::time_point deadline_;
};
