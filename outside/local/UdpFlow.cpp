#include "outside/local/UdpFlow.h"

#include "outside/local/SocketUtil.h"
#include "outside/local/Socks5.h"

#include <arpa/inet.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace {

// A game socket nobody has used for this long is forgotten.
constexpr std::chrono::seconds kIdleTime{120};
// A line that has not opened the association by then is not going to: the
// flow is forgotten, and the game socket's next datagram tries again.
constexpr std::chrono::seconds kSetUpTime{10};
// A failed flow stays this long, dropping its game socket's datagrams, so
// that a line server that cannot be reached is not asked again for every
// datagram.
constexpr std::chrono::seconds kFailedLinger{5};
// What may wait for the association to be ready.
constexpr std::size_t kMaxPendingDatagrams = 64;
constexpr std::size_t kMaxPendingBytes = 256 * 1024;
// The largest UDP payloads IPv4 and IPv6 carry.
constexpr std::size_t kMaxUdpPayload4 = 65507;
constexpr std::size_t kMaxUdpPayload6 = 65527;

void WriteLog(const std::string& text) { std::fprintf(stderr, "local.exe: %s\n", text.c_str()); }

// RSV RSV FRAG, then the address.
std::string RelayHeader(const SocksAddress& address) { return std::string(3, '\0') + address.Encode(); }

}  // namespace

UdpFlow::UdpFlow(UdpFlowShared& shared, const SocksAddress& game)
    : shared_(shared), game_(game), startedAt_(Clock::now()), lastActivity_(startedAt_) {}

UdpFlow::~UdpFlow() {
  remotes_.ForEach([this](const std::string&, const Remote& remote) { EndKernelRoute(remote); });
  // A flow that ends is no longer set up: another may take its turn, but
  // not from inside this destructor.
  if (settingUp_) --shared_.settingUp;
  Uncount();
  CloseFd(controlFd_);
  CloseFd(relayFd_);
}

int UdpFlow::family() const { return game_.type == SocksAddress::kIpv6 ? AF_INET6 : AF_INET; }

void UdpFlow::LeaveSetUp() {
  if (!settingUp_) return;
  settingUp_ = false;
  --shared_.settingUp;
  if (shared_.setUpDone) shared_.setUpDone();
}

void UdpFlow::Uncount() {
  if (!counted_) return;
  counted_ = false;
  --shared_.counters.udpAssociations;
  shared_.counters.Changed();
}

void UdpFlow::CloseFd(int& fd) {
  if (fd < 0) return;
  shared_.loop.Remove(fd);
  close(fd);
  fd = -1;
}

void UdpFlow::Log(ThrottledLog& kind, const std::string& text) {
  const std::string record = kind.Note(text, Clock::now());
  if (!record.empty()) WriteLog(record);
}

bool UdpFlow::Start() {
  // The request names no client address: the relay learns it from the
  // first datagram.
  SocksAddress any;
  any.host.assign(4, '\0');
  handshake_ = std::make_unique<UpstreamHandshake>(shared_.line.user, shared_.line.password,
                                                   socks5::kCommandUdpAssociate, any);
  state_ = State::kConnecting;
  settingUp_ = true;
  ++shared_.settingUp;
  controlFd_ = StartTcpConnect(shared_.line.server);
  if (controlFd_ < 0 || !shared_.loop.Add(controlFd_, EPOLLOUT, this)) {
    Fail("cannot connect to the line server: " + ErrnoText(errno));
    return false;
  }
  return true;
}

void UdpFlow::FromGame(const SocksAddress& destination, const std::uint8_t* payload, std::size_t size) {
  if (state_ == State::kFailed) return;
  lastActivity_ = Clock::now();
  const std::string header = RelayHeader(destination);
  // Until the relay is known, the line's family (IPv4 here) bounds it.
  const std::size_t limit = relayLimit_ != 0 ? relayLimit_ : kMaxUdpPayload4;
  if (header.size() + size > limit) {
    return Log(shared_.tooLarge, "dropping a datagram of " + std::to_string(size) + " bytes to " +
                                     destination.ToText() + ": too large for the line's relay with its header");
  }
  const std::string key = destination.Encode();
  Remote* remote = remotes_.Find(key);
  if (remote == nullptr) remote = AddRemote(destination, key);
  if (state_ == State::kReady) {
    SendToRelay(header, payload, size);
    if (remote != nullptr && ++remote->sent == kKernelAfter) HandToKernel(*remote);
    return;
  }
  if (pending_.size() >= kMaxPendingDatagrams || pendingBytes_ + header.size() + size > kMaxPendingBytes) return;
  pending_.emplace_back(header.size(), header + std::string(reinterpret_cast<const char*>(payload), size));
  pendingBytes_ += pending_.back().second.size();
}

