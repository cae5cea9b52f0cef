// One redirected UDP flow (a client address and the original destination
// it sent to) carried through its own SOCKS5 UDP ASSOCIATE with the line
// server: datagrams from the client go to the line server's relay with the
// original destination in their header; the relay's answers go back to
// the client from a transparent socket bound to the original destination,
// so the client sees the game server answer.
#pragma once

#include "outside/local/ByteQueue.h"
#include "outside/local/Connection.h"
#include "outside/local/EventLoop.h"
#include "outside/local/UpstreamClient.h"

#include <netinet/in.h>

#include <chrono>
#include <deque>
#include <memory>
#include <string>

class UdpFlow final : public EventHandler {
 public:
  using Clock = std::chrono::steady_clock;

  UdpFlow(EventLoop& loop, const LineSettings& line, ProxyCounters& counters, const sockaddr_in& client,
          const sockaddr_in& destination);
  ~UdpFlow();
  UdpFlow(const UdpFlow&) = delete;
  UdpFlow& operator=(const UdpFlow&) = delete;

  // Opens the reply socket and starts the association; false (and logged)
  // when either cannot begin.
  bool Start();
  // A datagram from the client (payload only); queued until the
  // association is ready.
  void FromClient(const std::uint8_t* payload, std::size_t size);
  void OnEvent(int fd, std::uint32_t events) override;

  // True when the flow should be forgotten: failed, ended by the line
  // server, or idle for too long.
  bool Finished(Clock::time_point now) const;

 private:
  enum class State { kConnecting, kHandshake, kReady, kFailed };

  void OnControlEvent(std::uint32_t events);
  void AdvanceHandshake();
  void OpenRelay();
  void FromRelay();
  // The client's datagrams that reach the connected reply socket.
  void FromReplySocket();
  void SendToRelay(const std::string& datagram);
  void Fail(const std::string& reason);
  void CloseFd(int& fd);
  // Out of counters_.udpAssociations, once.
  void Uncount();

  EventLoop& loop_;
  const LineSettings& line_;
  ProxyCounters& counters_;
  sockaddr_in client_;
  sockaddr_in destination_;
  State state_ = State::kConnecting;
  bool counted_ = false;  // in counters_.udpAssociations
  int controlFd_ = -1;
  int relayFd_ = -1;
  int replyFd_ = -1;
  std::unique_ptr<UpstreamHandshake> handshake_;
  ByteQueue controlIn_;
  std::deque<std::string> pending_;
  std::size_t pendingBytes_ = 0;
  Clock::time_point lastActivity_;
  Clock::time_point failedAt_;
};
