// Everything one game socket (its address and port) sends by UDP, carried
// through one SOCKS5 UDP ASSOCIATE with the line server, whatever the
// destinations: each datagram goes to the line's relay with its original
// destination in the header; each answer names its sender, and goes to the
// game from a reply socket bound to that sender (one per remote endpoint,
// at most kMaxRemotes, the least recently used forgotten). Answers from an
// endpoint the game socket never sent to are dropped, as a home router's
// port-restricted NAT does.
#pragma once

#include "outside/local/ByteQueue.h"
#include "outside/local/Connection.h"
#include "outside/local/DatagramBatch.h"
#include "outside/local/EventLoop.h"
#include "outside/local/LineLimits.h"
#include "outside/local/LruTable.h"
#include "outside/local/ReplySocket.h"
#include "outside/local/ThrottledLog.h"
#include "outside/local/UpstreamClient.h"

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <utility>

// What every flow shares: the line, the counters, where a refusal of UDP
// is told, where datagrams are read, and the records traffic can cause
// over and over.
struct UdpFlowShared {
  EventLoop& loop;
  const LineSettings& line;
  ProxyCounters& counters;
  ILineLimits& limits;
  DatagramBatch& batch;
  ThrottledLog remotesFull;
  ThrottledLog tooLarge;
  ThrottledLog noReplySocket;
  ThrottledLog failed;
};

class UdpFlow final : public EventHandler, public IGameDatagrams {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::size_t kMaxRemotes = 64;

  UdpFlow(UdpFlowShared& shared, const SocksAddress& game);
  ~UdpFlow();
  UdpFlow(const UdpFlow&) = delete;
  UdpFlow& operator=(const UdpFlow&) = delete;

  // Starts the association; false (and logged) when it cannot begin.
  bool Start();
  // A datagram of the game socket to destination; queued (a bounded
  // number) until the association is ready.
  void FromGame(const SocksAddress& destination, const std::uint8_t* payload, std::size_t size) override;
  void OnEvent(int fd, std::uint32_t events) override;

  // True when the flow should be forgotten: failed a while ago (also when
  // the line server ended it), not set up in time, or idle for too long.
  bool Finished(Clock::time_point now) const;
  int family() const;

 private:
  enum class State { kConnecting, kHandshake, kReady, kFailed };

  void OnControlEvent(std::uint32_t events);
  void AdvanceHandshake();
  void OpenRelay();
  void FromRelay();
  // The reply socket of destination, made when the game first sends there.
  void EnsureReplySocket(const SocksAddress& destination, const std::string& key);
  void SendToRelay(const std::string& header, const std::uint8_t* payload, std::size_t size);
  // refused: the line does not carry UDP (told to the line limits).
  void Fail(const std::string& reason, bool refused = false);
  void CloseFd(int& fd);
  void Uncount();
  void Log(ThrottledLog& kind, const std::string& text);

  UdpFlowShared& shared_;
  SocksAddress game_;
  State state_ = State::kConnecting;
  bool counted_ = false;      // in counters_.udpAssociations
  bool requestSent_ = false;  // UDP ASSOCIATE sent, no answer yet
  int controlFd_ = -1;
  int relayFd_ = -1;
  std::size_t relayLimit_ = 0;  // the largest datagram the relay's family carries
  std::unique_ptr<UpstreamHandshake> handshake_;
  ByteQueue controlIn_;
  // Each waiting datagram: its header's size, then header and payload.
  std::deque<std::pair<std::size_t, std::string>> pending_;
  std::size_t pendingBytes_ = 0;
  LruTable<std::unique_ptr<ReplySocket>> remotes_{kMaxRemotes};
  Clock::time_point startedAt_;
  Clock::time_point lastActivity_;
  Clock::time_point failedAt_;
};