UdpFlow::Remote* UdpFlow::AddRemote(const SocksAddress& destination, const std::string& key) {
  std::string why;
  const int fd = BindUdpTransparent(destination, game_, why);
  if (fd < 0) {
    // The datagram still goes; answers from there cannot reach the game.
    Log(shared_.noReplySocket, "no reply socket for answers from " + destination.ToText() + " to " + game_.ToText() +
                                   ": " + why);
    return nullptr;
  }
  Remote remote;
  remote.address = destination;
  remote.socket = std::make_unique<ReplySocket>(shared_.loop, shared_.batch, fd, destination, *this);
  if (!remote.socket->Watch()) return nullptr;
  Remote evicted;
  bool full = false;
  Remote& added = remotes_.Insert(key, std::move(remote), evicted, full);
  if (full) {
    EndKernelRoute(evicted);
    Log(shared_.remotesFull, "a game socket talks to more than " + std::to_string(kMaxRemotes) +
                                 " endpoints: the least recently used one's answers are dropped now");
  }
  return &added;
}

void UdpFlow::HandToKernel(Remote& remote) {
  // The kernel carries IPv4 through an IPv4 relay.
  if (game_.type != SocksAddress::kIpv4 || remote.address.type != SocksAddress::kIpv4 ||
      relayLimit_ != kMaxUdpPayload4) {
    return;
  }
  sockaddr_in own{};
  socklen_t length = sizeof(own);
  if (getsockname(relayFd_, reinterpret_cast<sockaddr*>(&own), &length) != 0) return;
  std::string why;
  if (!shared_.kernel.Carry(game_, remote.address, ntohs(own.sin_port), why)) {
    return Log(shared_.kernelRefused, "the kernel does not carry UDP of " + game_.ToText() + " to " +
                                          remote.address.ToText() + " (the proxy does): " + why);
  }
  remote.kernel = true;
  remote.seen = UdpKernelSeen{};
}

void UdpFlow::EndKernelRoute(const Remote& remote) {
  if (remote.kernel) shared_.kernel.End(game_, remote.address);
}

bool UdpFlow::HasKernelRoutes() {
  bool any = false;
  remotes_.ForEach([&any](const std::string&, const Remote& remote) { any = any || remote.kernel; });
  return any;
}

void UdpFlow::Refresh(Clock::time_point now, const UdpKernelTally& tally) {
  if (state_ != State::kReady) return;
  bool changed = false;
  remotes_.ForEach([&](const std::string&, Remote& remote) {
    if (!remote.kernel) return;
    UdpKernelSeen seen;
    if (!tally.Find(game_, remote.address, seen)) {
      // The route is gone (the service took it back): the proxy carries
      // the endpoint again, and may hand it over again.
      remote.kernel = false;
      remote.sent = 0;
      return;
    }
    // Counts below the last look's belong to a route made anew.
    const bool anew = seen.packetsOut < remote.seen.packetsOut || seen.packetsBack < remote.seen.packetsBack ||
                      seen.bytesOut < remote.seen.bytesOut || seen.bytesBack < remote.seen.bytesBack;
    const UdpKernelSeen last = anew ? UdpKernelSeen{} : remote.seen;
    if (seen.packetsOut == last.packetsOut && seen.packetsBack == last.packetsBack) return;
    ProxyCounters& counters = shared_.counters;
    counters.bytesUp += seen.bytesOut - last.bytesOut;
    counters.bytesDown += seen.bytesBack - last.bytesBack;
    counters.lineAnswers += seen.packetsBack - last.packetsBack;
    remote.seen = seen;
    lastActivity_ = now;
    changed = true;
  });
  if (changed) shared_.counters.Changed();
}

void UdpFlow::SendToRelay(const std::string& header, const std::uint8_t* payload, std::size_t size) {
  iovec parts[2] = {{const_cast<char*>(header.data()), header.size()},
                    {const_cast<std::uint8_t*>(payload), size}};
  msghdr message{};
  message.msg_iov = parts;
  message.msg_iovlen = 2;
  if (sendmsg(relayFd_, &message, 0) != static_cast<ssize_t>(header.size() + size)) return;
  shared_.counters.bytesUp += size;
  shared_.counters.Changed();
}

void UdpFlow::OnEvent(int fd, std::uint32_t events) {
  if (state_ == State::kFailed) return;
  if (fd == controlFd_) {
    OnControlEvent(events);
  } else if (fd == relayFd_) {
    FromRelay();
  }
}

