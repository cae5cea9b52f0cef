// Everything one game socket (its address and port) sends by UDP, carried
// through one SOCKS5 UDP ASSOCIATE with the line server, whatever the
// destinations: each datagram goes to the line's relay with its original
// destination in the header; each answer names its sender, and goes to the
// game from a reply socket bound to that sender (one per remote endpoint,
// at most kMaxRemotes, the least recently used forgotten). Answers from an
// endpoint the game socket never sent to are dropped, as a home router's
// port-restricted NAT does.
//
// Once the game socket has sent kKernelAfter datagrams to an endpoint, the
// kernel is asked to carry that endpoint's traffic through the open
// association (UdpKernelClient.h): datagrams and answers then skip the
// proxy, which looks once a second at what the kernel carried (for the
// counters and to see that the flow is in use) and takes the route back
// when it forgets the endpoint or the flow ends.
#pragma once

#include "outside/local/ByteQueue.h"
#include "outside/local/Connection.h"
#include "outside/local/DatagramBatch.h"
#include "outside/local/EventLoop.h"
#include "outside/local/LineLimits.h"
#include "outside/local/LruTable.h"
#include "outside/local/ReplySocket.h"
#include "outside/local/ThrottledLog.h"
#include "outside/local/UdpKernelClient.h"
#include "outside/local/UpstreamClient.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
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
  IUdpKernelClient& kernel;
  ThrottledLog remotesFull;
  ThrottledLog tooLarge;
  ThrottledLog noReplySocket;
  ThrottledLog failed;
  ThrottledLog kernelRefused;
  // Flows whose association is being set up now, and what to call when one
  // of them is done (ready or failed), so that a waiting flow may start.
  std::size_t settingUp = 0;
  std::function<void()> setUpDone;
};

class UdpFlow final : public EventHandler, public IGameDatagrams {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::size_t kMaxRemotes = 64;
  static constexpr std::uint64_t kKernelAfter = 8;

  UdpFlow(UdpFlowShared& shared, const SocksAddress& game);
  ~UdpFlow();
  UdpFlow(const UdpFlow&) = delete;
  UdpFlow& operator=(const UdpFlow&) = delete;

  // Starts the association; false (and logged) when it cannot begin.
  bool Start();
  // True until Start: the flow waits for its turn to set up.
  bool waiting() const { return state_ == State::kWaiting; }
  // A datagram of the game socket to destination; queued (a bounded
  // number) until the association is ready.
  void FromGame(const SocksAddress& destination, const std::uint8_t* payload, std::size_t size) override;
  void OnEvent(int fd, std::uint32_t events) override;

  // The kernel carries some of the flow's endpoints.
  bool HasKernelRoutes();
  // Once a second: takes in what the kernel carried on the flow's routes,
  // as tally tells it.
  void Refresh(Clock::time_point now, const UdpKernelTally& tally);
  // True when the flow should be forgotten: failed a while ago (also when
  // the line server ended it), not set up in time, or idle for too long.
  bool Finished(Clock::time_point now) const;
  int family() const;

 private:
  enum class State { kWaiting, kConnecting, kHandshake, kReady, kFailed };

  // An endpoint the game socket sends to.
  struct Remote {
    SocksAddress address;
    std::unique_ptr<ReplySocket> socket;  // its answers go to the game from here
    std::uint64_t sent = 0;               // datagrams the proxy carried there
    bool kernel = false;                  // the kernel carries it now
    UdpKernelSeen seen;                   // what the kernel had carried at the last look
  };

  void OnControlEvent(std::uint32_t events);
  void AdvanceHandshake();
  void OpenRelay();
  void FromRelay();
  // The endpoint destination with its reply socket, made when the game
  // first sends there; null when no reply socket could be made.
  Remote* AddRemote(const SocksAddress& destination, const std::string& key);
  void HandToKernel(Remote& remote);
  // Takes the kernel's route to remote back, if it has one.
  void EndKernelRoute(const Remote& remote);
  void SendToRelay(const std::string& header, const std::uint8_t* payload, std::size_t size);
  // refused: the line does not carry UDP (told to the line limits).
  void Fail(const std::string& reason, bool refused = false);
  void CloseFd(int& fd);
  void Uncount();
  // The set-up is over (ready, failed or ended).
  void LeaveSetUp();
  void Log(ThrottledLog& kind, const std::string& text);

  UdpFlowShared& shared_;
  SocksAddress game_;
  State state_ = State::kWaiting;
  bool settingUp_ = false;    // in shared_.settingUp
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
  LruTable<Remote> remotes_{kMaxRemotes};
  Clock::time_point startedAt_;
  Clock::time_point lastActivity_;
  Clock::time_point failedAt_;
};