void UdpFlow::OnControlEvent(std::uint32_t events) {
  if (state_ == State::kConnecting) {
    const int error = PendingSocketError(controlFd_);
    if (error != 0) {
      return Fail("cannot connect to the line server " + shared_.line.server.ToText() + ": " + ErrnoText(error));
    }
    const std::string greeting = handshake_->Greeting();
    if (send(controlFd_, greeting.data(), greeting.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(greeting.size())) {
      return Fail("line server closed");
    }
    state_ = State::kHandshake;
    shared_.loop.Set(controlFd_, EPOLLIN);
    return;
  }
  std::uint8_t buffer[1024];
  const ssize_t got = recv(controlFd_, buffer, sizeof buffer, 0);
  if (got < 0 && (errno == EAGAIN || errno == EINTR)) return;
  if (got <= 0 || (events & EPOLLERR)) {
    if (state_ == State::kReady) return Fail("line server ended the UDP association");
    // Closing instead of answering UDP ASSOCIATE is a refusal too.
    return Fail("line server closed the connection during negotiation", requestSent_);
  }
  if (state_ == State::kHandshake) {
    controlIn_.Append(buffer, static_cast<std::size_t>(got));
    AdvanceHandshake();
  }
}

void UdpFlow::AdvanceHandshake() {
  for (;;) {
    std::string output;
    switch (handshake_->OnInput(controlIn_, output)) {
      case UpstreamHandshake::Step::kNeedMore: return;
      case UpstreamHandshake::Step::kSend:
        if (send(controlFd_, output.data(), output.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(output.size())) {
          return Fail("line server closed");
        }
        // Login, then the request: what the line answers next is its
        // answer to UDP ASSOCIATE once the login was sent before.
        requestSent_ = output[0] == static_cast<char>(socks5::kVersion);
        continue;
      case UpstreamHandshake::Step::kFailed: {
        const std::uint8_t reply = handshake_->failureReply();
        const bool refused = requestSent_ && (reply == socks5::kReplyCommandNotSupported ||
                                              reply == socks5::kReplyNotAllowed);
        return Fail(handshake_->failureReason() + " (UDP ASSOCIATE)", refused);
      }
      case UpstreamHandshake::Step::kDone: return OpenRelay();
    }
  }
}

void UdpFlow::OpenRelay() {
  requestSent_ = false;
  const SocksAddress relay = handshake_->UdpRelay(shared_.line.server);
  sockaddr_storage address{};
  socklen_t length = 0;
  if (!relay.ToSockaddr(address, length)) return Fail("line server gave no usable UDP relay address", true);
  relayFd_ = socket(address.ss_family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (relayFd_ < 0) return Fail("cannot open a UDP socket: " + ErrnoText(errno));
  SetBypassMark(relayFd_);
  if (connect(relayFd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      !shared_.loop.Add(relayFd_, EPOLLIN, this)) {
    return Fail("cannot reach the UDP relay " + relay.ToText() + ": " + ErrnoText(errno));
  }
  relayLimit_ = address.ss_family == AF_INET6 ? kMaxUdpPayload6 : kMaxUdpPayload4;
  state_ = State::kReady;
  LeaveSetUp();
  ++shared_.counters.lineAnswers;
  ++shared_.counters.udpAssociations;
  counted_ = true;
  shared_.counters.Changed();
  handshake_.reset();
  for (const auto& [headerSize, datagram] : pending_) {
    if (datagram.size() > relayLimit_) continue;
    if (send(relayFd_, datagram.data(), datagram.size(), 0) != static_cast<ssize_t>(datagram.size())) continue;
    shared_.counters.bytesUp += datagram.size() - headerSize;
  }
  shared_.counters.Changed();
  pending_.clear();
  pendingBytes_ = 0;
}

void UdpFlow::FromRelay() {
  DatagramBatch& batch = shared_.batch;
  const int count = batch.Receive(relayFd_);
  for (int i = 0; i < count; ++i) {
    const std::uint8_t* datagram = batch.data(i);
    const std::size_t size = batch.size(i);
    SocksAddress sender;
    std::size_t used = 0;
    if (size < 4 || datagram[0] != 0 || datagram[1] != 0 || datagram[2] != 0 ||
        ParseSocksAddress(datagram + 3, size - 3, sender, used) != ParseStatus::kDone) {
      continue;  // fragments and damaged headers are dropped
    }
    ++shared_.counters.lineAnswers;
    // Only endpoints the game socket sent to may answer it.
    Remote* remote = remotes_.Find(sender.Encode());
    if (remote == nullptr) continue;
    lastActivity_ = Clock::now();
    const std::size_t payload = size - 3 - used;
    if (remote->socket->Send(datagram + 3 + used, payload)) {
      shared_.counters.bytesDown += payload;
      shared_.counters.Changed();
    }
  }
}

void UdpFlow::Fail(const std::string& reason, bool refused) {
  Log(shared_.failed, "UDP of " + game_.ToText() + ": " + reason);
  state_ = State::kFailed;
  LeaveSetUp();
  Uncount();
  failedAt_ = Clock::now();
  CloseFd(controlFd_);
  CloseFd(relayFd_);
  pending_.clear();
  pendingBytes_ = 0;
  // Never called while a reply socket's event runs (only the control
  // connection and the relay fail), so they can go now.
  remotes_.TakeIf([](const std::string&, const auto&) { return true; },
                  [this](const Remote& remote) { EndKernelRoute(remote); });
  if (refused) shared_.limits.UdpRefused(reason);
}

bool UdpFlow::Finished(Clock::time_point now) const {
  switch (state_) {
    case State::kFailed: return now - failedAt_ >= kFailedLinger;
    case State::kReady: return now - lastActivity_ >= kIdleTime;
    default: return now - startedAt_ >= kSetUpTime;
  }
}
